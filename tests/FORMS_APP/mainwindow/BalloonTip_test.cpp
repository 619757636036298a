#include "mainwindow/BalloonTip.h"
#include "mainwindow/ToolTip.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QImage>
#include <QLabel>
#include <QPalette>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QColor kDarkGrey(0x40, 0x40, 0x40);

struct GeometryCase {
    const char* text;
    QStringList lines;
};

const GeometryCase kGeometryCases[] = {
    {"Click to search database", {"Click to search database"}},
    {"A cost-effective, time saving\r\nsolution", {"A cost-effective, time saving", "solution"}},
    {"short\r\na much longer second line", {"short", "a much longer second line"}},
};

TEST(BalloonTip, IsSixteenWiderAndTwentyFourTallerThanItsTextBelowTheCursor) {
    const QFontMetrics metrics(BalloonTip::BalloonFont());
    EXPECT_EQ(metrics.height(), 13) << "a character cell of 13 pixels";
    EXPECT_EQ(BalloonTip::BalloonFont().family(), QStringLiteral("Tahoma"));
    for (const GeometryCase& c : kGeometryCases) {
        SCOPED_TRACE(c.text);
        int widest = 0;
        for (const QString& line : c.lines) {
            widest = qMax(widest, metrics.horizontalAdvance(line));
        }
        const int textHeight = metrics.height() + (c.lines.size() - 1) * metrics.lineSpacing();
        QWidget form;
        BalloonTip balloon(QString::fromLatin1(c.text), &form);
        balloon.ShowAt(QPoint(300, 200));
        EXPECT_EQ(balloon.pos(), QPoint(298, 220));
        EXPECT_EQ(balloon.size(), QSize(widest + 16, textHeight + 24));
        EXPECT_TRUE(balloon.isVisible());
    }
}

TEST(BalloonTip, IsAFramelessToolTipWindow) {
    QWidget form;
    BalloonTip balloon(QStringLiteral("tip"), &form);
    EXPECT_EQ(balloon.windowType(), Qt::ToolTip);
    EXPECT_TRUE(balloon.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(balloon.focusPolicy(), Qt::NoFocus);
}

class BalloonPainting : public ::testing::Test {
protected:
    void SetUp() override {
        balloon = std::make_unique<BalloonTip>(QStringLiteral("Visitor's luggage\r\nand checkout"),
                                               &form);
        balloon->ShowAt(QPoint(100, 100));
        image = QImage(balloon->size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        balloon->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        base = balloon->palette().color(QPalette::ToolTipBase);
        light = balloon->palette().color(QPalette::Light);
        ink = balloon->palette().color(QPalette::ToolTipText);
        ASSERT_NE(light, base);
        ASSERT_NE(ink, base);
    }

    QColor At(int x, int y) const { return image.pixelColor(x, y); }

    // Bounding box of the pixels of one colour.
    QRect Pixels(const QColor& colour) const {
        QRect box;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (At(x, y) == colour) {
                    box |= QRect(x, y, 1, 1);
                }
            }
        }
        return box;
    }

    QWidget form;
    std::unique_ptr<BalloonTip> balloon;
    QImage image;
    QColor base;
    QColor light;
    QColor ink;
};

TEST_F(BalloonPainting, BodyAndPointerInTheTipColourFramedDarkGrey) {
    const int w = image.width();
    const int h = image.height();
    const struct {
        const char* where;
        QPoint at;
        QColor expected; // invalid: nothing painted
    } cases[] = {
        {"inside the pointer", {10, 6}, base},
        {"pointer's left edge", {8, 4}, kDarkGrey},
        {"left of the pointer", {3, 3}, QColor()},
        {"right of the pointer", {30, 3}, QColor()},
        {"the rounded top-left corner", {0, 9}, QColor()},
        {"the rounded bottom-right corner", {w - 1, h - 1}, QColor()},
        {"body's top edge", {40, 8}, kDarkGrey},
        {"body's left edge", {0, h / 2}, kDarkGrey},
        {"body's bottom edge", {w / 2, h - 1}, kDarkGrey},
        {"body's right edge", {w - 1, h / 2}, kDarkGrey},
        {"inside the body, right of the text", {w - 4, h / 2}, base},
        {"under the pointer, where it joins the body", {11, 9}, base},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        if (c.expected.isValid()) {
            EXPECT_EQ(At(c.at.x(), c.at.y()), c.expected);
        } else {
            EXPECT_EQ(At(c.at.x(), c.at.y()).alpha(), 0);
        }
    }
}

TEST_F(BalloonPainting, TextInTheTipTextColourOverALightCopyOnePixelDownAndRight) {
    const QRect text = Pixels(ink);
    const QRect highlight = Pixels(light);
    ASSERT_FALSE(text.isEmpty());
    ASSERT_FALSE(highlight.isEmpty());
    // Text rectangle 8, 16 to R - 8, B - 8, moved up and left by one for the dark copy.
    EXPECT_GE(text.left(), 7);
    EXPECT_LE(text.left(), 9);
    // Ascenders may reach a pixel above the font's ascent.
    EXPECT_GE(text.top(), 14);
    EXPECT_LE(text.top(), 17);
    EXPECT_LE(text.bottom(), image.height() - 9);
    EXPECT_LE(text.right(), image.width() - 9);
    EXPECT_EQ(highlight.right(), text.right() + 1);
    EXPECT_EQ(highlight.bottom(), text.bottom() + 1);
    // Two lines of text.
    EXPECT_GT(text.height(), QFontMetrics(BalloonTip::BalloonFont()).height());
}

TEST(ToolTipModule, KeepsAnEntryForEveryTooltipMade) {
    QWidget form;
    QLabel first(&form);
    QLabel second(&form);
    QLabel third(&form);
    const int before = ToolTip::ToolTipCount();
    ToolTip::AddToolTip(&first, QStringLiteral("one"), &form);
    ToolTip::AddToolTip(&second, QStringLiteral("two"), &form);
    ToolTip::AddToolTip(&third, QStringLiteral("three\r\nlines\r\nhere"), &form);
    ASSERT_EQ(ToolTip::ToolTipCount(), before + 3);
    ASSERT_EQ(ToolTip::ToolTips().size(), static_cast<std::size_t>(before + 3));
    const QLabel* controls[] = {&first, &second, &third};
    const char* texts[] = {"one", "two", "three\r\nlines\r\nhere"};
    for (int index = 0; index < 3; ++index) {
        const ToolTip::ToolTipEntry& entry = ToolTip::ToolTips().at(before + index);
        EXPECT_EQ(entry.control, controls[index]);
        ASSERT_NE(entry.window, nullptr);
        EXPECT_EQ(entry.window->Text(), QString::fromLatin1(texts[index]));
        EXPECT_EQ(entry.window->parentWidget(), &form);
        EXPECT_TRUE(entry.window->windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_TRUE(entry.window->isHidden());
    }
}

TEST(ToolTipModule, ShowsWhileTheMouseRestsOverTheControlAndHidesWhenItLeaves) {
    QWidget form;
    form.resize(200, 200);
    QLabel control(QStringLiteral("picture"), &form);
    control.setGeometry(10, 10, 50, 50);
    form.show();
    ToolTip::AddToolTip(&control, QStringLiteral("resting"), &form);
    BalloonTip* balloon = ToolTip::ToolTips().back().window;
    ASSERT_NE(balloon, nullptr);

    const QPoint global = control.mapToGlobal(QPoint(20, 20));
    QHelpEvent rest(QEvent::ToolTip, QPoint(20, 20), global);
    QApplication::sendEvent(&control, &rest);
    EXPECT_TRUE(balloon->isVisible());
    EXPECT_EQ(balloon->pos(), global + QPoint(-2, 20));
    EXPECT_TRUE(control.toolTip().isEmpty()) << "no plain tip beside the balloon";

    // Resting again elsewhere follows the cursor.
    const QPoint later = control.mapToGlobal(QPoint(40, 5));
    QHelpEvent again(QEvent::ToolTip, QPoint(40, 5), later);
    QApplication::sendEvent(&control, &again);
    EXPECT_EQ(balloon->pos(), later + QPoint(-2, 20));

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&control, &leave);
    EXPECT_FALSE(balloon->isVisible());
}

} // namespace
