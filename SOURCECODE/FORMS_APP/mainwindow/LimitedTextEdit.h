#pragma once

#include <QPlainTextEdit>

// A multi-line text box with a vertical scroll bar that takes at most a given number of
// characters, however they arrive. Tab moves the focus on, as in the other boxes.
class LimitedTextEdit final : public QPlainTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LimitedTextEdit)

public:
    explicit LimitedTextEdit(int maxLength, QWidget* parent = nullptr);
    ~LimitedTextEdit() override;

    int MaxLength() const;
    QString Text() const;
    void SetText(const QString& text);

private:
    void Enforce();

    int m_maxLength;
    bool m_enforcing = false;
};
