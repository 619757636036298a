// The two lists' column widths, kept per user from one run to the next in twips (15 a pixel), the
// lists' own unit, so stored values keep their meaning.
#include "frmMain.h"

#include "core/AppEnvironment.h"
#include "core/CoreError.h"

#include <QAbstractItemModel>
#include <QSettings>
#include <QTreeView>

#include <cmath>
#include <memory>

namespace {

constexpr int kTwipsPerPixel = 15;
const QString kCheckedInKey = QStringLiteral("CheckedInListWidth");
const QString kSearchKey = QStringLiteral("SearchListWidth");

QString Widths(const QTreeView* list) {
    QStringList widths;
    for (int column = 0; column < list->model()->columnCount(); ++column) {
        widths.append(QString::number(list->columnWidth(column) * kTwipsPerPixel));
    }
    return widths.join(u',');
}

// Sets the columns one by one from the stored text; the first element that is missing or no
// width raises, and the columns set before it keep their new widths.
void SetWidths(QTreeView* list, const QString& stored) {
    const QStringList elements = stored.split(u',');
    for (int column = 0; column < list->model()->columnCount(); ++column) {
        if (column >= elements.size()) {
            throw CoreError(QStringLiteral("Subscript out of range"));
        }
        bool ok = false;
        const double twips = elements.at(column).toDouble(&ok);
        if (!ok || !std::isfinite(twips) || twips < 0 || twips > 1e6) {
            throw CoreError(QStringLiteral("Type mismatch"));
        }
        list->setColumnWidth(column, static_cast<int>(std::lround(twips / kTwipsPerPixel)));
    }
}

} // namespace

void frmMain::LoadListWidths() {
    const std::unique_ptr<QSettings> settings = AppEnvironment::UserSettings();
    settings->beginGroup(QStringLiteral("Others"));
    const QString checkedIn = settings->value(kCheckedInKey, QString()).toString();
    if (checkedIn.isEmpty()) {
        return;
    }
    try {
        SetWidths(lstCheckedInList, checkedIn);
        SetWidths(lstSearchResults, settings->value(kSearchKey, QString()).toString());
    } catch (const CoreError&) {
        // Restoring stops silently at the first element it cannot use.
    }
}

void frmMain::SaveListWidths() {
    const std::unique_ptr<QSettings> settings = AppEnvironment::UserSettings();
    settings->beginGroup(QStringLiteral("Others"));
    settings->setValue(kCheckedInKey, Widths(lstCheckedInList));
    settings->setValue(kSearchKey, Widths(lstSearchResults));
}
