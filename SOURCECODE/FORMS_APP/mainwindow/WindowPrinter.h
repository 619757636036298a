#pragma once

#include <QString>

class QWidget;

// The one way the program prints: a window's client area, as drawn, on one page of the system's
// default printer. Tests name a PDF file instead, so nothing reaches a real printer.
class WindowPrinter final {
public:
    WindowPrinter() = delete;

    // At the window's real size (96 pixels an inch) at the top-left of the page. Raises
    // std::runtime_error when there is no printer or the page cannot be printed.
    static void PrintWindow(QWidget* window);

    // Test seam: later prints go to this PDF file (overwritten each time) ...
    static void PrintToPdfFile(const QString& path);
    // ... or to the default printer again.
    static void PrintToDefaultPrinter();
};
