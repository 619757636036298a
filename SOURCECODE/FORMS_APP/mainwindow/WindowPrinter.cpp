#include "WindowPrinter.h"

#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>

#include <stdexcept>

namespace {

QString& PdfFile() {
    static QString path;
    return path;
}

void Prepare(QPrinter& printer) {
    if (!PdfFile().isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(PdfFile());
        return;
    }
    const QPrinterInfo printerInfo = QPrinterInfo::defaultPrinter();
    if (printerInfo.isNull()) {
        throw std::runtime_error("No printer is installed or none is set as the default printer");
    }
    printer.setPrinterName(printerInfo.printerName());
}

} // namespace

void WindowPrinter::PrintWindow(QWidget* window) {
    // Screen resolution: one pixel of the window is one point of the page's 96 an inch, so the
    // window's fonts and positions keep their real size.
    QPrinter printer(QPrinter::ScreenResolution);
    Prepare(printer);
    printer.setDocName(window->windowTitle());
    // Recorded first: a window rendered straight onto a printer goes through a bitmap, which
    // would print blurred text that no reader can find in the file.
    QPicture card;
    {
        QPainter recorder(&card);
        window->render(&recorder, QPoint(), QRegion(),
                       QWidget::DrawWindowBackground | QWidget::DrawChildren);
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        throw std::runtime_error("The printer could not be started for " +
                                 window->windowTitle().toStdString());
    }
    painter.drawPicture(0, 0, card);
    if (!painter.end()) {
        throw std::runtime_error("The page could not be printed");
    }
}

void WindowPrinter::PrintToPdfFile(const QString& path) {
    PdfFile() = path;
}

void WindowPrinter::PrintToDefaultPrinter() {
    PdfFile().clear();
}
