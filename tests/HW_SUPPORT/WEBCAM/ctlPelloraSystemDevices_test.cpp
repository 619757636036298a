#include "PelloraTestHelpers.h"

#include <QMetaObject>

#include <gtest/gtest.h>

using namespace pellora_test;

namespace {

// Without QUORVANE_TEST_CAMERA the control asks GStreamer for the machine's V4L2 sources; a
// machine without a camera has none.
TEST(ctlPelloraSystemDevices, InitControlListsTheMachinesVideoSourcesOrNone) {
    ASSERT_FALSE(qEnvironmentVariableIsSet("QUORVANE_TEST_CAMERA"));
    ctlPellora control;
    const QString answer = control.InitControl();
    if (answer == u"NO_DEVICE_FOUND") {
        EXPECT_EQ(Entries(control), QStringList{QStringLiteral("(No Device Available)")});
        EXPECT_THROW(control.StartCapture(), PelloraError);
    } else {
        EXPECT_EQ(answer, u"");
        for (const QString& entry : Entries(control)) {
            EXPECT_FALSE(entry.isEmpty());
            EXPECT_FALSE(entry.startsWith(u"Test Camera"));
        }
    }
}

// The main window may drive the control by name, as a late-bound container would.
TEST(ctlPelloraSystemDevices, MembersAreReachableByName) {
    ctlPellora control;
    EXPECT_TRUE(control.setProperty("SaveImageFileName", QStringLiteral("Ann_0007.jpg")));
    EXPECT_EQ(control.SaveImageFileName(), u"Ann_0007.jpg");
    EXPECT_TRUE(control.setProperty("DeviceIndex", QVariant::fromValue<qint16>(1)));
    EXPECT_EQ(control.DeviceIndex(), 1);
    for (const char* name : {"SaveImageServerPostUrl", "SaveImageFileSavePath",
                             "ShowImageServerGetUrl", "NoImageServerGetUrl"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(control.setProperty(name, QString::fromLatin1(name)));
        EXPECT_EQ(control.property(name).toString(), QString::fromLatin1(name));
    }
    QString answer = QStringLiteral("unset");
    EXPECT_TRUE(
        QMetaObject::invokeMethod(&control, "DisposeControl", Q_RETURN_ARG(QString, answer)));
    EXPECT_EQ(answer, u"");
    bool ready = false;
    EXPECT_TRUE(QMetaObject::invokeMethod(&control, "IsDeviceReady", Q_RETURN_ARG(bool, ready)));
    EXPECT_TRUE(ready);
    EXPECT_EQ(QString::fromLatin1(control.metaObject()
                                      ->classInfo(control.metaObject()->indexOfClassInfo("ProgID"))
                                      .value()),
              u"Pellora.ctlPellora");
}

} // namespace
