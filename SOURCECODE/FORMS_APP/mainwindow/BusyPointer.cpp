#include "BusyPointer.h"

#include <QCursor>
#include <QGuiApplication>

BusyPointer::BusyPointer() {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

BusyPointer::~BusyPointer() {
    QGuiApplication::restoreOverrideCursor();
}
