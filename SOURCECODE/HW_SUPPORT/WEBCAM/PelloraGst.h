#pragma once

// GStreamer is started once per process, on first use, without a GLib main loop.
class PelloraGst final {
public:
    PelloraGst() = delete;

    // Throws std::runtime_error with GStreamer's reason when it cannot start.
    static void EnsureInitialized();
};
