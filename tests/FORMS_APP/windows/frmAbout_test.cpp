#include "windows/frmAbout.h"

#include "TempProgramFolder.h"
#include "UrlRecorder.h"
#include "WindowWait.h"

#include "core/basCommon.h"
#include "mainwindow/LinkLabel.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/QVButton.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QString kMissingFilesMessage =
    QStringLiteral("Required application and configuration files are missing!\r\n\r\nPlease "
                   "re-install Quorvane Lite!");

QByteArray ScrollTexts(const QStringList& texts) {
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SYSLIST>\n";
    for (const QString& text : texts) {
        xml += "  <TEXT>" + text.toUtf8() + "</TEXT>\n";
    }
    return xml + "</SYSLIST>\n";
}

class frmAboutTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.IsValid());
        MsgBox::StartRecording();
        MsgBox::ClearRecorded();
    }

    void TearDown() override {
        about.reset();
        MsgBox::ClearRecorded();
        MsgBox::StopRecording();
    }

    frmAbout& Open() {
        about = std::make_unique<frmAbout>();
        about->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(about.get(), WindowWaitMs));
        return *about;
    }

    template <typename T = QWidget>
    T* Child(const char* name) const {
        T* child = about->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    QString ScrollText() const { return Child<QLabel>("lblScrollText")->text(); }
    QTimer* Scroller() const { return Child<QTimer>("tmrScroller"); }

    // One tick of the scrolling timer, as the event loop delivers it.
    void Tick() const { QMetaObject::invokeMethod(Scroller(), "timeout"); }

    // Through the window system: the control under the point gets the move; nullptr is the bare
    // window.
    void MoveTo(const char* name) const {
        QPoint point(300, 210);
        if (name != nullptr) {
            const QWidget* target = Child(name);
            point = target->mapTo(about.get(), target->rect().center());
        }
        const QWidget* under = about->childAt(point);
        ASSERT_EQ(under, name == nullptr ? nullptr : Child(name));
        QTest::mouseMove(about->windowHandle(), point);
    }

    static void Click(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    }

    void WriteScrollTexts(const QStringList& texts) const {
        folder.WriteFile(QStringLiteral("system/adrotlist.config"), ScrollTexts(texts));
    }

    TempProgramFolder folder;
    UrlRecorder urls;
    std::unique_ptr<frmAbout> about;
};

} // namespace

TEST_F(frmAboutTest, ShowsTheVersionAndTheConfiguredLinks) {
    folder.SetEncipheredConfigValue(QStringLiteral("QVS"), QStringLiteral("https://site.example"));
    folder.SetEncipheredConfigValue(QStringLiteral("SIT"), QStringLiteral("https://page.example"));
    Open();
    EXPECT_EQ(about->windowTitle(), QStringLiteral("About Quorvane Lite"));
    EXPECT_EQ(Child<QLabel>("lblQVLiteVersionInfo")->text(), QStringLiteral("Version 1.0 (1006)"));
    EXPECT_EQ(Child<QLabel>("lblLnkQuorvaneSite")->text(), QStringLiteral("https://site.example"));
    EXPECT_EQ(Child<QLabel>("lblLinkWebSite")->text(), QStringLiteral("https://page.example"));
    EXPECT_EQ(Child<QVButton>("btnEmailSupport")->Caption(), QStringLiteral("Email Support"));
    EXPECT_EQ(Child<QVButton>("btnWebSupport")->Caption(), QStringLiteral("Go to Web Support"));
    EXPECT_EQ(Child<QLabel>("lblEula")->text(), QStringLiteral("EULA"));
    EXPECT_EQ(Child<QLabel>("lblLinkClose")->text(), QStringLiteral("Close"));
    EXPECT_FALSE(Child<QLabel>("imgAward")->pixmap().isNull());
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

TEST_F(frmAboutTest, EachLinkOpensItsOwnTarget) {
    const struct {
        const char* key;
        const char* value;
    } config[] = {
        {"QVS", "https://site.example"},
        {"SIT",
         "https://page.example/lite/a/long/address/that/is/wider/than/the/room/left/of/the/award"},
        {"SLN", "https://support.example"},
        {"AWL", "https://awards.example/2026"},
        {"EML", "help@desk.example"}};
    for (const auto& entry : config) {
        folder.SetEncipheredConfigValue(QString::fromLatin1(entry.key),
                                        QString::fromLatin1(entry.value));
    }
    Open();
    EXPECT_LE(Child("lblLinkWebSite")->width(), frmAbout::LinkMaxWidth);
    const QString mail = basCommon::GetSupportMailLink();
    ASSERT_TRUE(mail.startsWith(QStringLiteral("mailto:help@desk.example?subject=")));
    const struct {
        const char* control;
        QUrl target;
    } clicks[] = {
        {"lblLnkQuorvaneSite", QUrl(QStringLiteral("https://site.example"))},
        {"lblLinkWebSite", QUrl(QStringLiteral("https://page.example/lite/a/long/address/that/is/"
                                               "wider/than/the/room/left/of/the/award"))},
        {"btnWebSupport", QUrl(QStringLiteral("https://support.example"))},
        {"imgAward", QUrl(QStringLiteral("https://awards.example/2026"))},
        {"btnEmailSupport", QUrl(mail)},
        {"lblEula", QUrl::fromLocalFile(folder.Path() + QStringLiteral("/system/EULA.txt"))},
    };
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.control);
        urls.Clear();
        Click(Child(click.control));
        ASSERT_EQ(urls.Opened().size(), 1);
        EXPECT_EQ(urls.Opened().front(), click.target)
            << urls.Opened().front().toString().toStdString();
    }
    EXPECT_TRUE(about->isVisible());
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

TEST_F(frmAboutTest, AnEmptySupportAddressOpensNothingAndSaysNothing) {
    folder.SetEncipheredConfigValue(QStringLiteral("SLN"), QString());
    Open();
    Click(Child("btnWebSupport"));
    ASSERT_EQ(urls.Opened().size(), 1);
    EXPECT_TRUE(urls.Opened().front().isEmpty());
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_TRUE(about->isVisible());
}

// Links that cannot be read stay empty; the window opens and works, and a support mail that
// cannot be built is reported instead of ending the program.
TEST_F(frmAboutTest, UnreadableLinksLeaveTheWindowUsable) {
    for (const char* key : {"QVS", "SIT", "SLN", "AWL", "EML"}) {
        folder.RemoveConfigValue(QString::fromLatin1(key));
    }
    WriteScrollTexts({QStringLiteral("One"), QStringLiteral("Two")});
    Open();
    EXPECT_EQ(Child<QLabel>("lblQVLiteVersionInfo")->text(), QStringLiteral("Version 1.0 (1006)"));
    EXPECT_TRUE(Child<QLabel>("lblLnkQuorvaneSite")->text().isEmpty());
    EXPECT_TRUE(Child<QLabel>("lblLinkWebSite")->text().isEmpty());
    EXPECT_EQ(ScrollText(), QStringLiteral("One"));
    EXPECT_TRUE(MsgBox::Recorded().empty());
    // One log line for each of the four links.
    int logged = 0;
    for (const QString& line : folder.LogLines()) {
        logged += line.section(u'\t', 1, 1) == QStringLiteral("frmAbout.Form_Load") ? 1 : 0;
    }
    EXPECT_EQ(logged, 4);

    Click(Child("btnEmailSupport"));
    ASSERT_EQ(MsgBox::Recorded().size(), 1U);
    EXPECT_EQ(MsgBox::Recorded().front().icon, MsgBox::Icon::Critical);
    for (const QUrl& url : urls.Opened()) {
        EXPECT_NE(url.scheme(), QStringLiteral("mailto"));
    }
    Click(Child("btnWebSupport"));
    EXPECT_TRUE(about->isVisible());
    Click(Child("lblLinkClose"));
    EXPECT_FALSE(about->isVisible());
}

TEST_F(frmAboutTest, ThreeTextsCycleEveryFourSecondsInFileOrder) {
    WriteScrollTexts({QStringLiteral("First"), QStringLiteral("Second"), QStringLiteral("Third")});
    Open();
    EXPECT_TRUE(Scroller()->isActive());
    EXPECT_EQ(Scroller()->interval(), 4000);
    // At 0, 4, 8 and 12 seconds.
    const char* const shown[] = {"First", "Second", "Third", "First", "Second"};
    for (std::size_t tick = 0; tick < std::size(shown); ++tick) {
        SCOPED_TRACE(tick * 4);
        if (tick > 0) {
            Tick();
        }
        EXPECT_EQ(ScrollText(), QString::fromLatin1(shown[tick]));
    }
}

TEST_F(frmAboutTest, OneTextStays) {
    WriteScrollTexts({QStringLiteral("\n      Only one\n  ")});
    Open();
    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_EQ(ScrollText(), QStringLiteral("Only one"));
        Tick();
    }
    EXPECT_EQ(ScrollText(), QStringLiteral("Only one"));
}

TEST_F(frmAboutTest, ScrollingOffHidesTheTextAndNeverStartsTheTimer) {
    folder.SetEncipheredConfigValue(QStringLiteral("ABE"), QStringLiteral("ScrollText|ABE_0"));
    Open();
    const QLabel* label = Child<QLabel>("lblScrollText");
    EXPECT_EQ(label->palette().color(QPalette::WindowText),
              label->palette().color(QPalette::Window));
    EXPECT_FALSE(Scroller()->isActive());
    EXPECT_EQ(Scroller()->interval(), 0);
    MoveTo(nullptr);
    MoveTo("lblScrollText");
    MoveTo(nullptr);
    EXPECT_FALSE(Scroller()->isActive());
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

TEST_F(frmAboutTest, HoveringTheTextStopsTheCycleUntilTheBareWindow) {
    WriteScrollTexts({QStringLiteral("First"), QStringLiteral("Second")});
    Open();
    const struct {
        const char* over; // nullptr: the bare window
        bool running;
    } steps[] = {
        {nullptr, true},
        {"lblScrollText", false},
        {"lblQVLiteVersionInfo", false},
        {"btnEmailSupport", false},
        {"lblEula", false},
        {"imgAward", false},
        {nullptr, true},
        {"btnWebSupport", true},
        {"lblScrollText", false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.over == nullptr ? "window" : step.over);
        MoveTo(step.over);
        EXPECT_EQ(Scroller()->isActive(), step.running);
    }
    // Paused, the text holds still; moving on resumes from where it stopped.
    EXPECT_EQ(ScrollText(), QStringLiteral("First"));
    MoveTo(nullptr);
    Tick();
    EXPECT_EQ(ScrollText(), QStringLiteral("Second"));
}

// Moving over the bare window while the cycle runs does not hold the next text back.
TEST_F(frmAboutTest, MovesOverTheWindowKeepTheRunningCount) {
    WriteScrollTexts({QStringLiteral("First"), QStringLiteral("Second")});
    Open();
    QTest::qWait(100);
    const int before = Scroller()->remainingTime();
    MoveTo(nullptr);
    EXPECT_LE(Scroller()->remainingTime(), before) << before;
    EXPECT_LT(before, 4000);
}

TEST_F(frmAboutTest, AScrollingFileThatCannotBeReadIsReportedOnceAndTheWindowStaysUsable) {
    const struct {
        const char* name;
        const char* content; // nullptr: no file
    } cases[] = {
        {"missing", nullptr},
        {"empty", ""},
        {"not XML", "TEXT one, TEXT two"},
        {"cut short", "<SYSLIST><TEXT>One</TEXT><TEXT>Tw"},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        MsgBox::ClearRecorded();
        if (entry.content == nullptr) {
            folder.RemoveFile(QStringLiteral("system/adrotlist.config"));
        } else {
            folder.WriteFile(QStringLiteral("system/adrotlist.config"), QByteArray(entry.content));
        }
        Open();
        ASSERT_EQ(MsgBox::Recorded().size(), 1U);
        EXPECT_EQ(MsgBox::Recorded().front().text, kMissingFilesMessage);
        EXPECT_EQ(MsgBox::Recorded().front().title, QStringLiteral("Quorvane Lite"));
        EXPECT_EQ(MsgBox::Recorded().front().icon, MsgBox::Icon::Critical);
        EXPECT_TRUE(ScrollText().isEmpty());
        EXPECT_FALSE(Scroller()->isActive());
        MoveTo(nullptr);
        EXPECT_FALSE(Scroller()->isActive());

        Click(Child("btnWebSupport"));
        EXPECT_EQ(urls.Opened().size(), 1);
        urls.Clear();
        EXPECT_EQ(MsgBox::Recorded().size(), 1U);
        Click(Child("lblLinkClose"));
        EXPECT_FALSE(about->isVisible());
    }
}

TEST_F(frmAboutTest, AScrollingFileWithoutTextsShowsNothingAndSaysNothing) {
    WriteScrollTexts({});
    Open();
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_TRUE(ScrollText().isEmpty());
    EXPECT_FALSE(Scroller()->isActive());
    MoveTo(nullptr);
    EXPECT_FALSE(Scroller()->isActive());
}

TEST_F(frmAboutTest, ClosingStopsTheCycle) {
    WriteScrollTexts({QStringLiteral("First"), QStringLiteral("Second")});
    Open();
    ASSERT_TRUE(Scroller()->isActive());
    Click(Child("lblLinkClose"));
    EXPECT_FALSE(about->isVisible());
    EXPECT_FALSE(Scroller()->isActive());
}
