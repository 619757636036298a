#include "EventHook.h"

#include <QWidget>

void EventHook::Install(QWidget* widget, QEvent::Type type, Handler handler) {
    widget->installEventFilter(new EventHook(widget, type, std::move(handler)));
}

EventHook::EventHook(QWidget* widget, QEvent::Type type, Handler handler)
    : QObject(widget)
    , m_type(type)
    , m_handler(std::move(handler)) {}

bool EventHook::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == m_type && m_handler(event)) {
        return true;
    }
    return QObject::eventFilter(watched, event);
}
