#include "frmMainFixture.h"

#include "ctlPellora.h"

namespace {

class frmMainWebcamTest : public frmMainTest {
protected:
    ctlPellora* Webcam() const { return Child<ctlPellora>(QStringLiteral("ctlWebcam")); }
};

} // namespace

// Loading starts the hosted control; without a camera the window works as usual.
TEST_F(frmMainWebcamTest, LoadingStartsTheControlWithOrWithoutCamera) {
    const struct {
        const char* cameras;
        ctlPellora::DeviceStates state;
    } cases[] = {
        {"0", ctlPellora::DeviceStates::NoDeviceFound},
        {"1", ctlPellora::DeviceStates::DeviceReady},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.cameras);
        qputenv("QUORVANE_TEST_CAMERA", entry.cameras);
        frmMain& main = OpenWindow();
        EXPECT_EQ(Webcam()->DeviceState(), entry.state);
        EXPECT_EQ(Webcam()->parentWidget(), Child(QStringLiteral("fraWebCamControlContainer")));
        main.EnableSearchMode();
        main.EnableCheckedInListMode();
        main.EnableNewMode();
        EXPECT_TRUE(Shown(QStringLiteral("fraWebCamControlContainer")));
        EXPECT_TRUE(MsgBox::Recorded().empty());
    }
}

TEST_F(frmMainWebcamTest, ClosingWhilePreviewRunsEndsCleanly) {
    qputenv("QUORVANE_TEST_CAMERA", "1");
    OpenWindow();
    ASSERT_EQ(Webcam()->StartCapture(), QString());
    ASSERT_EQ(Webcam()->DeviceState(), ctlPellora::DeviceStates::PreviewRunning);
    MsgBox::QueueAnswer(MsgBox::Result::Yes);
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    // The window and its control go away cleanly after the preview was disposed of.
    window.reset();
}
