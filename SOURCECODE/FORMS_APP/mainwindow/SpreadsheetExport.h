#pragma once

#include <QString>

class QAbstractItemModel;

// Writes a list as an .xlsx workbook: row 1 the column headers, then one row per list row. The
// first column is stored as text, so pass numbers such as "0001" keep their zeros; a cell for
// which the model gives a date-time under the date role is a real date-time shown
// "dd-mmm-yyyy hh:mm:ss AM/PM"; every other cell is text. Columns are as wide as their content.
class SpreadsheetExport final {
public:
    // Data rows a worksheet holds below its header row.
    static constexpr int MaxDataRows = 1048575;

    SpreadsheetExport() = delete;

    // Writes the model's first rows, as many as a worksheet holds, and answers how many. Raises
    // CoreError with the reason on any failure; the file at path then does not exist, so a
    // workbook is either whole or absent. The folder of path holds the writer's temporary files.
    static int Write(const QAbstractItemModel& model, int dateTimeRole, const QString& path);
};
