#include "TempProgramFolder.h"

#include "core/DBManager.h"
#include "core/RecordSet.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

class RecordSetTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.IsValid()); }

    static RecordSet Query(const QString& statement) {
        std::optional<RecordSet> rows = DBManager().GetRecordSet(statement);
        EXPECT_TRUE(rows.has_value()) << statement.toStdString();
        return rows.value_or(RecordSet());
    }

    TempProgramFolder folder;
};

} // namespace

// Every kind of cell comes back as the engine gave it, by position, as text and as raw bytes.
TEST_F(RecordSetTest, EveryKindOfCellReadsBack) {
    const RecordSet rows = Query(QStringLiteral(
        "SELECT 42, -7000000000, 2.5, 'Élise O''Neil', '', NULL, x'00FF10', 'last'"));
    ASSERT_EQ(rows.RecordCount(), 1);
    ASSERT_EQ(rows.FieldCount(), 8);
    using Type = RecordSet::CellType;
    const struct {
        Type type;
        QVariant value;
    } cells[] = {
        {Type::Integer, QVariant(qlonglong{42})},
        {Type::Integer, QVariant(qlonglong{-7000000000})},
        {Type::Float, QVariant(2.5)},
        {Type::Text, QVariant(QStringLiteral("Élise O'Neil"))},
        {Type::Text, QVariant(QString(""))},
        {Type::Null, QVariant()},
        {Type::Blob, QVariant(QByteArray("\x00\xFF\x10", 3))},
        {Type::Text, QVariant(QStringLiteral("last"))},
    };
    for (int column = 0; column < 8; ++column) {
        SCOPED_TRACE(column);
        const auto& expected = cells[column];
        EXPECT_EQ(rows.Type(0, column), expected.type);
        EXPECT_EQ(rows.Value(0, column), expected.value);
        EXPECT_EQ(rows.Value(0, column).typeId(), expected.value.typeId());
        EXPECT_EQ(rows.IsNull(0, column), expected.type == Type::Null);
    }
    EXPECT_FALSE(rows.Value(0, 4).isNull()) << "an empty text is not Null";
    EXPECT_EQ(rows.Text(0, 0), QStringLiteral("42"));
    EXPECT_EQ(rows.Text(0, 5), QString());
    EXPECT_EQ(rows.Bytes(0, 3), std::string_view("\xC3\x89lise O'Neil"));
    EXPECT_TRUE(rows.Bytes(0, 0).empty());
    EXPECT_EQ(rows.Type(1, 0), Type::Null);
    EXPECT_EQ(rows.Type(0, 8), Type::Null);
}

// Many rows, and one row larger than the blocks the rows are packed into, keep their cells and
// their order; a copy stays whole when the original goes.
TEST_F(RecordSetTest, LargeResultsKeepEveryRow) {
    constexpr int Rows = 30000;
    std::optional<RecordSet> copy;
    {
        const RecordSet rows = Query(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                           "i < %1) SELECT i, 'Visitor ' || i || ' ' || hex(zeroblob(i % 40)), "
                           "CASE WHEN i = 777 THEN zeroblob(3000000) END FROM n")
                .arg(Rows));
        ASSERT_EQ(rows.RecordCount(), Rows);
        copy = rows;
    }
    for (const int row : {0, 1, 776, 777, 15000, Rows - 1}) {
        SCOPED_TRACE(row);
        const int i = row + 1;
        EXPECT_EQ(copy->Value(row, 0).toInt(), i);
        EXPECT_EQ(copy->Text(row, 1),
                  QStringLiteral("Visitor %1 %2").arg(i).arg(QString(2 * (i % 40), u'0')));
        EXPECT_EQ(copy->Bytes(row, 2).size(), i == 777 ? 3000000U : 0U);
        EXPECT_EQ(copy->IsNull(row, 2), i != 777);
    }
}

TEST_F(RecordSetTest, RowsBuiltByHandPadMissingCellsWithNull) {
    RecordSet rows({QStringLiteral("A"), QStringLiteral("B")});
    rows.AppendText("x");
    rows.EndRow();
    rows.AppendValue(QVariant(3));
    rows.AppendValue(QVariant(QStringLiteral("ü")));
    rows.EndRow();
    ASSERT_EQ(rows.RecordCount(), 2);
    EXPECT_EQ(rows.Text(0, 0), QStringLiteral("x"));
    EXPECT_TRUE(rows.Value(0, 1).isNull());
    EXPECT_EQ(rows.Value(1, 0), QVariant(qlonglong{3}));
    EXPECT_EQ(rows.Value(1, 1), QVariant(QStringLiteral("ü")));
    EXPECT_THROW(
        {
            rows.AppendNull();
            rows.AppendNull();
            rows.AppendNull();
        },
        std::logic_error);
}

// Rows built cell by cell that outgrow their block move whole into the next one.
TEST_F(RecordSetTest, RowsLargerThanWhatIsLeftOfABlockMoveWhole) {
    RecordSet rows({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    const std::string big(400000, 'x');
    for (int row = 0; row < 8; ++row) {
        rows.AppendText(std::to_string(row));
        rows.AppendText(big);
        rows.AppendText(big + std::to_string(row));
        rows.EndRow();
    }
    rows.AppendText("half a row");
    const RecordSet copy = rows;
    ASSERT_EQ(copy.RecordCount(), 8);
    for (int row = 0; row < 8; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(copy.Text(row, 0), QString::number(row));
        EXPECT_EQ(copy.Bytes(row, 1), big);
        EXPECT_EQ(copy.Bytes(row, 2), big + std::to_string(row));
    }
}

// A long query tells once, after its first rows, and gives every row in the end.
TEST_F(RecordSetTest, LongQueriesShowTheirFirstRows) {
    for (const int total : {RecordSet::FirstRowsCount - 1, RecordSet::FirstRowsCount, 250}) {
        SCOPED_TRACE(total);
        std::vector<int> told;
        std::vector<QString> firstTexts;
        const std::optional<RecordSet> rows = DBManager().GetRecordSet(
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                           "i < ?) SELECT 'Row ' || i FROM n"),
            {total}, [&](const RecordSet& first) {
                told.push_back(first.RecordCount());
                firstTexts.push_back(first.Text(first.RecordCount() - 1, 0));
            });
        ASSERT_TRUE(rows.has_value());
        EXPECT_EQ(rows->RecordCount(), total);
        if (total < RecordSet::FirstRowsCount) {
            EXPECT_TRUE(told.empty());
        } else {
            EXPECT_EQ(told, std::vector<int>({RecordSet::FirstRowsCount}));
            EXPECT_EQ(firstTexts.front(), QStringLiteral("Row 100"));
        }
    }
}
