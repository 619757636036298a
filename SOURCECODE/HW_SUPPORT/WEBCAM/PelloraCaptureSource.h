#pragma once

#include "PelloraDevice.h"
#include "PelloraExport.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

struct _GstElement;
struct _GstAppSink;
struct _GstSample;

// The GStreamer side of a preview: "<source> ! videoconvert ! appsink". The streaming thread keeps
// the newest frame and hands it to the owner's thread by a queued call; bus messages are polled
// from the owner's event loop. Holds no GUI code.
class PELLORA_EXPORT PelloraCaptureSource final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PelloraCaptureSource)

public:
    // How long a source may take to reach PLAYING before it counts as not connected.
    static constexpr std::chrono::seconds kStartLimit{5};

    explicit PelloraCaptureSource(QObject* parent = nullptr);
    ~PelloraCaptureSource() override;

    // False, with the reason, when the device does not reach PLAYING within kStartLimit. Throws
    // std::runtime_error when GStreamer or one of its elements is missing.
    bool Start(const PelloraDevice& device, QString* reason);
    void Stop();

    // The newest frame, waiting up to `wait` for the first one; null when none came or the source
    // failed.
    QImage NewestFrame(std::chrono::milliseconds wait) const;

Q_SIGNALS:
    void FrameArrived(const QImage& frame);
    void Failed(const QString& reason);

private:
    static int OnNewSample(_GstAppSink* sink, void* self);
    void TakeSample(_GstSample* sample);
    void DeliverNewest();
    void PollBus();
    QString BusError() const;
    void MarkFailed();
    _GstElement* BuildPipeline(const PelloraDevice& device);

    _GstElement* pipeline = nullptr;
    QTimer busTimer;
    mutable std::mutex frameMutex;
    mutable std::condition_variable frameCondition;
    QImage newestFrame;
    bool failed = false;
    std::atomic<bool> deliveryPending{false};
};
