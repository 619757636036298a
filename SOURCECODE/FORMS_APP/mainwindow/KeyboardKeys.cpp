#include "KeyboardKeys.h"

#include "EventHook.h"

#include <QDialog>
#include <QKeyEvent>

QString KeyboardKeys::TypedText(const QKeyEvent* key) {
    switch (key->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return {};
    default:
        return key->text();
    }
}

void KeyboardKeys::KeepOpenOnEscape(QDialog* dialog) {
    // Esc reaches the dialog only when no child took it, so a child's own use of Esc still works.
    EventHook::Install(dialog, QEvent::KeyPress, [](QEvent* event) {
        return static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel);
    });
}
