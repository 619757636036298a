// The webcam buttons beside the photo area of the details page, with their 18 by 18 pictures.
#include "frmMain.h"

#include "LinkLabel.h"

#include <QCursor>
#include <QFrame>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace {

constexpr int kSide = 18;
constexpr int kLeft = 12; // under the photo's caption, left of the webcam frame
constexpr int kTop = 292; // inside the details page
constexpr int kStep = 21;

const QColor kFace(0x1F, 0x3A, 0x5F);

QPixmap Picture(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kFace, 1.5));
    painter.drawRoundedRect(QRectF(0.75, 0.75, kSide - 1.5, kSide - 1.5), 3, 3);
    painter.setBrush(kFace);
    draw(painter);
    return pixmap;
}

QPixmap PreviewPicture() {
    return Picture([](QPainter& painter) {
        QPainterPath triangle;
        triangle.moveTo(6, 4.5);
        triangle.lineTo(13.5, 9);
        triangle.lineTo(6, 13.5);
        triangle.closeSubpath();
        painter.drawPath(triangle);
    });
}

QPixmap CapturePicture() {
    return Picture([](QPainter& painter) {
        painter.drawRect(QRectF(3.5, 6, 11, 7.5));
        painter.drawRect(QRectF(6.5, 4.5, 5, 2));
        painter.setBrush(Qt::white);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(9, 9.75), 2.2, 2.2);
    });
}

QPixmap ClearPicture() {
    return Picture([](QPainter& painter) {
        painter.setPen(QPen(kFace, 2));
        painter.drawLine(QPointF(5.5, 5.5), QPointF(12.5, 12.5));
        painter.drawLine(QPointF(12.5, 5.5), QPointF(5.5, 12.5));
    });
}

QPixmap ChoosePicture() {
    return Picture([](QPainter& painter) {
        for (const double y : {5.0, 8.5, 12.0}) {
            painter.drawRect(QRectF(4.5, y, 9, 1.5));
        }
    });
}

} // namespace

void frmMain::BuildWebcamButtons() {
    const struct {
        LinkLabel** button;
        const char* name;
        const char* tooltip;
        QPixmap (*picture)();
        void (frmMain::*handler)();
    } buttons[] = {
        {&imgCamStartPreview, "imgCamStartPreview", "Click to start preview.", &PreviewPicture,
         &frmMain::imgCamStartPreview_Click},
        {&imgCamCaptureSnap, "imgCamCaptureSnap", "Click to capture image.", &CapturePicture,
         &frmMain::imgCamCaptureSnap_Click},
        {&imgCamClearSnap, "imgCamClearSnap", "Click to clear Image.", &ClearPicture,
         &frmMain::imgCamClearSnap_Click},
        {&imgChooseCam, "imgChooseCam", "Click to choose WebCam type.", &ChoosePicture,
         &frmMain::imgChooseCam_Click},
    };
    int left = kLeft;
    for (const auto& entry : buttons) {
        auto* button = new LinkLabel(QString(), fraMain);
        button->setObjectName(QString::fromLatin1(entry.name));
        button->setPixmap(entry.picture());
        button->setToolTip(QString::fromLatin1(entry.tooltip));
        button->setCursor(QCursor(QPixmap(QStringLiteral(":/frmMain/linkcursor.png")), 10, 2));
        button->setGeometry(left, kTop, kSide, kSide);
        connect(button, &LinkLabel::Click, this, entry.handler);
        *entry.button = button;
        left += kStep;
    }
}
