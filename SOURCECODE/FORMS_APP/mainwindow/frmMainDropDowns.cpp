// The combo boxes' lists, built from the values earlier visits stored.
#include "frmMain.h"

#include "core/RecordSet.h"
#include "core/Visitor.h"
#include "core/basCommon.h"

#include <QComboBox>
#include <QHash>
#include <QScopeGuard>

#include <exception>
#include <future>
#include <memory>
#include <optional>
#include <system_error>
#include <vector>

namespace {

// Items one combo box holds at most, its fixed items included.
constexpr int kItemCap = 15000;

const QStringList kVisitorTypes = {QStringLiteral("General"), QStringLiteral("Vendor"),
                                   QStringLiteral("Others")};
const QString kVisitorTypeDefaults = QStringLiteral("('General', 'Vendor', 'Others')");
const QStringList kPurposes = {QStringLiteral("Official"), QStringLiteral("Personal")};
const QString kPurposeDefaults = QStringLiteral("('Official', 'Personal')");

// What a refill reads: a column, its exclusion list and the room its box has after its fixed
// items.
struct Reading {
    QString column;
    QString filter;
    int room;
};

QString KeyOf(const Reading& reading) {
    return reading.column + u'\n' + reading.filter + u'\n' + QString::number(reading.room);
}

// The readings of the nine lists, those of the same column and room once.
const std::vector<Reading>& RefillReadings() {
    static const std::vector<Reading> readings = {
        {QStringLiteral("VisitorType"), kVisitorTypeDefaults,
         kItemCap - static_cast<int>(kVisitorTypes.size())},
        {QStringLiteral("Purpose"), kPurposeDefaults,
         kItemCap - static_cast<int>(kPurposes.size())},
        {QStringLiteral("Company"), QString(), kItemCap},
        {QStringLiteral("Department"), QString(), kItemCap},
        {QStringLiteral("ToMeet"), QString(), kItemCap},
        {QStringLiteral("Purpose"), QString(), kItemCap},
        {QStringLiteral("VisitorType"), QString(), kItemCap},
    };
    return readings;
}

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

// The readings of one refill under way or done, by column, exclusion list and room.
struct frmMain::DropDownReadings {
    QHash<QString, std::shared_future<std::optional<QStringList>>> values;
};

// A column of tens of thousands of distinct values takes about as long to read as all the others
// together, so the readings run at once, each on its own connection; the boxes are still filled
// one after the other in their order. A box whose room differs from the one foreseen reads for
// itself.
void frmMain::StartDropDownReadings() {
    auto readings = std::make_shared<DropDownReadings>();
    try {
        for (const Reading& reading : RefillReadings()) {
            readings->values.insert(KeyOf(reading),
                                    std::async(std::launch::async, ReadValues, reading.column,
                                               reading.filter, reading.room)
                                        .share());
        }
    } catch (const std::system_error&) {
        // No thread to be had: the readings not started are made by their boxes.
    }
    ddPending = std::move(readings);
}

void frmMain::FillDropDowns() {
    if (!ddPending) {
        StartDropDownReadings();
    }
    const std::shared_ptr<DropDownReadings> readings = std::move(ddPending);
    ddReadings = readings.get();
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
        const QString key = KeyOf({ColumnName, FilterDefaults, room});
        const std::optional<QStringList> values =
            ddReadings != nullptr && ddReadings->values.contains(key)
                ? ddReadings->values.value(key).get()
                : ReadValues(ColumnName, FilterDefaults, room);
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
    FillDetailsDD(ddVisitorType, QStringLiteral("VisitorType"), kVisitorTypes,
                  kVisitorTypeDefaults);
    SetTextOnly(ddVisitorType, RememberedDefault("VType"));
}

void frmMain::FillCompanyDD() {
    FillDetailsDD(ddCompany, QStringLiteral("Company"), {}, QString());
}

void frmMain::FillPurposeDD() {
    FillDetailsDD(ddPurpose, QStringLiteral("Purpose"), kPurposes, kPurposeDefaults);
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
