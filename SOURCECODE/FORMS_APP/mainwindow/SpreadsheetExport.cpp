#include "SpreadsheetExport.h"

#include "core/CoreError.h"

#include <QAbstractItemModel>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

const char* const kDateFormat = "dd-mmm-yyyy hh:mm:ss AM/PM";
// Width of a shown date in characters, and the widest column the format allows.
constexpr double kDateWidth = 24;
constexpr double kMaxWidth = 255;

// The workbook being written, closed (and so written out) once, or dropped unwritten.
class Workbook final {
public:
    Workbook(const QString& path, const QString& tempFolder)
        : m_tempFolder(QDir::toNativeSeparators(tempFolder).toLocal8Bit()) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = m_tempFolder.data();
        options.use_zip64 = LXW_TRUE;
        m_book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
        if (m_book == nullptr) {
            throw CoreError(QStringLiteral("The workbook could not be created in ") + tempFolder);
        }
    }
    ~Workbook() {
        if (m_book != nullptr) {
            // Nothing more can be done about a failure here: the caller removes the file.
            workbook_close(m_book);
        }
    }
    Q_DISABLE_COPY_MOVE(Workbook)

    lxw_workbook* Get() const { return m_book; }

    void Close() {
        const lxw_error error = workbook_close(std::exchange(m_book, nullptr));
        Check(error);
    }

    static void Check(lxw_error error) {
        if (error != LXW_NO_ERROR) {
            throw CoreError(QString::fromUtf8(lxw_strerror(error)));
        }
    }

private:
    QByteArray m_tempFolder;
    lxw_workbook* m_book = nullptr;
};

lxw_datetime ToDateTime(const QDateTime& value) {
    const QDate date = value.date();
    const QTime time = value.time();
    return {date.year(), date.month(),  date.day(),
            time.hour(), time.minute(), static_cast<double>(time.second())};
}

void WriteText(lxw_worksheet* sheet, int row, int column, const QString& text, lxw_format* format,
               std::vector<double>& widths) {
    if (text.isEmpty()) {
        return;
    }
    Workbook::Check(worksheet_write_string(sheet, static_cast<lxw_row_t>(row),
                                           static_cast<lxw_col_t>(column),
                                           text.toUtf8().constData(), format));
    widths[static_cast<std::size_t>(column)] =
        std::max(widths[static_cast<std::size_t>(column)], static_cast<double>(text.size()) + 1);
}

void WriteRows(lxw_worksheet* sheet, const QAbstractItemModel& model, int dateTimeRole, int rows,
               lxw_format* textFormat, lxw_format* dateFormat) {
    const int columns = model.columnCount();
    std::vector<double> widths(static_cast<std::size_t>(columns), 0);
    for (int column = 0; column < columns; ++column) {
        WriteText(sheet, 0, column, model.headerData(column, Qt::Horizontal).toString(), nullptr,
                  widths);
    }
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const QModelIndex index = model.index(row, column);
            const QVariant when = model.data(index, dateTimeRole);
            if (column > 0 && when.typeId() == QMetaType::QDateTime &&
                when.toDateTime().isValid()) {
                lxw_datetime value = ToDateTime(when.toDateTime());
                Workbook::Check(worksheet_write_datetime(sheet, static_cast<lxw_row_t>(row + 1),
                                                         static_cast<lxw_col_t>(column), &value,
                                                         dateFormat));
                widths[static_cast<std::size_t>(column)] =
                    std::max(widths[static_cast<std::size_t>(column)], kDateWidth);
                continue;
            }
            WriteText(sheet, row + 1, column, model.data(index).toString(),
                      column == 0 ? textFormat : nullptr, widths);
        }
    }
    for (int column = 0; column < columns; ++column) {
        const double width = std::min(widths[static_cast<std::size_t>(column)], kMaxWidth);
        Workbook::Check(worksheet_set_column(
            sheet, static_cast<lxw_col_t>(column), static_cast<lxw_col_t>(column),
            width > 0 ? width : LXW_DEF_COL_WIDTH, column == 0 ? textFormat : nullptr));
    }
}

} // namespace

int SpreadsheetExport::Write(const QAbstractItemModel& model, int dateTimeRole,
                             const QString& path) {
    const int rows = std::min(model.rowCount(), MaxDataRows);
    // Written under a name of its own first, so a failure never leaves a workbook behind. The
    // temporary folder is shared by every user of the workstation: the file is made readable by
    // this user alone (mode 0600) before the writer opens it, and the writer keeps that mode as it
    // truncates and fills it. Until renamed, it is removed again on any failure.
    QTemporaryFile partial(path + QStringLiteral(".XXXXXX.part"));
    if (!partial.open()) {
        throw CoreError(QStringLiteral("The workbook could not be created in ") +
                        QFileInfo(path).absolutePath() + QStringLiteral(": ") +
                        partial.errorString());
    }
    partial.close();
    {
        Workbook book(partial.fileName(), QFileInfo(path).absolutePath());
        lxw_worksheet* sheet = workbook_add_worksheet(book.Get(), nullptr);
        lxw_format* textFormat = workbook_add_format(book.Get());
        lxw_format* dateFormat = workbook_add_format(book.Get());
        if (sheet == nullptr || textFormat == nullptr || dateFormat == nullptr) {
            throw CoreError(QStringLiteral("The worksheet could not be created in ") +
                            QFileInfo(path).absolutePath());
        }
        format_set_num_format(textFormat, "@");
        format_set_num_format(dateFormat, kDateFormat);
        WriteRows(sheet, model, dateTimeRole, rows, textFormat, dateFormat);
        book.Close();
        if (QFile::exists(path) && !QFile::remove(path)) {
            throw CoreError(QStringLiteral("An older file of the same name cannot be replaced: ") +
                            path);
        }
        if (!partial.rename(path)) {
            throw CoreError(QStringLiteral("The workbook could not be written as ") + path);
        }
        partial.setAutoRemove(false);
    }
    return rows;
}
