#include "PelloraCaptureWindow.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPainter>

PelloraCaptureWindow::PelloraCaptureWindow(QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("capWindow"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    previewTimer.setInterval(kPreviewRate);
    connect(&previewTimer, &QTimer::timeout, this, &PelloraCaptureWindow::OnPreviewTick);
    connect(&source, &PelloraCaptureSource::FrameArrived, this, &PelloraCaptureWindow::OnFrame);
    connect(&source, &PelloraCaptureSource::Failed, this, &PelloraCaptureWindow::Failed);
}

PelloraCaptureWindow::~PelloraCaptureWindow() {
    DriverDisconnect();
}

bool PelloraCaptureWindow::DriverConnect(const PelloraDevice& device, QString* reason) {
    if (!source.Start(device, reason)) {
        return false;
    }
    previewTimer.start();
    return true;
}

void PelloraCaptureWindow::DriverDisconnect() {
    previewTimer.stop();
    source.Stop();
}

bool PelloraCaptureWindow::EditCopy() {
    const QImage frame = source.NewestFrame(kFirstFrameLimit);
    if (frame.isNull()) {
        return false;
    }
    QGuiApplication::clipboard()->setImage(frame);
    return true;
}

void PelloraCaptureWindow::OnFrame(const QImage& frame) {
    pendingFrame = frame;
}

void PelloraCaptureWindow::OnPreviewTick() {
    if (pendingFrame.isNull()) {
        return;
    }
    shownFrame = std::move(pendingFrame);
    pendingFrame = QImage();
    update();
}

void PelloraCaptureWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (shownFrame.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), shownFrame);
}
