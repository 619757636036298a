#include "WindowLook.h"

#include "TahomaFont.h"

#include <QFont>
#include <QPalette>
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
