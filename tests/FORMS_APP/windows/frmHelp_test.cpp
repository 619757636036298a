#include "windows/frmHelp.h"

#include "TempProgramFolder.h"
#include "UrlRecorder.h"
#include "WindowWait.h"

#include "core/basCommon.h"
#include "mainwindow/LinkLabel.h"
#include "mainwindow/MsgBox.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const QColor kHover(0xE0, 0xE0, 0xE0);

const struct {
    const char* background;
    const char* link;
    const char* caption;
    const char* page;
} kRows[] = {
    {"lblBGCheckIn", "lblLinkNew", "Check-in a Visitor", "NewVisitor.htm"},
    {"lblBGCheckedinList", "lblLnkCheckedInList", "Check-out a Visitor", "CheckedInList.htm"},
    {"lblBGSearch", "lblLnkSearch", "Search", "Search.htm"},
    {"lblBGSettings", "lblLnkSettings", "Settings", "Settings.htm"},
    {"lblBGFAQ", "lblLnkFAQ", "FAQ", "FAQ.htm"},
};

class frmHelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.IsValid());
        MsgBox::StartRecording();
        MsgBox::ClearRecorded();
    }

    void TearDown() override {
        delete help.data();
        MsgBox::ClearRecorded();
        MsgBox::StopRecording();
    }

    frmHelp& Open() {
        help = frmHelp::ShowHelp();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(help.data(), WindowWaitMs));
        return *help;
    }

    template <typename T = QWidget>
    T* Child(const char* name) const {
        T* child = help->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    QUrl Page(const char* file) const {
        return QUrl::fromLocalFile(folder.Path() + QStringLiteral("/Help/") +
                                   QString::fromLatin1(file));
    }
    QUrl Shown() const { return Child<QTextBrowser>("brsHelp")->source(); }

    static void Click(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    }

    // Through the window system: the control under the point gets the move. A row background is
    // reached at its bare right end, as its text covers the rest; nullptr is the bare window.
    void MoveTo(const char* name) const {
        QPoint point(80, 300);
        if (name != nullptr) {
            const QWidget* target = Child(name);
            const QPoint local = QString::fromLatin1(name).startsWith(QStringLiteral("lblBG"))
                                     ? QPoint(target->width() - 3, target->height() / 2)
                                     : target->rect().center();
            point = target->mapTo(help.data(), local);
        }
        QWidget* under = help->childAt(point);
        if (name != nullptr && QString::fromLatin1(name) == QStringLiteral("brsHelp")) {
            ASSERT_TRUE(under != nullptr && Child("brsHelp")->isAncestorOf(under));
        } else {
            ASSERT_EQ(under, name == nullptr ? nullptr : Child(name));
        }
        QTest::mouseMove(help->windowHandle(), point);
    }

    // A move sent to the control itself.
    void MoveOver(const char* name) const {
        QWidget* target = name == nullptr ? help.data() : Child(name);
        const QPointF local(2, 2);
        QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    }

    std::vector<std::string> Highlighted() const {
        std::vector<std::string> names;
        for (const auto& row : kRows) {
            for (const char* name : {row.background, row.link}) {
                const auto* label = Child<QLabel>(name);
                if (label->palette().color(QPalette::Window) == kHover) {
                    names.emplace_back(name);
                } else {
                    EXPECT_EQ(label->palette().color(QPalette::Window),
                              QApplication::palette().color(QPalette::Base))
                        << name;
                }
            }
        }
        return names;
    }

    // The names of the shown pictures among the two picture links.
    std::vector<std::string> LinkPictures() const {
        std::vector<std::string> names;
        for (const char* name : {"imgLnkEmailUs", "imgLnkEmailUs_Focused", "imgLnkSupportSite",
                                 "imgLnkSupportSite_Focused"}) {
            if (!Child(name)->isHidden()) {
                names.emplace_back(name);
            }
        }
        return names;
    }

    TempProgramFolder folder;
    UrlRecorder urls;
    QPointer<frmHelp> help;
};

} // namespace

TEST_F(frmHelpTest, OpensOnTheCheckInPageWithItsMenu) {
    Open();
    EXPECT_EQ(help->windowTitle(), QStringLiteral("Quorvane Lite:: Help"));
    EXPECT_EQ(help->parentWidget(), nullptr);
    EXPECT_EQ(help->size(), QSize(881, 660));
    EXPECT_EQ(Shown(), Page("NewVisitor.htm"));
    EXPECT_FALSE(Child<QTextBrowser>("brsHelp")->document()->isEmpty());
    EXPECT_EQ(Child<QLabel>("lblHeaderShortcut")->text(), QStringLiteral("Help"));
    EXPECT_EQ(Child<QLabel>("lblLinkClose")->text(), QStringLiteral("Close"));
    for (const auto& row : kRows) {
        EXPECT_EQ(Child<QLabel>(row.link)->text(), QString::fromLatin1(row.caption));
    }
    EXPECT_EQ(Highlighted(), std::vector<std::string>{});
    EXPECT_EQ(LinkPictures(), (std::vector<std::string>{"imgLnkEmailUs", "imgLnkSupportSite"}));
}

// Design places in twips, 15 to a pixel, relative to each control's parent; the stored pictures
// at their own sizes.
TEST_F(frmHelpTest, ControlsStandWhereTheDesignPutsThem) {
    Open();
    const struct {
        const char* name;
        QRect twips;
        QSize picture; // empty: no picture of its own
    } controls[] = {
        {"imgTopLogo", {30, 30, 2460, 585}, {164, 39}},
        {"imgTopBanner", {2490, 30, 10920, 585}, {728, 39}},
        {"frameAdvertisements", {120, 720, 2280, 2805}, {}},
        {"lblBannerShortcut", {30, 120, 2205, 345}, {}},
        {"lblBGCheckIn", {30, 585, 2205, 345}, {}},
        {"lblBGCheckedinList", {30, 945, 2205, 345}, {}},
        {"lblBGSearch", {30, 1305, 2205, 345}, {}},
        {"lblBGSettings", {30, 1665, 2205, 345}, {}},
        {"lblBGFAQ", {30, 2040, 2205, 345}, {}},
        {"brsHelp", {2475, 810, 10695, 8025}, {}},
        {"Picture1", {120, 6825, 2250, 645}, {150, 43}},
        {"imgLnkEmailUs", {120, 7470, 2250, 495}, {150, 33}},
        {"imgLnkEmailUs_Focused", {120, 7470, 2250, 495}, {150, 33}},
        {"imgLnkSupportSite", {120, 7965, 2250, 510}, {150, 34}},
        {"imgLnkSupportSite_Focused", {120, 7965, 2250, 510}, {150, 34}},
        {"Picture3", {120, 8475, 2250, 300}, {150, 20}},
        {"imgfooter", {24, 8887, 13140, 960}, {820, 64}},
    };
    for (const auto& control : controls) {
        SCOPED_TRACE(control.name);
        const QWidget* widget = Child(control.name);
        const QRect expected(control.twips.x() / 15, control.twips.y() / 15,
                             control.twips.width() / 15, control.twips.height() / 15);
        EXPECT_LE((widget->geometry().topLeft() - expected.topLeft()).manhattanLength(), 2);
        EXPECT_LE(qAbs(widget->width() - expected.width()) +
                      qAbs(widget->height() - expected.height()),
                  2);
        if (!control.picture.isEmpty()) {
            const auto* label = qobject_cast<const QLabel*>(widget);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->pixmap().size(), control.picture);
        }
    }
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.link);
        const QWidget* link = Child(row.link);
        const QWidget* background = Child(row.background);
        EXPECT_EQ(link->x(), 40); // 600 twips
        EXPECT_TRUE(background->geometry().contains(link->geometry()));
    }
    EXPECT_EQ(Child("lblLinkClose")->pos(), QPoint(840, 19));
}

TEST_F(frmHelpTest, EachMenuTextOpensItsPageWhicheverPageIsShown) {
    Open();
    for (const int row : {4, 3, 0, 2, 1, 1, 4, 0}) {
        SCOPED_TRACE(kRows[row].caption);
        Click(Child(kRows[row].link));
        EXPECT_EQ(Shown(), Page(kRows[row].page));
        EXPECT_FALSE(Child<QTextBrowser>("brsHelp")->document()->isEmpty());
    }
}

// Every page of the installation is there, has its topic as title, and its links to other pages
// lead to pages that exist.
TEST_F(frmHelpTest, TheInstalledPagesAreCompleteAndTheirLinksResolve) {
    const QRegularExpression link(QStringLiteral("href=\"([^\"#:]+)(#[^\"]*)?\""));
    for (const auto& row : kRows) {
        SCOPED_TRACE(row.page);
        QFile file(Page(row.page).toLocalFile());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        EXPECT_TRUE(html.contains(QStringLiteral("<title>")));
        for (auto match = link.globalMatch(html); match.hasNext();) {
            const QString target = match.next().captured(1);
            EXPECT_TRUE(QFile::exists(folder.Path() + QStringLiteral("/Help/") + target))
                << target.toStdString();
        }
    }
}

TEST_F(frmHelpTest, AMissingPageShowsEmptyAndNothingIsReported) {
    ASSERT_TRUE(folder.RemoveFile(QStringLiteral("Help/FAQ.htm")));
    Open();
    Click(Child("lblLnkFAQ"));
    EXPECT_EQ(Shown(), Page("FAQ.htm"));
    EXPECT_TRUE(MsgBox::Recorded().empty());
    Click(Child("lblLnkSearch"));
    EXPECT_EQ(Shown(), Page("Search.htm"));
}

TEST_F(frmHelpTest, OneRowAtMostIsHighlighted) {
    Open();
    using Names = std::vector<std::string>;
    const struct {
        const char* over; // nullptr: the bare window
        Names highlighted;
    } steps[] = {
        {"lblBGCheckIn", {"lblBGCheckIn", "lblLinkNew"}},
        {"lblLinkNew", {"lblBGCheckIn", "lblLinkNew"}},
        {"lblImgNew", {"lblBGCheckIn", "lblLinkNew"}},
        {"lblBGCheckedinList", {"lblBGCheckedinList", "lblLnkCheckedInList"}},
        {"lblBGSearch", {"lblBGSearch", "lblLnkSearch"}},
        {"lblBGSettings", {"lblBGSettings", "lblLnkSettings"}},
        {"lblBGFAQ", {"lblBGFAQ", "lblLnkFAQ"}},
        {"lblLnkFAQ", {"lblBGFAQ", "lblLnkFAQ"}},
        {"lblBannerShortcut", {"lblBGFAQ", "lblLnkFAQ"}},
        {"imgTopLogo", {"lblBGFAQ", "lblLnkFAQ"}},
        {"brsHelp", {"lblBGFAQ", "lblLnkFAQ"}},
        {nullptr, {}},
        {"lblBGSearch", {"lblBGSearch", "lblLnkSearch"}},
        {"lblBGCheckIn", {"lblBGCheckIn", "lblLinkNew"}},
        {nullptr, {}},
    };
    for (const bool delivered : {true, false}) {
        for (const auto& step : steps) {
            SCOPED_TRACE(std::string(step.over == nullptr ? "window" : step.over) +
                         (delivered ? " by the window" : " directly"));
            if (delivered) {
                MoveTo(step.over);
            } else if (step.over == nullptr ||
                       QString::fromLatin1(step.over) != QStringLiteral("brsHelp")) {
                MoveOver(step.over);
            } else {
                continue;
            }
            EXPECT_EQ(Highlighted(), step.highlighted);
        }
    }
}

TEST_F(frmHelpTest, PictureLinksSwapUnderTheMouse) {
    Open();
    using Names = std::vector<std::string>;
    const Names rest{"imgLnkEmailUs", "imgLnkSupportSite"};
    const struct {
        const char* over;
        Names shown;
    } steps[] = {
        {"imgLnkEmailUs", {"imgLnkEmailUs_Focused", "imgLnkSupportSite"}},
        {"imgLnkEmailUs_Focused", {"imgLnkEmailUs_Focused", "imgLnkSupportSite"}},
        {"imgLnkSupportSite", {"imgLnkEmailUs", "imgLnkSupportSite_Focused"}},
        {"Picture3", rest},
        {"imgLnkEmailUs", {"imgLnkEmailUs_Focused", "imgLnkSupportSite"}},
        {"Picture1", rest},
        {"imgLnkSupportSite", {"imgLnkEmailUs", "imgLnkSupportSite_Focused"}},
        {nullptr, rest},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.over == nullptr ? "window" : step.over);
        MoveTo(step.over);
        EXPECT_EQ(LinkPictures(), step.shown);
    }
}

TEST_F(frmHelpTest, HighlightedPicturesOpenSupportAndPlainOnesDoNothing) {
    folder.SetEncipheredConfigValue(QStringLiteral("SLN"), QStringLiteral("https://help.example"));
    folder.SetEncipheredConfigValue(QStringLiteral("EML"), QStringLiteral("desk@help.example"));
    Open();
    for (const char* plain : {"imgLnkEmailUs", "imgLnkSupportSite"}) {
        Click(Child(plain));
    }
    EXPECT_TRUE(urls.Opened().isEmpty());

    const struct {
        const char* plain;
        const char* focused;
        QUrl target;
    } links[] = {
        {"imgLnkEmailUs", "imgLnkEmailUs_Focused", QUrl(basCommon::GetSupportMailLink())},
        {"imgLnkSupportSite", "imgLnkSupportSite_Focused",
         QUrl(QStringLiteral("https://help.example"))},
    };
    for (const auto& link : links) {
        SCOPED_TRACE(link.focused);
        urls.Clear();
        MoveTo(link.plain);
        Click(Child(link.focused));
        ASSERT_EQ(urls.Opened().size(), 1);
        EXPECT_EQ(urls.Opened().front(), link.target);
    }
    EXPECT_TRUE(urls.Opened().front().isValid());
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

TEST_F(frmHelpTest, AnEmptySupportSiteOpensNothingAndSaysNothing) {
    folder.SetEncipheredConfigValue(QStringLiteral("SLN"), QString());
    Open();
    MoveTo("imgLnkSupportSite");
    Click(Child("imgLnkSupportSite_Focused"));
    ASSERT_EQ(urls.Opened().size(), 1);
    EXPECT_TRUE(urls.Opened().front().isEmpty());
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_TRUE(help->isVisible());
}

TEST_F(frmHelpTest, AnUnreadableSupportAddressIsReportedAndTheWindowStays) {
    folder.RemoveConfigValue(QStringLiteral("SLN"));
    folder.RemoveConfigValue(QStringLiteral("EML"));
    Open();
    const struct {
        const char* plain;
        const char* focused;
    } links[] = {{"imgLnkSupportSite", "imgLnkSupportSite_Focused"},
                 {"imgLnkEmailUs", "imgLnkEmailUs_Focused"}};
    for (const auto& link : links) {
        SCOPED_TRACE(link.focused);
        MsgBox::ClearRecorded();
        MoveTo(link.plain);
        Click(Child(link.focused));
        ASSERT_EQ(MsgBox::Recorded().size(), 1U);
        EXPECT_EQ(MsgBox::Recorded().front().icon, MsgBox::Icon::Critical);
    }
    EXPECT_TRUE(urls.Opened().isEmpty());
    EXPECT_TRUE(help->isVisible());
}

TEST_F(frmHelpTest, OpeningAgainBringsTheOpenWindowForwardOnItsPage) {
    Open();
    Click(Child("lblLnkSearch"));
    frmHelp* again = frmHelp::ShowHelp();
    EXPECT_EQ(again, help.data());
    EXPECT_EQ(Shown(), Page("Search.htm"));
    EXPECT_TRUE(help->isVisible());

    Click(Child("lblLinkClose"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(help.isNull());

    Open();
    EXPECT_EQ(Shown(), Page("NewVisitor.htm"));
}
