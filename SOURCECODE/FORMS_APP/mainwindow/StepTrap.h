#pragma once

#include <functional>

// The error trap of the routines whose failing steps are passed over: the step that fails is
// left as it is and the next one runs.
inline void SkippingErrors(const std::function<void()>& step) {
    try {
        step();
    } catch (...) {
    }
}
