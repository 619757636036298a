#include "frmMainSearchFixture.h"

#include <vector>

namespace {

// Design widths in pixels (twips / 15, rounded down where the design is not a whole pixel).
const std::vector<int> kCheckedInDesign = {96, 133, 107, 107, 96, 96};
const std::vector<int> kSearchDesign = {96, 120, 96, 96, 96, 96, 96, 96, 96, 96, 96};

class frmMainListWidthsTest : public frmMainSearchTest {
protected:
    std::vector<int> Widths(const char* list) const {
        const auto* view = Child<QTreeView>(QString::fromLatin1(list));
        std::vector<int> widths;
        for (int column = 0; column < view->model()->columnCount(); ++column) {
            widths.push_back(view->columnWidth(column));
        }
        return widths;
    }

    static void Store(const char* key, const char* value) {
        if (value != nullptr) {
            UserSettings()->setValue(QString::fromLatin1(key), QString::fromLatin1(value));
        }
    }
};

std::vector<int> With(std::vector<int> widths, std::initializer_list<int> first) {
    std::size_t column = 0;
    for (const int width : first) {
        widths[column++] = width;
    }
    return widths;
}

} // namespace

// Nothing stored: design widths. Widths changed and the window closed: both lists come back
// with every column as it was left, stored in twips.
TEST_F(frmMainListWidthsTest, SavedOnCloseAndRestoredOnLoad) {
    OpenWindow();
    EXPECT_EQ(Widths("lstCheckedInList"), kCheckedInDesign);
    EXPECT_EQ(Widths("lstSearchResults"), kSearchDesign);
    EXPECT_EQ(UserValue("CheckedInListWidth"), QStringLiteral("<absent>"));

    auto* checkedIn = Child<QTreeView>(QStringLiteral("lstCheckedInList"));
    auto* search = Child<QTreeView>(QStringLiteral("lstSearchResults"));
    for (int column = 0; column < 6; ++column) {
        checkedIn->setColumnWidth(column, 50 + column);
    }
    for (int column = 0; column < 11; ++column) {
        search->setColumnWidth(column, 70 + column);
    }
    window->close();
    ASSERT_FALSE(window->isVisible());
    EXPECT_EQ(UserValue("CheckedInListWidth"), QStringLiteral("750,765,780,795,810,825"));
    EXPECT_EQ(UserValue("SearchListWidth"),
              QStringLiteral("1050,1065,1080,1095,1110,1125,1140,1155,1170,1185,1200"));

    window.reset();
    OpenWindow();
    EXPECT_EQ(Widths("lstCheckedInList"), std::vector<int>({50, 51, 52, 53, 54, 55}));
    EXPECT_EQ(Widths("lstSearchResults"),
              std::vector<int>({70, 71, 72, 73, 74, 75, 76, 77, 78, 79, 80}));
}

// Restoring stops silently at the first element it cannot use; what was set before stays.
TEST_F(frmMainListWidthsTest, MalformedValues) {
    const struct {
        const char* name;
        const char* checkedIn; // nullptr: absent
        const char* search;
        std::vector<int> checkedInWidths;
        std::vector<int> searchWidths;
    } cases[] = {
        {"checked-in absent", nullptr, "150,150,150,150,150,150,150,150,150,150,150",
         kCheckedInDesign, kSearchDesign},
        {"checked-in empty", "", "150,150,150,150,150,150,150,150,150,150,150", kCheckedInDesign,
         kSearchDesign},
        {"four numbers", "450,600,750,900", "150,150,150,150,150,150,150,150,150,150,150",
         With(kCheckedInDesign, {30, 40, 50, 60}), kSearchDesign},
        {"extra numbers",
         "450,600,750,900,1050,1200,1350,1500",
         "450,450,450,450,450,450,450,450,450,450,450,99,99",
         {30, 40, 50, 60, 70, 80},
         std::vector<int>(11, 30)},
        {"third not a number", "450,600,abc,900,1050,1200",
         "150,150,150,150,150,150,150,150,150,150,150", With(kCheckedInDesign, {30, 40}),
         kSearchDesign},
        {"search absent",
         "450,600,750,900,1050,1200",
         nullptr,
         {30, 40, 50, 60, 70, 80},
         kSearchDesign},
        {"search third not a number",
         "450,600,750,900,1050,1200",
         "600,600,,600,600,600,600,600,600,600,600",
         {30, 40, 50, 60, 70, 80},
         With(kSearchDesign, {40, 40})},
        {"fractions and negatives", "1500.5,-15,750,900,1050,1200", nullptr,
         With(kCheckedInDesign, {100}), kSearchDesign},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        UserSettings()->remove(QString());
        Store("CheckedInListWidth", entry.checkedIn);
        Store("SearchListWidth", entry.search);
        OpenWindow();
        EXPECT_EQ(Widths("lstCheckedInList"), entry.checkedInWidths);
        EXPECT_EQ(Widths("lstSearchResults"), entry.searchWidths);
        EXPECT_TRUE(MsgBox::Recorded().empty());
        EXPECT_TRUE(folder.LogLines().isEmpty());
        window.reset();
    }
}
