#pragma once

// What the benchmarks of the windows share: a start without a screen or a camera, and the
// controls they drive.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <stdexcept>
#include <string>

namespace BenchWindow {

// Windows go to the offscreen platform unless another is asked for; the webcam control reads
// the test source.
inline void Headless() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    qputenv("QUORVANE_TEST_CAMERA", "0");
}

template <typename T>
T* Find(const QObject& window, const char* name) {
    T* child = window.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) {
        throw std::runtime_error(std::string("no control ") + name);
    }
    return child;
}

} // namespace BenchWindow
