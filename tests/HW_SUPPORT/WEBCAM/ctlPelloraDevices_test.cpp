#include "PelloraTestHelpers.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace pellora_test;

namespace {

constexpr int kTwipsPerPixel = 15;

TEST(ctlPelloraDevices, InitControlListsTheTestCamerasAndShowsTheVideoArea) {
    ctlPellora control;
    EXPECT_TRUE(control.IsDeviceReady());
    EXPECT_EQ(control.InitControl(), u"");
    EXPECT_EQ(Entries(control),
              (QStringList{QStringLiteral("Test Camera 1"), QStringLiteral("Test Camera 2")}));
    EXPECT_EQ(control.DeviceState(), ctlPellora::DeviceStates::DeviceReady);
    EXPECT_EQ(ShownChildren(control), u"picVideo");
    EXPECT_TRUE(control.IsDeviceReady());
    // InitControl again refills the list rather than adding to it
    EXPECT_EQ(control.InitControl(), u"");
    EXPECT_EQ(Entries(control).size(), 2);
}

struct SelectCase {
    qint16 deviceIndex;
    qint16 expectedIndex;
    int expectedRow;
    const char* expectedTooltip;
};

TEST(ctlPelloraDevices, InitControlSelectsAValidDevice) {
    const SelectCase cases[] = {
        {2, 0, 0, "Test Camera 1"}, // beyond the list: back to the first
        {1, 1, 1, "Test Camera 2"},
        {0, 0, 0, "Test Camera 1"},
        {99, 0, 0, "Test Camera 1"},
    };
    for (const SelectCase& c : cases) {
        SCOPED_TRACE(c.deviceIndex);
        ctlPellora control;
        control.SetDeviceIndex(c.deviceIndex);
        EXPECT_EQ(control.InitControl(), u"");
        EXPECT_EQ(control.DeviceIndex(), c.expectedIndex);
        EXPECT_EQ(DeviceList(control)->currentRow(), c.expectedRow);
        EXPECT_EQ(DeviceList(control)->toolTip(), QString::fromLatin1(c.expectedTooltip));
    }
}

TEST(ctlPelloraDevices, NegativeDeviceIndexFailsInitControlAndIsLogged) {
    const QString logged = QStringLiteral("Invalid property value - Method: InitControl");
    const qsizetype before = CountLogLinesEndingWith(logged);
    ctlPellora control;
    control.SetDeviceIndex(-2);
    EXPECT_EQ(control.InitControl(), u"Invalid property value");
    EXPECT_GT(CountLogLinesEndingWith(logged), before);
    EXPECT_THROW(control.StartCapture(), PelloraError);
}

TEST(ctlPelloraDevices, DeviceListOkTakesTheSelectionAndCancelKeepsTheDevice) {
    ctlPellora control;
    control.show();
    ASSERT_EQ(control.InitControl(), u"");
    auto* ok = control.findChild<QPushButton*>(QStringLiteral("btnOK"));
    auto* cancel = control.findChild<QPushButton*>(QStringLiteral("btnCancel"));
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(ok->text(), u"OK");
    EXPECT_EQ(cancel->text(), u"Cancel");

    EXPECT_EQ(control.ShowDeviceList(), u"");
    EXPECT_EQ(ShownChildren(control), u"lstDevices,fraButtons");
    DeviceList(control)->setCurrentRow(1);
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_EQ(control.DeviceIndex(), 1);
    EXPECT_EQ(DeviceList(control)->toolTip(), u"Test Camera 2");
    EXPECT_EQ(ShownChildren(control), u"picVideo");

    control.ShowDeviceList();
    DeviceList(control)->setCurrentRow(0);
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(control.DeviceIndex(), 1);
    EXPECT_EQ(ShownChildren(control), u"picVideo");
}

struct LayoutCase {
    int widthTwips;
    int heightTwips;
    QSize expectedTwips;
    QRect picture;  // picVideo and imgDisplay
    QRect list;     // lstDevices
    QPoint buttons; // fraButtons' top left
};

TEST(ctlPelloraDevices, ResizeKeepsAtLeast1500TwipsAndPlacesTheChildren) {
    // 15 twips a pixel; the buttons' frame is 136 x 25 pixels where there is room and shares the
    // width of a narrow control; it stands centred below the list, inside the control.
    const LayoutCase cases[] = {
        {1000, 800, {1500, 1500}, {0, 0, 99, 99}, {0, 0, 99, 70}, {1, 72}},
        {3000, 2250, {3000, 2250}, {0, 0, 199, 149}, {0, 0, 199, 120}, {32, 122}},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.widthTwips);
        ctlPellora control;
        control.show();
        control.resize(c.widthTwips / kTwipsPerPixel, c.heightTwips / kTwipsPerPixel);
        EXPECT_EQ(control.size() * kTwipsPerPixel, c.expectedTwips);
        EXPECT_EQ(Picture(control, "picVideo")->geometry(), c.picture);
        EXPECT_EQ(Picture(control, "imgDisplay")->geometry(), c.picture);
        EXPECT_EQ(DeviceList(control)->geometry(), c.list);
        EXPECT_EQ(control.findChild<QFrame*>(QStringLiteral("fraButtons"))->pos(), c.buttons);
    }
}

} // namespace
