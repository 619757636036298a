#include "frmMainFixture.h"

#include "core/AppEnvironment.h"
#include "mainwindow/LinkLabel.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

namespace {

struct ModeCase {
    const char* name;
    void (frmMain::*enter)();
    std::vector<const char*> shown;
    std::vector<const char*> hidden;
    const char* panel;
    const char* focus; // nullptr: the mode moves no focus
};

const std::vector<ModeCase>& ModeCases() {
    static const std::vector<ModeCase> cases = {
        {"New",
         &frmMain::EnableNewMode,
         {"fraMain", "btnCheckIn", "btnClear", "fraWebCamControlContainer"},
         {"fraSearch", "fraCheckedInList", "btnUpdate", "btnCheckOut", "btnDelete", "btnCancel",
          "imgVImagePreview"},
         "Add new visitor and print a pass",
         "txtPassNo"},
        {"Edit",
         &frmMain::EnableEditMode,
         {"fraMain", "btnUpdate", "btnCancel", "btnCheckOut", "btnDelete"},
         {"fraSearch", "fraCheckedInList", "btnClear", "btnCheckIn"},
         "Edit checked in visitor",
         "txtPassNo"},
        {"Search",
         &frmMain::EnableSearchMode,
         {"fraSearch"},
         {"fraMain", "fraCheckedInList"},
         "Search for Visitors with available filters",
         "txtSearchPassNo"},
        {"CheckedInList",
         &frmMain::EnableCheckedInListMode,
         {"fraCheckedInList"},
         {"fraMain", "fraSearch"},
         "View the list of all checked-in visitors",
         nullptr},
    };
    return cases;
}

class frmMainModesTest : public frmMainTest, public ::testing::WithParamInterface<ModeCase> {};

} // namespace

// Each mode is entered from every other one and sets exactly what it lists.
TEST_P(frmMainModesTest, SetsPagesButtonsHintAndFocus) {
    const ModeCase& mode = GetParam();
    frmMain& main = OpenWindow();
    for (const ModeCase& before : ModeCases()) {
        SCOPED_TRACE(std::string("from ") + before.name);
        (main.*before.enter)();
        QWidget* focusBefore = main.focusWidget();
        (main.*mode.enter)();
        for (const char* name : mode.shown) {
            EXPECT_TRUE(Shown(QString::fromLatin1(name))) << name;
        }
        for (const char* name : mode.hidden) {
            EXPECT_FALSE(Shown(QString::fromLatin1(name))) << name;
        }
        EXPECT_EQ(Panel(1), QString::fromLatin1(mode.panel));
        if (mode.focus != nullptr) {
            EXPECT_EQ(main.focusWidget(), Child(QString::fromLatin1(mode.focus)));
        } else if (before.enter == mode.enter) {
            EXPECT_EQ(main.focusWidget(), focusBefore);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, frmMainModesTest, ::testing::ValuesIn(ModeCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(frmMainTest, LoadingOpensTheNewVisitorModeAndStacksThePages) {
    // The day's advertisement comes to the front of the pictures; the fifth keeps their design
    // order.
    {
        const std::unique_ptr<QSettings> settings = AppEnvironment::UserSettings();
        settings->beginGroup(QStringLiteral("Others"));
        settings->setValue(QStringLiteral("AdRotNo"), QStringLiteral("4"));
        settings->setValue(QStringLiteral("AdRotDate"), QString());
    }
    frmMain& main = OpenWindow();
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Quorvane Lite :: Visitor Management System"));
    EXPECT_EQ(main.size(), QSize(818, 633));
    EXPECT_EQ(main.minimumSize(), main.maximumSize());
    EXPECT_EQ(Panel(1), QStringLiteral("Add new visitor and print a pass"));
    EXPECT_TRUE(Shown(QStringLiteral("fraMain")));
    EXPECT_EQ(Child(QStringLiteral("fraSearch"))->geometry(),
              Child(QStringLiteral("fraMain"))->geometry());
    EXPECT_EQ(Child(QStringLiteral("fraCheckedInList"))->geometry(),
              Child(QStringLiteral("fraMain"))->geometry());

    // Topmost first; the webcam frame lies above the details page, under the other pages.
    const QStringList topmostFirst = {
        QStringLiteral("fraSimpleSearch"), QStringLiteral("fraCheckedInList"),
        QStringLiteral("fraSearch"),       QStringLiteral("frameAdvertisements"),
        QStringLiteral("statusBar"),       QStringLiteral("fraWebCamControlContainer"),
        QStringLiteral("fraMain"),         QStringLiteral("picAd5"),
        QStringLiteral("picAd4"),          QStringLiteral("picAd3"),
        QStringLiteral("picAd2"),          QStringLiteral("picAd1")};
    const QObjectList children = main.children();
    for (int index = 1; index < topmostFirst.size(); ++index) {
        EXPECT_GT(children.indexOf(Child(topmostFirst.at(index - 1))),
                  children.indexOf(Child(topmostFirst.at(index))))
            << topmostFirst.at(index - 1).toStdString() << " over "
            << topmostFirst.at(index).toStdString();
    }
    EXPECT_TRUE(Child(QStringLiteral("fraMain"))
                    ->geometry()
                    .contains(Child(QStringLiteral("fraWebCamControlContainer"))->geometry()));
    EXPECT_EQ(Child(QStringLiteral("ctlWebcam"))->parentWidget(),
              Child(QStringLiteral("fraWebCamControlContainer")));
}

TEST_F(frmMainTest, DetailsPageKeepsItsNewVisitorHeaderInEditMode) {
    frmMain& main = OpenWindow();
    main.EnableEditMode();
    EXPECT_EQ(Child(QStringLiteral("fraMainHeader"))->property("text").toString(),
              QStringLiteral("Visitor: New"));
}

TEST_F(frmMainTest, ModesLeaveUnlistedControlsAsTheyWere) {
    frmMain& main = OpenWindow();
    main.EnableEditMode();
    main.EnableSearchMode();
    main.EnableCheckedInListMode();
    // Neither page switch touches the edit buttons or the webcam frame.
    EXPECT_TRUE(Shown(QStringLiteral("btnUpdate")));
    EXPECT_FALSE(Shown(QStringLiteral("btnCheckIn")));
    EXPECT_TRUE(Shown(QStringLiteral("fraWebCamControlContainer")));
    main.EnableNewMode();
    EXPECT_FALSE(Shown(QStringLiteral("btnUpdate")));
    EXPECT_TRUE(Shown(QStringLiteral("btnCheckIn")));
}

TEST_F(frmMainTest, ShortcutLinksSwitchModes) {
    OpenWindow();
    const struct {
        const char* link;
        const char* page;
    } links[] = {
        {"lblLnkSearch", "fraSearch"},
        {"lblLnkCheckedInList", "fraCheckedInList"},
        {"lblLinkNew", "fraMain"},
    };
    for (const auto& entry : links) {
        SCOPED_TRACE(entry.link);
        QTest::mouseClick(Child<LinkLabel>(QString::fromLatin1(entry.link)), Qt::LeftButton);
        EXPECT_TRUE(Shown(QString::fromLatin1(entry.page)));
    }
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

TEST_F(frmMainTest, LoadingWithoutCameraKeepsTheWindowUsable) {
    frmMain& main = OpenWindow();
    EXPECT_TRUE(main.isVisible());
    main.EnableSearchMode();
    main.EnableNewMode();
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

TEST_F(frmMainTest, LoadingFailsWhenTheConfigurationIsMissing) {
    ASSERT_TRUE(QFile::remove(folder.ConfigFile()));
    frmMain main;
    EXPECT_ANY_THROW(main.Load());
}
