#include "PelloraDeviceList.h"

#include "PelloraGst.h"

#include <QCollator>
#include <QtGlobal>

#include <gst/gst.h>

#include <algorithm>
#include <array>

namespace {

// videotestsrc patterns: SMPTE bars, then plain red, green and blue, so the sources differ.
constexpr std::array<int, 4> kTestPatterns{0, 4, 5, 6};

QString StructureText(const GstStructure* properties, const char* key) {
    const char* value = gst_structure_get_string(properties, key);
    return value != nullptr ? QString::fromUtf8(value) : QString();
}

std::optional<PelloraDevice> V4l2Device(GstDevice* device) {
    GstStructure* properties = gst_device_get_properties(device);
    if (properties == nullptr) {
        return std::nullopt;
    }
    const QString api = StructureText(properties, "device.api");
    QString path = StructureText(properties, "api.v4l2.path");
    if (path.isEmpty()) {
        path = StructureText(properties, "device.path");
    }
    gst_structure_free(properties);
    if (api != u"v4l2" || path.isEmpty()) {
        return std::nullopt;
    }
    gchar* name = gst_device_get_display_name(device);
    PelloraDevice entry{QString::fromUtf8(name).trimmed(), QStringLiteral("v4l2src"), path, 0};
    g_free(name);
    return entry;
}

} // namespace

std::vector<PelloraDevice> PelloraDeviceList::Load() {
    if (const std::optional<int> count = TestCameraCount()) {
        return TestCameras(*count);
    }
    return VideoSources();
}

std::optional<int> PelloraDeviceList::TestCameraCount() {
    if (!qEnvironmentVariableIsSet("QUORVANE_TEST_CAMERA")) {
        return std::nullopt;
    }
    bool ok = false;
    const int count = qEnvironmentVariable("QUORVANE_TEST_CAMERA").trimmed().toInt(&ok);
    if (!ok || count < 0) {
        return std::nullopt;
    }
    return count;
}

std::vector<PelloraDevice> PelloraDeviceList::TestCameras(int count) {
    std::vector<PelloraDevice> cameras;
    for (int k = 1; k <= count; ++k) {
        const int pattern = kTestPatterns.at(static_cast<size_t>(k - 1) % kTestPatterns.size());
        cameras.push_back({u"Test Camera " % QString::number(k), QStringLiteral("videotestsrc"),
                           QString(), pattern});
    }
    return cameras;
}

std::vector<PelloraDevice> PelloraDeviceList::VideoSources() {
    PelloraGst::EnsureInitialized();
    std::vector<PelloraDevice> sources;
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    GstCaps* caps = gst_caps_new_empty_simple("video/x-raw");
    gst_device_monitor_add_filter(monitor, "Video/Source", caps);
    gst_caps_unref(caps);
    // Another provider (PipeWire) may hide the V4L2 one; only V4L2 sources can be opened here.
    gst_device_monitor_set_show_all_devices(monitor, TRUE);
    if (gst_device_monitor_start(monitor) == TRUE) {
        GList* devices = gst_device_monitor_get_devices(monitor);
        for (GList* item = devices; item != nullptr; item = item->next) {
            if (std::optional<PelloraDevice> entry = V4l2Device(GST_DEVICE(item->data))) {
                sources.push_back(*entry);
            }
        }
        g_list_free_full(devices, gst_object_unref);
        gst_device_monitor_stop(monitor);
    }
    gst_object_unref(monitor);
    // The monitor's order is arbitrary; /dev/video0 comes first, /dev/video10 after /dev/video2.
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(sources.begin(), sources.end(),
              [&collator](const PelloraDevice& a, const PelloraDevice& b) {
                  return collator.compare(a.path, b.path) < 0;
              });
    return sources;
}
