// The device list view laid out inside the control at every size the resize rules allow, measured
// with the font the control is designed for.
#include "PelloraTestHelpers.h"

#include <QFontInfo>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>

#include <gtest/gtest.h>

using namespace pellora_test;

namespace {

constexpr int TwipsPerPixel = 15;

struct Size {
    const char* what;
    int widthTwips;
    int heightTwips;
};

std::string Text(const QRect& r) {
    return std::to_string(r.x()) + ',' + std::to_string(r.y()) + ' ' + std::to_string(r.width()) +
           'x' + std::to_string(r.height());
}

// Where a child lies in the control's own coordinates.
QRect InControl(const ctlPellora& control, const QWidget* child) {
    return QRect(child->mapTo(&control, QPoint(0, 0)), child->size());
}

TEST(ctlPelloraLayout, DeviceListAndBothButtonsLieInsideTheControl) {
    const Size sizes[] = {
        {"the main window's webcam frame", 1755, 2220},
        {"inside the frame's border", 1725, 2190},
        {"the smallest the control allows", 1500, 1500},
        {"wide and low", 4500, 1500},
        {"narrow and tall", 1500, 4500},
        {"large", 6000, 4500},
    };
    ctlPellora control;
    ASSERT_EQ(control.InitControl(), u"NO_DEVICE_FOUND");
    EXPECT_EQ(QFontInfo(control.font()).family(), QStringLiteral("Tahoma"));
    QListWidget* list = DeviceList(control);
    QWidget* buttons = control.findChild<QWidget*>(QStringLiteral("fraButtons"));
    const QString entry = QStringLiteral("(No Device Available)");
    ASSERT_EQ(Entries(control), QStringList{entry});

    for (const Size& size : sizes) {
        SCOPED_TRACE(size.what);
        control.resize(size.widthTwips / TwipsPerPixel, size.heightTwips / TwipsPerPixel);
        // Rendering lays the children out as a shown control would be.
        const QPixmap picture = control.grab();
        ASSERT_FALSE(picture.isNull());
        const QRect area = control.rect();

        const QRect listRect = InControl(control, list);
        EXPECT_TRUE(area.contains(listRect)) << Text(listRect) << " in " << Text(area);
        for (const char* name : {"btnOK", "btnCancel"}) {
            const auto* button = control.findChild<QPushButton*>(QString::fromLatin1(name));
            ASSERT_NE(button, nullptr);
            const QRect rect = InControl(control, button);
            EXPECT_TRUE(area.contains(rect)) << name << ' ' << Text(rect) << " in " << Text(area);
            EXPECT_FALSE(rect.intersects(listRect))
                << name << ' ' << Text(rect) << " and " << Text(listRect);
            // The caption fits its button.
            const int needed = button->fontMetrics().horizontalAdvance(button->text());
            EXPECT_GE(button->contentsRect().width(), needed) << name;
        }
        EXPECT_TRUE(area.contains(InControl(control, buttons)));

        // The entry's whole text is inside the list's visible area: on one line when it fits,
        // else wrapped onto as many lines as it needs.
        const QRect item = list->visualItemRect(list->item(0));
        const QRect viewport = list->viewport()->rect();
        EXPECT_TRUE(viewport.contains(item)) << Text(item) << " in " << Text(viewport);
        const QFontMetrics metrics = list->fontMetrics();
        const int textWidth = metrics.horizontalAdvance(entry);
        const int margin =
            2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
        const int lineWidth = std::max(1, item.width() - margin);
        const int lines = (textWidth + lineWidth - 1) / lineWidth;
        EXPECT_GE(item.height(), lines * metrics.height())
            << Text(item) << " for " << textWidth << " px on " << lines << " lines";
    }
}

} // namespace
