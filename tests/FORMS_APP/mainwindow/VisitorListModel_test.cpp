#include "mainwindow/VisitorListModel.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

using Kind = VisitorListModel::Kind;

QList<VisitorListModel::Column> Columns() {
    return {{QStringLiteral("Pass No."), Kind::Number},
            {QStringLiteral("Visitor Name"), Kind::Text},
            {QStringLiteral("Checked-In"), Kind::Date}};
}

QStringList Column(const VisitorListModel& model, int column) {
    QStringList cells;
    for (int row = 0; row < model.rowCount(); ++row) {
        cells.append(model.Text(row, column));
    }
    return cells;
}

} // namespace

TEST(VisitorListModelTest, DatesAreEnglishWhateverTheLocale) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {
        {"2024-02-01 15:04:05", "01-Feb-2024 03:04:05 PM"},
        {"2024-12-31 00:00:00", "31-Dec-2024 12:00:00 AM"},
        {"2025-05-09 12:59:59", "09-May-2025 12:59:59 PM"},
    };
    for (const auto& entry : cases) {
        EXPECT_EQ(VisitorListModel::ListDateText(QString::fromLatin1(entry.stored)),
                  QString::fromLatin1(entry.shown));
        EXPECT_EQ(VisitorListModel::ParseListDate(QString::fromLatin1(entry.shown)),
                  QDateTime::fromString(QString::fromLatin1(entry.stored),
                                        QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    QLocale::setDefault(previous);
    EXPECT_EQ(VisitorListModel::ListDateText(QVariant()), QString());
    EXPECT_EQ(VisitorListModel::ListDateText(QStringLiteral("not a date")),
              QStringLiteral("not a date"));
}

// Pass numbers sort by number and dates by date, not as text.
TEST(VisitorListModelTest, SortsEachColumnByItsKind) {
    VisitorListModel model(Columns());
    model.AppendRows({
        {QStringLiteral("9999"), QStringLiteral("bob"), QStringLiteral("02-Jan-2024 09:00:00 AM")},
        {QStringLiteral("10000"), QStringLiteral("Alice"),
         QStringLiteral("01-Feb-2024 09:00:00 AM")},
        {QStringLiteral("0002"), QStringLiteral("carol"),
         QStringLiteral("01-Feb-2024 08:00:00 PM")},
    });
    const struct {
        int column;
        Qt::SortOrder order;
        QStringList passNumbers;
    } cases[] = {
        {0, Qt::AscendingOrder, {"0002", "9999", "10000"}},
        {0, Qt::DescendingOrder, {"10000", "9999", "0002"}},
        {1, Qt::AscendingOrder, {"10000", "9999", "0002"}},
        {2, Qt::AscendingOrder, {"9999", "10000", "0002"}},
        {2, Qt::DescendingOrder, {"0002", "10000", "9999"}},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.column);
        model.sort(entry.column, entry.order);
        EXPECT_EQ(Column(model, 0), entry.passNumbers);
        EXPECT_TRUE(model.Sorted());
        EXPECT_EQ(model.SortKey(), entry.column);
        EXPECT_EQ(model.SortOrder(), entry.order);
    }
}

TEST(VisitorListModelTest, ChosenSortHoldsForRowsAddedLater) {
    VisitorListModel model(Columns());
    model.AppendRows({{QStringLiteral("0005")}, {QStringLiteral("0001")}});
    EXPECT_EQ(Column(model, 0), (QStringList{"0005", "0001"}));
    model.sort(0, Qt::DescendingOrder);
    model.Clear();
    model.AppendRows({{QStringLiteral("0003")}, {QStringLiteral("0010")}, {QStringLiteral("")}});
    EXPECT_EQ(Column(model, 0), (QStringList{"0010", "0003", ""}));
    EXPECT_EQ(model.Text(0, 2), QString());
}

TEST(VisitorListModelTest, ItemsAndSubItemsAreKeptByRow) {
    VisitorListModel model(Columns());
    const int row = model.AddItem(QStringLiteral("0001"));
    model.SetSubItem(row, 1, QStringLiteral("Ann"));
    model.SetSubItem(row, 5, QStringLiteral("ignored"));
    model.AddItem(QStringLiteral("0002"));
    EXPECT_EQ(model.ItemText(0), QStringLiteral("0001"));
    EXPECT_EQ(model.Text(0, 1), QStringLiteral("Ann"));
    model.RemoveItem(0);
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.ItemText(0), QStringLiteral("0002"));
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Checked-In"));
    // Cells show their text and nothing more.
    EXPECT_EQ(model.data(model.index(0, 0)).toString(), QStringLiteral("0002"));
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::ToolTipRole).isValid());
}
