#include "WindowWait.h"
#include "frmMainFixture.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <vector>

namespace {

const QColor kHover(0xE0, 0xE0, 0xE0);

const char* const kRowLabels[] = {"lblBGNew",           "lblLinkNew",
                                  "lblBGCheckedinList", "lblLnkCheckedInList",
                                  "lblBGSearch",        "lblLnkSearch"};

class frmMainHoverTest : public frmMainTest {
protected:
    void MoveOver(const QString& name) const {
        QWidget* target = name == QStringLiteral("frmMain") ? window.get() : Child(name);
        ASSERT_NE(target, nullptr);
        const QPointF local(2, 2);
        QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &move);
    }

    // Through the window system's own delivery: the control under the point gets the move.
    void MoveTo(const QString& name) const {
        const QWidget* target = name == QStringLiteral("frmMain") ? window.get() : Child(name);
        ASSERT_NE(target, nullptr);
        // A row's link covers the middle of its background; its right end is bare.
        const QPoint local = name.startsWith(QStringLiteral("lblBG"))
                                 ? QPoint(target->width() - 3, target->height() / 2)
                                 : target->rect().center();
        const QPoint point = name == QStringLiteral("frmMain") ? QPoint(400, 570)
                                                               : target->mapTo(window.get(), local);
        ASSERT_EQ(window->childAt(point), name == QStringLiteral("frmMain") ? nullptr : target);
        QTest::mouseMove(window->windowHandle(), point);
    }

    std::vector<std::string> Highlighted() const {
        std::vector<std::string> names;
        for (const char* name : kRowLabels) {
            const auto* label = Child<QLabel>(QString::fromLatin1(name));
            if (label->palette().color(QPalette::Window) == kHover) {
                names.emplace_back(name);
            } else {
                EXPECT_EQ(label->palette().color(QPalette::Window),
                          QApplication::palette().color(QPalette::Base))
                    << name;
            }
        }
        return names;
    }
};

} // namespace

TEST_F(frmMainHoverTest, RowUnderTheMouseIsHighlighted) {
    OpenWindow();
    using Names = std::vector<std::string>;
    const struct {
        const char* over;
        Names highlighted;
    } steps[] = {
        {"lblBGNew", {"lblBGNew", "lblLinkNew"}},
        // Onto the link of the same row: the highlight stays.
        {"lblLinkNew", {"lblBGNew", "lblLinkNew"}},
        {"lblBGSearch", {"lblBGSearch", "lblLnkSearch"}},
        {"lblBGCheckedinList", {"lblBGCheckedinList", "lblLnkCheckedInList"}},
        {"lblLnkCheckedInList", {"lblBGCheckedinList", "lblLnkCheckedInList"}},
        {"lblBannerShortcut", {}},
        {"lblBGNew", {"lblBGNew", "lblLinkNew"}},
        {"frmMain", {}},
    };
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get(), WindowWaitMs));
    EXPECT_EQ(Highlighted(), Names{});
    for (const bool delivered : {false, true}) {
        for (const auto& step : steps) {
            SCOPED_TRACE(std::string(step.over) + (delivered ? " by the window" : " directly"));
            if (delivered) {
                MoveTo(QString::fromLatin1(step.over));
            } else {
                MoveOver(QString::fromLatin1(step.over));
            }
            EXPECT_EQ(Highlighted(), step.highlighted);
        }
    }
}

TEST_F(frmMainHoverTest, MovingOverTheWindowOrTheDetailsPageStartsTheTicker) {
    OpenWindow();
    const auto* ticker = window->findChild<QTimer*>(QStringLiteral("tmrScroller"));
    ASSERT_NE(ticker, nullptr);
    EXPECT_FALSE(ticker->isActive());
    MoveOver(QStringLiteral("lblBGNew"));
    EXPECT_FALSE(ticker->isActive());
    MoveOver(QStringLiteral("fraMain"));
    EXPECT_TRUE(ticker->isActive());
    EXPECT_EQ(ticker->interval(), 4000);
}
