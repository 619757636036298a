#include "WindowLook.h"

#include "TahomaFont.h"

#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QWidget>

void WindowLook::Apply(QWidget* window, const QSize& size) {
    window->setFixedSize(size);
    QFont font(TahomaFont::Family());
    font.setPointSizeF(8.25);
    window->setFont(font);
    window->setAutoFillBackground(true);
    QPalette background = window->palette();
    background.setColor(QPalette::Window, Qt::white);
    window->setPalette(background);
}

void WindowLook::KeepMouseMovesToBackground(QWidget* window) {
    for (QObject* child : window->children()) {
        if (auto* widget = qobject_cast<QWidget*>(child)) {
            widget->setAttribute(Qt::WA_NoMousePropagation);
        }
    }
}

void WindowLook::SetColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

QLabel* WindowLook::MakePicture(QWidget* parent, const QString& name, const QString& resource,
                                const QRect& place) {
    auto* picture = new QLabel(parent);
    picture->setObjectName(name);
    picture->setPixmap(QPixmap(resource));
    picture->setScaledContents(true);
    picture->setGeometry(place);
    return picture;
}
