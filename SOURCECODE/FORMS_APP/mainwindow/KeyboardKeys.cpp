#include "KeyboardKeys.h"

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
