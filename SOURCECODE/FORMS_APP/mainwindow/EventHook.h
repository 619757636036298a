#pragma once

#include <QEvent>
#include <QObject>

#include <functional>

class QWidget;

// Hands the events of one type that reach a widget to a handler before the widget sees them; the
// handler answers true to drop the event. Lives as long as the widget.
class EventHook final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EventHook)

public:
    using Handler = std::function<bool(QEvent*)>;

    static void Install(QWidget* widget, QEvent::Type type, Handler handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    EventHook(QWidget* widget, QEvent::Type type, Handler handler);

    QEvent::Type m_type;
    Handler m_handler;
};
