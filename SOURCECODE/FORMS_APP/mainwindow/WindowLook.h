#pragma once

#include <QPalette>

class QColor;
class QLabel;
class QRect;
class QSize;
class QString;
class QWidget;

// The look the main, help and about windows share: a fixed size, Tahoma 8.25 pt and a white
// background.
class WindowLook final {
public:
    WindowLook() = delete;

    static void Apply(QWidget* window, const QSize& size);

    // Mouse moves reach the window's own handler only from its bare background: each direct
    // child keeps its moves to itself. Call once every child is built.
    static void KeepMouseMovesToBackground(QWidget* window);

    static void SetColour(QWidget* widget, QPalette::ColorRole role, const QColor& colour);
    // A picture from the resources, stretched to its place.
    static QLabel* MakePicture(QWidget* parent, const QString& name, const QString& resource,
                               const QRect& place);
};
