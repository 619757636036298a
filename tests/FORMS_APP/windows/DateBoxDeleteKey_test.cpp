// The Delete key in the date boxes, sent as X11 and Wayland send it: with the text "\x7f".
#include "TempProgramFolder.h"

#include "mainwindow/MsgBox.h"
#include "mainwindow/frmMain.h"
#include "windows/frmSettings.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

std::unique_ptr<QWidget> SearchPage() {
    auto main = std::make_unique<frmMain>();
    main->Load();
    main->EnableSearchMode();
    return main;
}

std::unique_ptr<QWidget> SettingsWindow() {
    return std::make_unique<frmSettings>();
}

struct BoxCase {
    const char* box;
    std::function<std::unique_ptr<QWidget>()> open;
};

const BoxCase kDateBoxes[] = {
    {"txtSearchDateFrom", &SearchPage},
    {"txtSearchDateTo", &SearchPage},
    {"txtPurgeEndDate", &SettingsWindow},
};

void Press(QLineEdit* box, Qt::Key key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(box, &release);
}

class DateBoxDeleteKeyTest : public ::testing::Test {
protected:
    void SetUp() override {
        qputenv("QUORVANE_TEST_CAMERA", "0");
        ASSERT_TRUE(folder.IsValid());
        MsgBox::StartRecording();
        MsgBox::ClearRecorded();
    }

    void TearDown() override { MsgBox::StopRecording(); }

    TempProgramFolder folder;
};

TEST_F(DateBoxDeleteKeyTest, DeleteRemovesTheCharacterAfterTheCaret) {
    for (const BoxCase& c : kDateBoxes) {
        SCOPED_TRACE(c.box);
        const std::unique_ptr<QWidget> window = c.open();
        window->show();
        auto* box = window->findChild<QLineEdit*>(QString::fromLatin1(c.box));
        ASSERT_NE(box, nullptr);
        box->setText(QStringLiteral("12-03-2024"));
        box->setCursorPosition(2);

        Press(box, Qt::Key_Delete, QStringLiteral("\x7f"));
        EXPECT_EQ(box->text(), QStringLiteral("1203-2024"));
        EXPECT_EQ(box->cursorPosition(), 2);

        // The filter still drops what is typed that belongs in no date.
        Press(box, Qt::Key_A, QStringLiteral("a"));
        EXPECT_EQ(box->text(), QStringLiteral("1203-2024"));
        Press(box, Qt::Key_Minus, QStringLiteral("-"));
        EXPECT_EQ(box->text(), QStringLiteral("12-03-2024"));
    }
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

} // namespace
