#include "frmMainFixture.h"

#include "WindowWait.h"
#include "mainwindow/BalloonTip.h"
#include "mainwindow/ToolTip.h"

#include <QDeadlineTimer>
#include <QTest>

#include <functional>

namespace {

// Lets events run until the condition holds or the time is up, which leaves a loaded machine
// ample time (a pass does not wait for it).
bool WaitFor(const std::function<bool()>& condition, int milliseconds = 120000) {
    const QDeadlineTimer deadline(milliseconds);
    while (!condition() && !deadline.hasExpired()) {
        QTest::qWait(20);
    }
    return condition();
}

// On a real window system: resting the mouse over the day's advertisement shows its balloon at
// the cursor, and moving off the picture hides it.
TEST_F(frmMainTest, AdvertisementBalloonFollowsTheMouse) {
    const int before = ToolTip::ToolTipCount();
    OpenWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), WindowWaitMs));
    ASSERT_EQ(ToolTip::ToolTipCount(), before + 5);

    const QWidget* shown = window->childAt(QPoint(80, 360));
    ASSERT_NE(shown, nullptr);
    ASSERT_TRUE(shown->objectName().startsWith(QStringLiteral("picAd")));
    BalloonTip* balloon = nullptr;
    for (int index = before; index < ToolTip::ToolTipCount(); ++index) {
        if (ToolTip::ToolTips().at(index).control == shown) {
            balloon = ToolTip::ToolTips().at(index).window;
        }
    }
    ASSERT_NE(balloon, nullptr);

    QTest::mouseMove(window->windowHandle(), QPoint(70, 350));
    QTest::mouseMove(window->windowHandle(), QPoint(80, 360));
    ASSERT_TRUE(WaitFor([balloon] { return balloon->isVisible(); }));
    EXPECT_EQ(balloon->pos(), window->mapToGlobal(QPoint(80, 360)) + QPoint(-2, 20));
    EXPECT_EQ(balloon->Text().count(QStringLiteral("\r\n")), 2);

    // Onto the window's bare background, right of the pictures.
    QTest::mouseMove(window->windowHandle(), QPoint(163, 600));
    EXPECT_TRUE(WaitFor([balloon] { return balloon->isHidden(); }));
}

} // namespace
