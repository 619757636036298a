// The combo boxes' lists, built from the values earlier visits stored.
#include "frmMain.h"

#include "core/RecordSet.h"
#include "core/Visitor.h"
#include "core/basCommon.h"

#include <QComboBox>
#include <QHash>
#include <QScopeGuard>

#include <exception>
#include <optional>

namespace {

// Items one combo box holds at most, its fixed items included.
constexpr int kItemCap = 15000;

const QString kPurposeDefaults = QStringLiteral("('Official', 'Personal')");

// The list changes without the box taking one of its items as its text.
void SetTextOnly(QComboBox* box, const QString& text) {
    box->setCurrentIndex(-1);
    box->setEditText(text);
}

// Only as many values are read as the box has room for; nothing when the reading failed.
std::optional<QStringList> ReadValues(const QString& ColumnName, const QString& FilterDefaults,
                                      int room) {
    const std::optional<RecordSet> values = Visitor().GetDDValues(ColumnName, FilterDefaults, room);
    if (!values) {
        return std::nullopt;
    }
    const int count = qMin(values->RecordCount(), room);
    QStringList items;
    items.reserve(count);
    for (int row = 0; row < count; ++row) {
        items.append(values->Value(row, 0).toString());
    }
    return items;
}

} // namespace

// What each reading of one refill gave, failed ones included, by column, exclusion list and room.
struct frmMain::DropDownReadings {
    QHash<QString, std::optional<QStringList>> values;
};

void frmMain::FillDropDowns() {
    DropDownReadings readings;
    ddReadings = &readings;
    const auto done = qScopeGuard([this] { ddReadings = nullptr; });
    FillVisitorTypeDD();
    FillCompanyDD();
    FillPurposeDD();
    FillDepartmentDD();
    FillSearchCompanyDD();
    FillSearchToMeetDD();
    FillSearchDepartmentDD();
    FillSearchPurposeDD();
    FillSearchVisitorTypeDD();
}

// Appends the column's distinct values; a failure is logged and keeps what was added so far.
void frmMain::FillDDValues(const QString& ColumnName, const QString& FilterDefaults,
                           QComboBox* box) {
    try {
        const int room = kItemCap - box->count();
        if (room <= 0) {
            return;
        }
        std::optional<QStringList> values;
        const QString key = ColumnName + u'\n' + FilterDefaults + u'\n' + QString::number(room);
        if (ddReadings != nullptr && ddReadings->values.contains(key)) {
            values = ddReadings->values.value(key);
        } else {
            values = ReadValues(ColumnName, FilterDefaults, room);
            if (ddReadings != nullptr) {
                ddReadings->values.insert(key, values);
            }
        }
        if (!values) {
            throw std::runtime_error("The values of " + ColumnName.toStdString() +
                                     " could not be read");
        }
        box->addItems(*values);
    } catch (const std::exception& error) {
        basCommon::WriteLog(QString::fromUtf8(error.what()) + QStringLiteral("\r\nDD Name --> ") +
                                box->objectName(),
                            QStringLiteral("FillDDValues"));
    }
}

void frmMain::FillDetailsDD(QComboBox* box, const QString& ColumnName,
                            const QStringList& fixedItems, const QString& FilterDefaults) {
    box->clear();
    box->addItems(fixedItems);
    FillDDValues(ColumnName, FilterDefaults, box);
    SetTextOnly(box, QString());
}

// A filter the user typed or chose survives the refill.
void frmMain::FillSearchDD(QComboBox* box, const QString& ColumnName) {
    const QString kept = box->currentText();
    box->clear();
    FillDDValues(ColumnName, QString(), box);
    SetTextOnly(box, kept);
}

void frmMain::FillVisitorTypeDD() {
    FillDetailsDD(ddVisitorType, QStringLiteral("VisitorType"),
                  {QStringLiteral("General"), QStringLiteral("Vendor"), QStringLiteral("Others")},
                  QStringLiteral("('General', 'Vendor', 'Others')"));
    SetTextOnly(ddVisitorType, RememberedDefault("VType"));
}

void frmMain::FillCompanyDD() {
    FillDetailsDD(ddCompany, QStringLiteral("Company"), {}, QString());
}

void frmMain::FillPurposeDD() {
    FillDetailsDD(ddPurpose, QStringLiteral("Purpose"),
                  {QStringLiteral("Official"), QStringLiteral("Personal")}, kPurposeDefaults);
    SetTextOnly(ddPurpose, RememberedDefault("VPurpose"));
}

// No exclusion list: a department may well be called "Personal".
void frmMain::FillDepartmentDD() {
    FillDetailsDD(ddDepartment, QStringLiteral("Department"), {}, QString());
}

void frmMain::FillSearchVisitorTypeDD() {
    FillSearchDD(ddSearchVisitorType, QStringLiteral("VisitorType"));
}

void frmMain::FillSearchCompanyDD() {
    FillSearchDD(ddSearchCompany, QStringLiteral("Company"));
}

void frmMain::FillSearchToMeetDD() {
    FillSearchDD(txtSearchToMeet, QStringLiteral("ToMeet"));
}

void frmMain::FillSearchPurposeDD() {
    FillSearchDD(ddSearchPurpose, QStringLiteral("Purpose"));
}

void frmMain::FillSearchDepartmentDD() {
    FillSearchDD(ddSearchDepartment, QStringLiteral("Department"));
}
