// On a real window system: closing the Quick Pick panel with a second F2 or a second click on its
// icon leaves the focus where it was, so what is typed next lands there, and the next F2 or click
// opens the panel again.
#include "frmMainFixture.h"

#include "WindowWait.h"
#include "mainwindow/LinkLabel.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QTest>

#include <functional>

namespace {

// Keys go where the focus is, as from a keyboard.
void Type(Qt::Key key) {
    QTest::keyClick(static_cast<QWidget*>(nullptr), key);
}

void Type(const QString& text) {
    QTest::keyClicks(static_cast<QWidget*>(nullptr), text);
}

class frmMainQuickPickFocusTest : public frmMainTest {
protected:
    QLineEdit* Box(const char* name) const { return Child<QLineEdit>(QString::fromLatin1(name)); }
    bool PanelShown() const {
        return Child<QGroupBox>(QStringLiteral("fraSimpleSearch"))->isVisible();
    }
    void ClickInto(const char* box) const {
        QTest::mouseClick(Box(box), Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    }
};

TEST_F(frmMainQuickPickFocusTest, ClosingLeavesTheFocusWhereItWas) {
    OpenWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), WindowWaitMs));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), WindowWaitMs));
    const struct {
        const char* what;
        const char* box; // where the focus is when the panel is opened and closed
        std::function<void()> toggle;
    } cases[] = {
        {"F2 in the name box", "txtName", [] { Type(Qt::Key_F2); }},
        {"F2 in the to-meet box", "txtToMeet", [] { Type(Qt::Key_F2); }},
        {"visitor icon", "txtEmail",
         [this] {
             QTest::mouseClick(Child<LinkLabel>(QStringLiteral("imgHelpVisitor")), Qt::LeftButton,
                               Qt::NoModifier, QPoint(5, 5));
         }},
        {"employee icon", "txtToMeet",
         [this] {
             QTest::mouseClick(Child<LinkLabel>(QStringLiteral("imgHelpEmployee")), Qt::LeftButton,
                               Qt::NoModifier, QPoint(5, 5));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Box(c.box)->clear();
        ClickInto(c.box);
        ASSERT_EQ(QApplication::focusWidget(), Box(c.box));

        c.toggle();
        ASSERT_TRUE(PanelShown());
        EXPECT_EQ(QApplication::focusWidget(), Box("txtFraName"));

        ClickInto(c.box);
        c.toggle();
        EXPECT_FALSE(PanelShown());
        EXPECT_EQ(QApplication::focusWidget(), Box(c.box));
        Type(QStringLiteral("typed"));
        EXPECT_EQ(Box(c.box)->text(), QStringLiteral("typed"));
        EXPECT_TRUE(Box("txtFraName")->text().isEmpty());

        c.toggle();
        EXPECT_TRUE(PanelShown()) << "a third press opens it again";
        EXPECT_EQ(QApplication::focusWidget(), Box("txtFraName"));
        Child<QGroupBox>(QStringLiteral("fraSimpleSearch"))->hide();
    }
}

} // namespace
