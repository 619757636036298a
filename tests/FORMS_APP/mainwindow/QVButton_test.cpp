#include "mainwindow/QVButton.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

// Face and caption places plus the control's height: what a press must give back.
struct Look {
    int height;
    QPoint face;
    QSize faceSize;
    QPoint caption;

    bool operator==(const Look&) const = default;
};

class QVButtonTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        host->resize(300, 200);
        other = new QWidget(host.get());
        other->setFocusPolicy(Qt::StrongFocus);
        other->setGeometry(200, 150, 20, 20);
        button = new QVButton(host.get());
        button->setObjectName(QStringLiteral("btnTest"));
        button->setGeometry(20, 30, QVButton::DefaultWidth, QVButton::DefaultHeight);
        host->show();
        QApplication::setActiveWindow(host.get());
        clicks = std::make_unique<QSignalSpy>(button, &QVButton::Click);
    }

    QLabel* Face() const { return button->findChild<QLabel*>(QStringLiteral("imgButton")); }
    QLabel* Caption() const { return button->findChild<QLabel*>(QStringLiteral("lblButtonText")); }

    Look Current() const {
        return {button->height(), Face()->pos(), Face()->size(), Caption()->pos()};
    }

    void Key(QEvent::Type type, int key, bool autoRepeat = false) {
        const QString text = key == Qt::Key_Space ? QStringLiteral(" ") : QString();
        QKeyEvent event(type, key, Qt::NoModifier, text, autoRepeat);
        QApplication::sendEvent(button, &event);
    }

    void Mouse(QEvent::Type type, const QPoint& pos, Qt::MouseButton which, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(pos), button->mapToGlobal(QPointF(pos)), which, held,
                          Qt::NoModifier);
        QApplication::sendEvent(button, &event);
    }

    QColor Surface() const { return button->palette().color(QPalette::Window); }

    std::unique_ptr<QWidget> host;
    QWidget* other = nullptr;
    QVButton* button = nullptr;
    std::unique_ptr<QSignalSpy> clicks;
};

const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kSilver(0xC0, 0xC0, 0xC0);

TEST_F(QVButtonTest, NewButtonHasDesignDefaultsAndFaceOnePixelIn) {
    auto fresh = std::make_unique<QVButton>();
    EXPECT_EQ(fresh->Caption(), QStringLiteral("Button"));
    EXPECT_TRUE(fresh->Enabled());
    EXPECT_TRUE(fresh->Visible());
    EXPECT_EQ(fresh->size(), QSize(103, 26));

    const QFont font = Caption()->font();
    EXPECT_EQ(font.family(), QStringLiteral("Tahoma"));
    EXPECT_DOUBLE_EQ(font.pointSizeF(), 9.75);
    EXPECT_FALSE(font.bold());

    // One pixel of surface left, above and right of the face, none below.
    EXPECT_EQ(Face()->geometry(), QRect(1, 1, 101, 25));
    EXPECT_EQ(Surface(), kWhite);
    EXPECT_EQ(button->MouseIcon().shape(), Face()->cursor().shape());
}

TEST_F(QVButtonTest, FaceIsAGreyGradientWithARoundedBorder) {
    const QImage face = Face()->pixmap().toImage();
    ASSERT_EQ(face.size(), QSize(140, 24));
    struct Pixel {
        int x;
        int y;
        int grey; // -1: transparent
    };
    const Pixel pixels[] = {
        {0, 0, -1},    {1, 0, -1},    {2, 0, 196},   {139, 0, -1},   {137, 0, 196},
        {0, 1, -1},    {1, 1, 196},   {0, 2, 196},   {139, 12, 196}, {0, 23, -1},
        {1, 22, 196},  {70, 23, 196}, {70, 1, 253},  {70, 10, 242},  {70, 11, 235},
        {70, 12, 225}, {70, 13, 226}, {70, 22, 240}, {2, 1, 253},
    };
    for (const Pixel& p : pixels) {
        SCOPED_TRACE(testing::Message() << "pixel " << p.x << "," << p.y);
        const QColor colour = face.pixelColor(p.x, p.y);
        if (p.grey < 0) {
            EXPECT_EQ(colour.alpha(), 0);
        } else {
            EXPECT_EQ(colour, QColor(p.grey, p.grey, p.grey));
        }
    }
    // Each inner row is one grey, darkest just below the middle.
    for (int y = 2; y < 22; ++y) {
        EXPECT_EQ(face.pixelColor(10, y), face.pixelColor(120, y)) << "row " << y;
        EXPECT_GE(face.pixelColor(10, y).red(), 225) << "row " << y;
    }
}

TEST_F(QVButtonTest, OneKeyPressAndReleaseGivesOneClickAndRestoresTheLook) {
    struct Case {
        int key;
        int repeats;
    };
    const Case cases[] = {{Qt::Key_Return, 0},
                          {Qt::Key_Enter, 0},
                          {Qt::Key_Space, 0},
                          {Qt::Key_Return, 5},
                          {Qt::Key_Space, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " repeats " << c.repeats);
        clicks->clear();
        const Look before = Current();

        Key(QEvent::KeyPress, c.key);
        const Look pressed = Current();
        EXPECT_EQ(pressed.height, before.height + 1);
        EXPECT_EQ(pressed.face, before.face + QPoint(1, 1));
        EXPECT_EQ(pressed.caption, before.caption + QPoint(1, 1));
        EXPECT_EQ(pressed.faceSize, before.faceSize);

        // A held key repeats as release and press pairs.
        for (int i = 0; i < c.repeats; ++i) {
            Key(QEvent::KeyRelease, c.key, true);
            Key(QEvent::KeyPress, c.key, true);
            EXPECT_EQ(Current(), pressed);
        }
        EXPECT_EQ(clicks->count(), 0);

        Key(QEvent::KeyRelease, c.key);
        EXPECT_EQ(clicks->count(), 1);
        EXPECT_EQ(Current(), before);
    }
}

TEST_F(QVButtonTest, OtherKeysAndStrayReleasesGiveNoClick) {
    const Look before = Current();
    Key(QEvent::KeyPress, Qt::Key_A);
    Key(QEvent::KeyRelease, Qt::Key_A);
    // The release of a key pressed somewhere else, before the focus arrived.
    Key(QEvent::KeyRelease, Qt::Key_Return);
    // Enter pressed, Space released: only Enter's own release counts.
    Key(QEvent::KeyPress, Qt::Key_Return);
    Key(QEvent::KeyRelease, Qt::Key_Space);
    EXPECT_EQ(clicks->count(), 0);
    Key(QEvent::KeyRelease, Qt::Key_Return);
    EXPECT_EQ(clicks->count(), 1);
    EXPECT_EQ(Current(), before);
}

TEST_F(QVButtonTest, FocusTurnsTheSurfaceSilverAndItsLossReleasesAHeldKeyOnce) {
    const Look before = Current();
    button->setFocus();
    ASSERT_TRUE(button->hasFocus());
    EXPECT_EQ(Surface(), kSilver);

    other->setFocus();
    EXPECT_EQ(Surface(), kWhite);
    EXPECT_EQ(Current(), before);

    button->setFocus();
    Key(QEvent::KeyPress, Qt::Key_Space);
    other->setFocus();
    EXPECT_EQ(Current(), before);
    // The key comes up elsewhere; coming back with it up changes nothing.
    Key(QEvent::KeyRelease, Qt::Key_Space);
    button->setFocus();
    EXPECT_EQ(Current(), before);
    EXPECT_EQ(clicks->count(), 0);
}

TEST_F(QVButtonTest, CaptionIsReCentredOnTheFaceWhenItChanges) {
    for (const QString& text : {QStringLiteral("Check-In"), QStringLiteral("OK"),
                                QStringLiteral("A rather long caption")}) {
        SCOPED_TRACE(text.toStdString());
        button->SetCaption(text);
        EXPECT_EQ(button->Caption(), text);
        const QRect caption = Caption()->geometry();
        EXPECT_EQ(caption.width(), Caption()->sizeHint().width());
        EXPECT_EQ(caption.left(), (Face()->width() - caption.width()) / 2);
        EXPECT_EQ(caption.top(), (Face()->height() - caption.height()) / 2);
    }
}

TEST_F(QVButtonTest, VisibleFalseHidesFaceAndCaptionButKeepsTheSurface) {
    button->SetVisible(false);
    EXPECT_FALSE(button->Visible());
    EXPECT_TRUE(Face()->isHidden());
    EXPECT_TRUE(Caption()->isHidden());
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->size(), QSize(103, 26));
    EXPECT_EQ(Surface(), kWhite);

    button->SetVisible(true);
    EXPECT_TRUE(button->Visible());
    EXPECT_TRUE(Face()->isVisible());
    EXPECT_TRUE(Caption()->isVisible());
}

TEST_F(QVButtonTest, MouseClickRaisesOneClickAndADragOffRaisesNone) {
    const Look before = Current();
    const QPoint onFace(10, 10);

    Mouse(QEvent::MouseButtonPress, onFace, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(Current().face, before.face + QPoint(1, 1));
    Mouse(QEvent::MouseButtonRelease, onFace, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(clicks->count(), 1);
    EXPECT_EQ(Current(), before);

    Mouse(QEvent::MouseButtonPress, onFace, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, QPoint(400, 10), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(clicks->count(), 1);
    EXPECT_EQ(Current(), before);

    // The bare surface (the top pixel row) clicks without a pressed look.
    Mouse(QEvent::MouseButtonPress, QPoint(50, 0), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(Current(), before);
    Mouse(QEvent::MouseButtonRelease, QPoint(50, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(clicks->count(), 2);
}

// The window system sends the second press of a double-click as a double-click event.
TEST_F(QVButtonTest, DoubleClickRaisesOneClickAndLeavesTheRestLook) {
    const Look before = Current();
    const QPoint onFace(10, 10);
    Mouse(QEvent::MouseButtonPress, onFace, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, onFace, Qt::LeftButton, Qt::NoButton);
    Mouse(QEvent::MouseButtonDblClick, onFace, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(Current(), before);
    Mouse(QEvent::MouseButtonRelease, onFace, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(clicks->count(), 1);
    EXPECT_EQ(Current(), before);

    // The next ordinary click counts again.
    Mouse(QEvent::MouseButtonPress, onFace, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, onFace, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(clicks->count(), 2);
}

TEST_F(QVButtonTest, ResizeWhileTheMouseIsHeldWaitsForTheNextResize) {
    Mouse(QEvent::MouseButtonPress, QPoint(10, 10), Qt::LeftButton, Qt::LeftButton);
    const QSize heldFace = Face()->size();
    button->resize(150, 40);
    EXPECT_EQ(Face()->size(), heldFace);
    Mouse(QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Face()->size(), heldFace);

    button->resize(150, 42);
    EXPECT_EQ(Face()->geometry(), QRect(1, 1, 148, 41));
}

TEST_F(QVButtonTest, DisabledButtonRaisesNoClick) {
    button->SetEnabled(false);
    EXPECT_FALSE(button->Enabled());
    EXPECT_FALSE(Caption()->isEnabled());
    EXPECT_FALSE(Face()->isEnabled());

    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    Key(QEvent::KeyPress, Qt::Key_Return);
    Key(QEvent::KeyRelease, Qt::Key_Return);
    EXPECT_EQ(clicks->count(), 0);

    button->SetEnabled(true);
    EXPECT_TRUE(Caption()->isEnabled());
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(clicks->count(), 1);
}

} // namespace
