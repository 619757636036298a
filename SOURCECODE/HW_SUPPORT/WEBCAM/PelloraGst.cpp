#include "PelloraGst.h"

#include <gst/gst.h>

#include <mutex>
#include <stdexcept>
#include <string>

void PelloraGst::EnsureInitialized() {
    static std::once_flag once;
    static std::string failure;
    std::call_once(once, [] {
        GError* error = nullptr;
        if (gst_init_check(nullptr, nullptr, &error) == FALSE) {
            failure = error != nullptr ? error->message : "GStreamer could not be initialised";
            g_clear_error(&error);
        }
    });
    if (!failure.empty()) {
        throw std::runtime_error(failure);
    }
}
