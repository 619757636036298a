// The main window's Help and About links open the help and about windows.
#include "TempProgramFolder.h"

#include "mainwindow/LinkLabel.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/frmMain.h"
#include "windows/frmAbout.h"
#include "windows/frmHelp.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

class frmMainInfoLinksTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("QUORVANE_TEST_CAMERA", "0");
        ASSERT_TRUE(folder.IsValid());
        MsgBox::StartRecording();
        MsgBox::ClearRecorded();
        window = std::make_unique<frmMain>();
        window->Load();
        window->show();
    }

    void TearDown() override {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<frmHelp*>(widget) != nullptr) {
                delete widget;
            }
        }
        window.reset();
        MsgBox::StopRecording();
    }

    void ClickLink(const char* name) const {
        auto* link = window->findChild<LinkLabel*>(QString::fromLatin1(name));
        ASSERT_NE(link, nullptr) << name;
        QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    }

    static QList<frmHelp*> HelpWindows() {
        QList<frmHelp*> found;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* help = qobject_cast<frmHelp*>(widget)) {
                found.append(help);
            }
        }
        return found;
    }

    TempProgramFolder folder;
    std::unique_ptr<frmMain> window;
};

} // namespace

TEST_F(frmMainInfoLinksTest, HelpOpensOneModelessWindowWithoutOwner) {
    ClickLink("lblLnkHelp");
    ASSERT_EQ(HelpWindows().size(), 1);
    QPointer<frmHelp> help = HelpWindows().front();
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->parentWidget(), nullptr);
    EXPECT_FALSE(help->isModal());
    EXPECT_TRUE(window->isEnabled());

    ClickLink("lblLnkHelp");
    EXPECT_EQ(HelpWindows().size(), 1);
    EXPECT_EQ(HelpWindows().front(), help.data());

    // It outlives the main window.
    window.reset();
    EXPECT_FALSE(help.isNull());
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

TEST_F(frmMainInfoLinksTest, AboutOpensModalOverTheMainWindowAndCloses) {
    bool seen = false;
    QTimer::singleShot(0, window.get(), [&] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* about = qobject_cast<frmAbout*>(modal);
        if (about == nullptr) {
            ADD_FAILURE() << "no about window";
            if (modal != nullptr) {
                modal->close();
            }
            return;
        }
        seen = true;
        EXPECT_EQ(about->parentWidget(), window.get());
        EXPECT_TRUE(about->isModal());
        EXPECT_EQ(about->findChild<QLabel*>(QStringLiteral("lblQVLiteVersionInfo"))->text(),
                  QStringLiteral("Version 1.0 (1006)"));
        QTest::mouseClick(about->findChild<LinkLabel*>(QStringLiteral("lblLinkClose")),
                          Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    });
    ClickLink("lblLnkAbout");
    EXPECT_TRUE(seen);
    EXPECT_EQ(window->findChild<frmAbout*>(), nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(MsgBox::Recorded().empty());
}
