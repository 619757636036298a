#include "LimitedTextEdit.h"

#include <QTextCursor>

LimitedTextEdit::LimitedTextEdit(int maxLength, QWidget* parent)
    : QPlainTextEdit(parent)
    , m_maxLength(maxLength) {
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    connect(this, &QPlainTextEdit::textChanged, this, &LimitedTextEdit::Enforce);
}

LimitedTextEdit::~LimitedTextEdit() = default;

int LimitedTextEdit::MaxLength() const {
    return m_maxLength;
}

QString LimitedTextEdit::Text() const {
    return toPlainText();
}

void LimitedTextEdit::SetText(const QString& text) {
    setPlainText(text);
}

// Cuts whatever went past the limit, keeping the caret where the typing stopped.
void LimitedTextEdit::Enforce() {
    if (m_enforcing) {
        return;
    }
    const QString text = toPlainText();
    if (text.size() <= m_maxLength) {
        return;
    }
    m_enforcing = true;
    QTextCursor cursor = textCursor();
    const int excess = static_cast<int>(text.size()) - m_maxLength;
    const int end = cursor.position();
    const int start = qMax(0, end - excess);
    if (end - start == excess) {
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
    } else {
        cursor.setPosition(m_maxLength);
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
    setTextCursor(cursor);
    m_enforcing = false;
}
