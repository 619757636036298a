// Esc closes only the pass window; every other window stays open with what was typed into it.
#include "TempProgramFolder.h"

#include "WindowWait.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmPassPreview.h"
#include "windows/frmAbout.h"
#include "windows/frmHelp.h"
#include "windows/frmLogin.h"
#include "windows/frmSettings.h"
#include "windows/frmSettingsLogin.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

QWidget* LoadedMainWindow() {
    auto* main = new frmMain();
    main->Load();
    return main;
}

struct EscCase {
    const char* window;
    std::function<QWidget*()> make;
    const char* box; // typed into before Esc; nullptr: Esc goes to the window itself
    bool closes;
};

const EscCase kCases[] = {
    {"login", [] { return new frmLogin(); }, "txtPassword", false},
    {"settings login", [] { return new frmSettingsLogin(); }, "txtPassword", false},
    {"settings", [] { return new frmSettings(); }, "txtCompanyName", false},
    {"about", [] { return new frmAbout(); }, nullptr, false},
    {"help", [] { return frmHelp::ShowHelp(); }, nullptr, false},
    {"main", &LoadedMainWindow, "txtName", false},
    {"pass", [] { return new frmPassPreview(); }, nullptr, true},
};

class EscapeKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("QUORVANE_TEST_CAMERA", "0");
        ASSERT_TRUE(folder.IsValid());
        MsgBox::StartRecording();
    }

    void TearDown() override { MsgBox::StopRecording(); }

    TempProgramFolder folder;
};

TEST_F(EscapeKeyTest, OnlyThePassWindowClosesOnEsc) {
    for (const EscCase& c : kCases) {
        SCOPED_TRACE(c.window);
        MsgBox::ClearRecorded();
        QPointer<QWidget> window = c.make();
        window->show();
        QApplication::setActiveWindow(window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window, WindowWaitMs));
        QWidget* target = window;
        if (c.box != nullptr) {
            auto* box = window->findChild<QLineEdit*>(QString::fromLatin1(c.box));
            ASSERT_NE(box, nullptr);
            box->setFocus();
            QTest::keyClicks(box, QStringLiteral("typed"));
            target = box;
        }

        QTest::keyClick(target, Qt::Key_Escape);
        QApplication::processEvents();

        ASSERT_FALSE(window.isNull());
        EXPECT_EQ(window->isVisible(), !c.closes);
        if (c.box != nullptr) {
            EXPECT_EQ(window->findChild<QLineEdit*>(QString::fromLatin1(c.box))->text(),
                      QStringLiteral("typed"));
        }
        EXPECT_TRUE(MsgBox::Recorded().empty());
        delete window.data();
    }
}

} // namespace
