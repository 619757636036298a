// Export of the search results to a spreadsheet workbook, handed to the desktop's program for
// .xlsx files.
#include "frmMain.h"

#include "BusyPointer.h"
#include "MsgBox.h"
#include "SearchResultsModel.h"
#include "SpreadsheetExport.h"
#include "core/AppEnvironment.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

namespace {

// A new name in the temporary folder for every export, so an open workbook is never overwritten.
QString ExportPath() {
    const QString stem = AppEnvironment::TempFolder() + QStringLiteral("Quorvane Search ") +
                         AppEnvironment::Now().toString(QStringLiteral("yyyyMMddHHmmss"));
    QString path = stem + QStringLiteral(".xlsx");
    for (int n = 2; QFile::exists(path); ++n) {
        path = stem + QStringLiteral(" (%1).xlsx").arg(n);
    }
    return path;
}

} // namespace

void frmMain::QVReport_Click() {
    const QString title = windowTitle();
    const int rows = mdlSearchResults->rowCount();
    if (rows == 0) {
        MsgBox::Show(this, QStringLiteral("No data to export"), MsgBox::Buttons::OK,
                     MsgBox::Icon::Information, title);
        return;
    }
    QString path;
    int written = 0;
    try {
        // Gone before any box below, the failure's included.
        const BusyPointer busy;
        path = ExportPath();
        written =
            SpreadsheetExport::Write(*mdlSearchResults, SearchResultsModel::DateTimeRole, path);
    } catch (const std::exception& error) {
        MsgBox::Show(this,
                     QStringLiteral("The search results could not be exported!\r\n") +
                         QString::fromUtf8(error.what()),
                     MsgBox::Buttons::OK, MsgBox::Icon::Critical, title);
        return;
    }
    if (written < rows) {
        MsgBox::Show(this,
                     QStringLiteral("A worksheet holds %1 rows: only the first %1 of the %2 "
                                    "listed visits were exported!")
                         .arg(written)
                         .arg(rows),
                     MsgBox::Buttons::OK, MsgBox::Icon::Exclamation, title);
    }
    MsgBox::Show(this, QStringLiteral("Export Completed"), MsgBox::Buttons::OK,
                 MsgBox::Icon::Information, title);
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        MsgBox::Show(this,
                     QStringLiteral("The workbook could not be opened, as no program for .xlsx "
                                    "files is set up.\r\nIt was saved as ") +
                         path,
                     MsgBox::Buttons::OK, MsgBox::Icon::Critical, title);
    }
}
