#include "PelloraCaptureSource.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(PelloraCaptureSource, TestSourceDeliversFramesOfItsPattern) {
    PelloraCaptureSource source;
    QString reason;
    ASSERT_TRUE(
        source.Start({QStringLiteral("Test"), QStringLiteral("videotestsrc"), {}, 4}, &reason))
        << reason.toStdString();
    const QImage frame = source.NewestFrame(5s);
    ASSERT_FALSE(frame.isNull());
    EXPECT_EQ(frame.pixel(frame.width() / 2, frame.height() / 2), qRgb(255, 0, 0));
    source.Stop();
    EXPECT_TRUE(source.NewestFrame(0ms).isNull()) << "no frame is kept after the stop";
}

TEST(PelloraCaptureSource, DeviceThatCannotOpenDoesNotStart) {
    PelloraCaptureSource source;
    QString reason;
    EXPECT_FALSE(source.Start({QStringLiteral("Gone"), QStringLiteral("v4l2src"),
                               QStringLiteral("/nonexistent/video9"), 0},
                              &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_TRUE(source.NewestFrame(0ms).isNull());
}

TEST(PelloraCaptureSource, MissingElementIsAnError) {
    PelloraCaptureSource source;
    QString reason;
    EXPECT_THROW(
        source.Start({QStringLiteral("None"), QStringLiteral("nosuchsrc"), {}, 0}, &reason),
        std::runtime_error);
}

} // namespace
