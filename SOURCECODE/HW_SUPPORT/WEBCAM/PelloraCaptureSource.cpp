#include "PelloraCaptureSource.h"

#include "PelloraGst.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <stdexcept>

namespace {

constexpr std::chrono::milliseconds kBusPollInterval{50};

GstElement* MakeElement(const char* factory) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (element == nullptr) {
        throw std::runtime_error(std::string("The GStreamer element ") + factory +
                                 " is not installed");
    }
    return element;
}

} // namespace

PelloraCaptureSource::PelloraCaptureSource(QObject* parent)
    : QObject(parent) {
    busTimer.setInterval(kBusPollInterval);
    connect(&busTimer, &QTimer::timeout, this, &PelloraCaptureSource::PollBus);
}

PelloraCaptureSource::~PelloraCaptureSource() {
    Stop();
}

GstElement* PelloraCaptureSource::BuildPipeline(const PelloraDevice& device) {
    GstElement* source = MakeElement(device.element.toUtf8().constData());
    // Elements made before one turns out to be missing are not in a bin yet, so they go here.
    GstElement* convert = nullptr;
    GstElement* sink = nullptr;
    try {
        convert = MakeElement("videoconvert");
        sink = MakeElement("appsink");
    } catch (...) {
        for (GstElement* made : {source, convert}) {
            if (made != nullptr) {
                gst_object_unref(gst_object_ref_sink(made));
            }
        }
        throw;
    }
    if (device.element == u"v4l2src") {
        g_object_set(source, "device", device.path.toUtf8().constData(), nullptr);
    } else {
        g_object_set(source, "pattern", device.pattern, "is-live", TRUE, nullptr);
    }
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr);
    g_object_set(sink, "caps", caps, "max-buffers", 1, "drop", TRUE, "sync", FALSE, nullptr);
    gst_caps_unref(caps);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = [](GstAppSink* appsink, gpointer self) {
        return static_cast<GstFlowReturn>(OnNewSample(appsink, self));
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);

    GstElement* bin = gst_pipeline_new("pellora");
    gst_bin_add_many(GST_BIN(bin), source, convert, sink, nullptr);
    if (gst_element_link_many(source, convert, sink, nullptr) == FALSE) {
        gst_object_unref(bin);
        throw std::runtime_error("The video pipeline could not be linked");
    }
    return bin;
}

bool PelloraCaptureSource::Start(const PelloraDevice& device, QString* reason) {
    Stop();
    PelloraGst::EnsureInitialized();
    pipeline = BuildPipeline(device);
    GstStateChangeReturn result = gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstState state = GST_STATE_NULL;
    if (result != GST_STATE_CHANGE_FAILURE) {
        result = gst_element_get_state(pipeline, &state, nullptr,
                                       static_cast<GstClockTime>(kStartLimit.count()) * GST_SECOND);
    }
    if (result != GST_STATE_CHANGE_SUCCESS || state != GST_STATE_PLAYING) {
        QString why = BusError();
        if (why.isEmpty()) {
            why = result == GST_STATE_CHANGE_ASYNC ? QStringLiteral("no picture within the limit")
                                                   : QStringLiteral("the device did not start");
        }
        *reason = why;
        Stop();
        return false;
    }
    busTimer.start();
    return true;
}

void PelloraCaptureSource::Stop() {
    busTimer.stop();
    if (pipeline != nullptr) {
        // Joins the streaming thread, so no callback runs after this.
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        pipeline = nullptr;
    }
    std::lock_guard lock(frameMutex);
    newestFrame = QImage();
    failed = false;
}

QImage PelloraCaptureSource::NewestFrame(std::chrono::milliseconds wait) const {
    std::unique_lock lock(frameMutex);
    if (pipeline == nullptr) {
        return QImage();
    }
    frameCondition.wait_for(lock, wait, [this] { return failed || !newestFrame.isNull(); });
    return failed ? QImage() : newestFrame;
}

int PelloraCaptureSource::OnNewSample(GstAppSink* sink, void* self) {
    GstSample* sample = gst_app_sink_pull_sample(sink);
    if (sample == nullptr) {
        return GST_FLOW_EOS;
    }
    static_cast<PelloraCaptureSource*>(self)->TakeSample(sample);
    gst_sample_unref(sample);
    return GST_FLOW_OK;
}

// Streaming thread.
void PelloraCaptureSource::TakeSample(GstSample* sample) {
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (caps == nullptr || buffer == nullptr || gst_video_info_from_caps(&info, caps) == FALSE) {
        return;
    }
    GstVideoFrame frame;
    if (gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ) == FALSE) {
        return;
    }
    const QImage image(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                       GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                       GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32);
    QImage copy = image.copy();
    gst_video_frame_unmap(&frame);
    {
        std::lock_guard lock(frameMutex);
        newestFrame = std::move(copy);
    }
    frameCondition.notify_all();
    // One delivery in flight at a time: a busy GUI thread gets the newest frame, not a backlog.
    if (!deliveryPending.exchange(true)) {
        QMetaObject::invokeMethod(this, &PelloraCaptureSource::DeliverNewest, Qt::QueuedConnection);
    }
}

void PelloraCaptureSource::DeliverNewest() {
    deliveryPending = false;
    QImage frame;
    {
        std::lock_guard lock(frameMutex);
        frame = newestFrame;
    }
    if (!frame.isNull()) {
        Q_EMIT FrameArrived(frame);
    }
}

QString PelloraCaptureSource::BusError() const {
    if (pipeline == nullptr) {
        return QString();
    }
    GstBus* bus = gst_element_get_bus(pipeline);
    QString text;
    while (GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        if (text.isEmpty() && error != nullptr) {
            text = QString::fromUtf8(error->message);
        }
        g_clear_error(&error);
        gst_message_unref(message);
    }
    gst_object_unref(bus);
    return text;
}

void PelloraCaptureSource::PollBus() {
    if (pipeline == nullptr) {
        return;
    }
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* message =
        gst_bus_pop_filtered(bus, static_cast<GstMessageType>(GST_MESSAGE_ERROR | GST_MESSAGE_EOS));
    gst_object_unref(bus);
    if (message == nullptr) {
        return;
    }
    QString reason = QStringLiteral("the video source ended");
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        if (error != nullptr) {
            reason = QString::fromUtf8(error->message);
        }
        g_clear_error(&error);
    }
    gst_message_unref(message);
    MarkFailed();
    Q_EMIT Failed(reason);
}

void PelloraCaptureSource::MarkFailed() {
    busTimer.stop();
    gst_element_set_state(pipeline, GST_STATE_NULL);
    {
        std::lock_guard lock(frameMutex);
        failed = true;
        newestFrame = QImage();
    }
    frameCondition.notify_all();
}
