#include "LoginPictures.h"

#include <QFont>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>

namespace {

QPixmap BannerPicture(int width) {
    QPixmap picture(width, 56);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, width, 0);
    gradient.setColorAt(0, QColor(0x1F, 0x3B, 0x6E));
    gradient.setColorAt(1, QColor(0x5A, 0x8F, 0xD0));
    painter.fillRect(picture.rect(), gradient);
    painter.setPen(Qt::white);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(16);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(picture.rect().adjusted(16, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     QStringLiteral("Quorvane Lite"));
    return picture;
}

// A padlock beside the password text.
QPixmap LockPicture() {
    QPixmap picture(48, 56);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x70, 0x70, 0x70), 5));
    painter.drawArc(QRect(10, 4, 28, 32), 0, 180 * 16);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xD4, 0xA0, 0x17));
    painter.drawRoundedRect(QRect(4, 22, 40, 30), 4, 4);
    painter.setBrush(QColor(0x55, 0x40, 0x0A));
    painter.drawEllipse(QRect(20, 30, 8, 8));
    return picture;
}

// A thin grey rule under the banner.
QPixmap RulePicture(int width) {
    QPixmap picture(width, 3);
    QPainter painter(&picture);
    QLinearGradient gradient(0, 0, width, 0);
    gradient.setColorAt(0, QColor(0xB0, 0xB0, 0xB0));
    gradient.setColorAt(1, Qt::white);
    painter.fillRect(picture.rect(), gradient);
    return picture;
}

QLabel* MakePicture(QWidget* parent, const QString& name, const QPixmap& picture,
                    const QPoint& at) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(picture);
    label->setGeometry(QRect(at, picture.size()));
    return label;
}

} // namespace

namespace LoginPictures {

void Place(QWidget* window, int width, QLabel** imgTopBanner, QLabel** Image1, QLabel** Image2) {
    *imgTopBanner =
        MakePicture(window, QStringLiteral("imgTopBanner"), BannerPicture(width), QPoint(0, 0));
    *Image2 = MakePicture(window, QStringLiteral("Image2"), RulePicture(width), QPoint(0, 56));
    *Image1 = MakePicture(window, QStringLiteral("Image1"), LockPicture(), QPoint(18, 76));
}

} // namespace LoginPictures
