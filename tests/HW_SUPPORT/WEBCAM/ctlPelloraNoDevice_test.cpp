#include "PelloraTestHelpers.h"

#include <QFile>

#include <gtest/gtest.h>

#include <functional>

using namespace pellora_test;

namespace {

void ExpectInitializationError(const std::function<QString()>& call) {
    try {
        call();
        ADD_FAILURE() << "no error raised";
    } catch (const PelloraError& error) {
        EXPECT_EQ(error.Number(), -1);
        EXPECT_EQ(error.Source(), u"PLR");
        EXPECT_EQ(error.Description(), u"CONTROL_INITIALIZATION_ERROR");
        EXPECT_STREQ(error.what(), "CONTROL_INITIALIZATION_ERROR");
    }
}

TEST(ctlPelloraNoDevice, BeforeInitControlTheDeviceCountsAsReadyButCaptureRaises) {
    ctlPellora control;
    EXPECT_TRUE(control.IsDeviceReady());
    EXPECT_EQ(control.DeviceState(), ctlPellora::DeviceStates::None);
    EXPECT_EQ(ShownChildren(control), u"");
    ExpectInitializationError([&] { return control.StartCapture(); });
    ExpectInitializationError([&] { return control.CaptureImage(); });
    ExpectInitializationError([&] { return control.ShowImage(); });
    // the others work in any state
    EXPECT_EQ(control.StopCapture(), u"");
    EXPECT_EQ(control.DisposeControl(), u"");
    EXPECT_FALSE(control.ClearImage().isValid());
}

TEST(ctlPelloraNoDevice, InitControlWithoutDevicesShowsTheEmptyListAndStaysUninitialised) {
    ctlPellora control;
    EXPECT_EQ(control.InitControl(), u"NO_DEVICE_FOUND");
    EXPECT_EQ(control.DeviceState(), ctlPellora::DeviceStates::NoDeviceFound);
    EXPECT_EQ(Entries(control), QStringList{QStringLiteral("(No Device Available)")});
    EXPECT_EQ(control.ViewMode(), ctlPellora::ViewModes::DeviceList);
    EXPECT_EQ(ShownChildren(control), u"lstDevices,fraButtons");
    EXPECT_FALSE(control.IsDeviceReady());

    ExpectInitializationError([&] { return control.StartCapture(); });
    control.SetSaveImageFileName(QStringLiteral("Nobody_0001.jpg"));
    ExpectInitializationError([&] { return control.CaptureImage(); });
    EXPECT_FALSE(QFile::exists(TempPath(QStringLiteral("Nobody_0001.jpg"))));

    // a second InitControl keeps the single entry, not two
    EXPECT_EQ(control.InitControl(), u"NO_DEVICE_FOUND");
    EXPECT_EQ(Entries(control), QStringList{QStringLiteral("(No Device Available)")});
}

} // namespace
