#include "LinkLabel.h"

#include <QMouseEvent>

LinkLabel::LinkLabel(const QString& caption, QWidget* parent)
    : QLabel(caption, parent) {}

LinkLabel::~LinkLabel() = default;

void LinkLabel::mousePressEvent(QMouseEvent* event) {
    blnPressed = event->button() == Qt::LeftButton;
    event->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = blnPressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    blnPressed = false;
    event->accept();
    if (click) {
        Q_EMIT Click();
    }
}
