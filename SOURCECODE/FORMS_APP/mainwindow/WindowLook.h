#pragma once

class QSize;
class QWidget;

// The look the main, help and about windows share: a fixed size, Tahoma 8.25 pt and a white
// background.
class WindowLook final {
public:
    WindowLook() = delete;

    static void Apply(QWidget* window, const QSize& size);
};
