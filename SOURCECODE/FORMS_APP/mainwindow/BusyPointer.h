#pragma once

#include <QtGlobal>

// Shows the busy pointer while a long operation holds the window's thread, which does not repaint
// meanwhile; the pointer is restored when the guard goes, on every way out. Scope it so that it
// goes before any message box, which would otherwise show a busy pointer.
class BusyPointer final {
public:
    BusyPointer();
    ~BusyPointer();
    Q_DISABLE_COPY_MOVE(BusyPointer)
};
