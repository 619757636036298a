#pragma once

#include <QString>

// One capture source as the device list shows it, with what it takes to open it.
struct PelloraDevice {
    QString name;    // display name in lstDevices
    QString element; // GStreamer source element: "v4l2src" or "videotestsrc"
    QString path;    // device node for v4l2src
    int pattern = 0; // picture for videotestsrc
};
