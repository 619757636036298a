#pragma once

#include "PelloraDevice.h"

#include <optional>
#include <vector>

// The capture sources the control offers: the V4L2 video sources, or, when QUORVANE_TEST_CAMERA
// holds a number N, N test sources "Test Camera 1" ... "Test Camera N".
class PelloraDeviceList final {
public:
    PelloraDeviceList() = delete;

    // Throws std::runtime_error when GStreamer cannot start.
    static std::vector<PelloraDevice> Load();

private:
    static std::optional<int> TestCameraCount();
    static std::vector<PelloraDevice> TestCameras(int count);
    static std::vector<PelloraDevice> VideoSources();
};
