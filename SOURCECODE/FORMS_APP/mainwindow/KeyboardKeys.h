#pragma once

#include <QString>

class QDialog;
class QKeyEvent;

// Keys as the windows' own key handling sees them, the same on every platform.
class KeyboardKeys final {
public:
    KeyboardKeys() = delete;

    // The character a key press types, as a box's character filter judges it: nothing for the
    // keys that edit or move instead of typing. Qt hands Delete over with the text "\x7f" on X11
    // and Wayland, so a filter that drops unknown characters would otherwise swallow Delete.
    static QString TypedText(const QKeyEvent* key);

    // A dialog closes on Esc by default and drops what was typed into it; this one stays open.
    static void KeepOpenOnEscape(QDialog* dialog);
};
