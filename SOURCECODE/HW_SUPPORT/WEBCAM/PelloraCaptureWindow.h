#pragma once

#include "PelloraCaptureSource.h"
#include "PelloraDevice.h"

#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>

// The capture window: a child of picVideo that shows the live picture of one device, scaled to
// its own size, one frame every 66 ms, and copies the current frame to the clipboard.
class PelloraCaptureWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PelloraCaptureWindow)

public:
    static constexpr std::chrono::milliseconds kPreviewRate{66};
    // How long a copy waits for the first frame of a preview that has just started.
    static constexpr std::chrono::milliseconds kFirstFrameLimit{3000};

    explicit PelloraCaptureWindow(QWidget* parent);
    ~PelloraCaptureWindow() override;

    // False, with the reason, when the device does not connect.
    bool DriverConnect(const PelloraDevice& device, QString* reason);
    void DriverDisconnect();
    // True when a frame was put on the clipboard.
    bool EditCopy();

Q_SIGNALS:
    void Failed(const QString& reason);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnFrame(const QImage& frame);
    void OnPreviewTick();

    PelloraCaptureSource source;
    QTimer previewTimer;
    QImage shownFrame;
    QImage pendingFrame;
};
