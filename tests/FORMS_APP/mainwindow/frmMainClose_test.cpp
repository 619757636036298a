#include "frmMainFixture.h"

#include "mainwindow/LinkLabel.h"

#include <QLineEdit>
#include <QTest>

#include <functional>

namespace {

const MsgBox::Shown kExitQuestion{QStringLiteral("Are you sure to exit!"),
                                  QStringLiteral("Confirm Exit"), MsgBox::Icon::Question,
                                  MsgBox::Buttons::YesNo};

void ExpectExitQuestion() {
    ASSERT_EQ(MsgBox::Recorded().size(), 1U);
    const MsgBox::Shown& shown = MsgBox::Recorded().front();
    EXPECT_EQ(shown.text, kExitQuestion.text);
    EXPECT_EQ(shown.title, kExitQuestion.title);
    EXPECT_EQ(shown.icon, kExitQuestion.icon);
    EXPECT_EQ(shown.buttons, kExitQuestion.buttons);
}

class frmMainCloseTest : public frmMainTest {
protected:
    // The close box and the Exit link ask the same question.
    void Close(bool byExitLink) {
        if (byExitLink) {
            QTest::mouseClick(Child<LinkLabel>(QStringLiteral("lblLnkExit")), Qt::LeftButton);
        } else {
            window->close();
        }
    }
};

} // namespace

TEST_F(frmMainCloseTest, NoKeepsTheWindowAndItsContents) {
    for (const bool byExitLink : {false, true}) {
        SCOPED_TRACE(byExitLink ? "Exit link" : "close box");
        OpenWindow();
        Child<QLineEdit>(QStringLiteral("txtName"))->setText(QStringLiteral("Half typed"));
        MsgBox::ClearRecorded();
        MsgBox::QueueAnswer(MsgBox::Result::No);
        Close(byExitLink);
        ExpectExitQuestion();
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(Child<QLineEdit>(QStringLiteral("txtName"))->text(),
                  QStringLiteral("Half typed"));
    }
}

TEST_F(frmMainCloseTest, YesClosesTheWindow) {
    for (const bool byExitLink : {false, true}) {
        SCOPED_TRACE(byExitLink ? "Exit link" : "close box");
        OpenWindow();
        MsgBox::ClearRecorded();
        MsgBox::QueueAnswer(MsgBox::Result::Yes);
        Close(byExitLink);
        ExpectExitQuestion();
        EXPECT_FALSE(window->isVisible());
    }
}
