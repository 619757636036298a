#include "PelloraTestHelpers.h"
#include "TempFolderFiles.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

using namespace pellora_test;
using State = ctlPellora::DeviceStates;

namespace {

class ctlPelloraPreview : public ::testing::Test {
protected:
    void SetUp() override {
        control.resize(330, 250);
        control.show();
        ASSERT_EQ(control.InitControl(), u"");
    }

    ctlPellora control;
};

QImage ReadByContent(const QString& path, QByteArray* format) {
    *format = QImageReader::imageFormat(path);
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    return reader.read();
}

int DistinctColours(const QImage& image) {
    QSet<QRgb> colours;
    for (int x = 0; x < image.width(); x += 4) {
        colours.insert(image.pixel(x, image.height() / 4) & 0xF0F0F0);
    }
    return static_cast<int>(colours.size());
}

bool Near(QRgb pixel, int red, int green, int blue) {
    return std::abs(qRed(pixel) - red) < 16 && std::abs(qGreen(pixel) - green) < 16 &&
           std::abs(qBlue(pixel) - blue) < 16;
}

struct Step {
    const char* what;
    std::function<QString(ctlPellora&)> action;
    const char* answer; // nullptr: not checked
    State state;
    bool captureWindow;
};

TEST_F(ctlPelloraPreview, FollowsTheStateTable) {
    const auto start = [](ctlPellora& c) { return c.StartCapture(); };
    const auto stop = [](ctlPellora& c) { return c.StopCapture(); };
    const auto index = [](qint16 i) {
        return [i](ctlPellora& c) {
            c.SetDeviceIndex(i);
            return c.StartCapture();
        };
    };
    const Step steps[] = {
        {"start", start, "", State::PreviewRunning, true},
        {"start again", start, "VIDEO_ALREADY_RUNNING", State::PreviewRunning, true},
        {"stop", stop, "", State::DeviceReady, false},
        {"stop again", stop, "NO_VIDEO_RUNNING", State::DeviceReady, false},
        {"start", start, "", State::PreviewRunning, true},
        {"device list", [](ctlPellora& c) { return c.ShowDeviceList(); }, "", State::DeviceReady,
         false},
        {"start", start, "", State::PreviewRunning, true},
        {"clear", [](ctlPellora& c) { return c.ClearImage().toString(); }, "", State::DeviceReady,
         false},
        {"start", start, "", State::PreviewRunning, true},
        {"dispose", [](ctlPellora& c) { return c.DisposeControl(); }, "", State::PreviewRunning,
         false},
        {"start after dispose", start, "VIDEO_ALREADY_RUNNING", State::PreviewRunning, false},
        {"stop after dispose", stop, "", State::DeviceReady, false},
        {"start a missing device", index(7), "DEVICE_ERROR", State::DeviceError, false},
        {"start a good device after the error", index(0), "DEVICE_ERROR", State::DeviceError,
         false},
        {"stop in the error state", stop, "", State::DeviceError, false},
        {"init again", [](ctlPellora& c) { return c.InitControl(); }, "", State::DeviceReady,
         false},
        {"start", start, "", State::PreviewRunning, true},
        {"init while running", [](ctlPellora& c) { return c.InitControl(); }, "",
         State::DeviceReady, false},
        {"start", start, "", State::PreviewRunning, true},
        {"show image", [](ctlPellora& c) { return c.ShowImage(); },
         "Cannot ShowImage; both ShowImage and NoImage Get Urls are empty!", State::DeviceReady,
         false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const QString answer = step.action(control);
        if (step.answer != nullptr) {
            EXPECT_EQ(answer, QString::fromLatin1(step.answer));
        }
        EXPECT_EQ(control.DeviceState(), step.state);
        EXPECT_EQ(control.IsDeviceReady(), step.state != State::DeviceError);
        EXPECT_EQ(CaptureWindow(control) != nullptr, step.captureWindow);
    }
}

TEST_F(ctlPelloraPreview, PreviewFillsTheInnerAreaOfPicVideoAndShowsTheTestPicture) {
    ASSERT_EQ(control.StartCapture(), u"");
    EXPECT_EQ(ShownChildren(control), u"picVideo");
    QWidget* window = CaptureWindow(control);
    ASSERT_NE(window, nullptr);
    QLabel* picVideo = Picture(control, "picVideo");
    EXPECT_EQ(window->parentWidget(), picVideo);
    EXPECT_EQ(window->geometry(), picVideo->contentsRect());
    EXPECT_NE(window->size(), QSize(640, 480));
    // SMPTE bars: the top left turns white once the first frames are painted
    EXPECT_TRUE(
        WaitFor([window] { return Near(window->grab().toImage().pixel(2, 2), 255, 255, 255); }));
}

TEST_F(ctlPelloraPreview, CaptureWithoutPreviewWritesNoFile) {
    const QString name = QStringLiteral("NoPreview_0002.jpg");
    control.SetSaveImageFileName(name);
    EXPECT_EQ(control.CaptureImage(), u"NOT_IN_PREVIEW_MODE");
    EXPECT_FALSE(QFile::exists(TempPath(name)));
    // nor after a preview was stopped
    ASSERT_EQ(control.StartCapture(), u"");
    ASSERT_EQ(control.StopCapture(), u"");
    EXPECT_EQ(control.CaptureImage(), u"NOT_IN_PREVIEW_MODE");
    EXPECT_FALSE(QFile::exists(TempPath(name)));
}

TEST_F(ctlPelloraPreview, CaptureWritesABitmapOfTheTestPatternUnderTheJpgNameAndShowsIt) {
    const QString name = QStringLiteral("Ann_0007.jpg");
    {
        QFile stale(TempPath(name));
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("an older still, longer than nothing at all");
    }
    ASSERT_EQ(control.StartCapture(), u"");
    control.SetSaveImageFileName(name);
    const QString answer = control.CaptureImage();
    // no image server is set, so the upload answers with its error and the request URL
    EXPECT_TRUE(answer.endsWith(u" (?slots=1&FileName=Ann_0007.jpg&FileSavePath=)"))
        << answer.toStdString();

    QFile file(TempPath(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(2), QByteArray("BM"));
    QByteArray format;
    const QImage still = ReadByContent(TempPath(name), &format);
    EXPECT_EQ(format, QByteArray("bmp"));
    ASSERT_FALSE(still.isNull());
    EXPECT_TRUE(Near(still.pixel(2, 2), 255, 255, 255));
    EXPECT_GE(DistinctColours(still), 6) << "the bars of the test pattern";

    EXPECT_EQ(control.DeviceState(), State::DeviceReady);
    EXPECT_EQ(CaptureWindow(control), nullptr);
    EXPECT_EQ(ShownChildren(control), u"imgDisplay");
    const QPixmap shown = Picture(control, "imgDisplay")->pixmap();
    EXPECT_EQ(shown.size(), still.size());
    EXPECT_EQ(shown.toImage().convertToFormat(QImage::Format_RGB32).pixel(2, 2),
              still.convertToFormat(QImage::Format_RGB32).pixel(2, 2));
    // a second capture needs a new preview
    EXPECT_EQ(control.CaptureImage(), u"NOT_IN_PREVIEW_MODE");
}

// Every user of the workstation shares the temporary folder; a visitor's photo is for this user
// alone from the moment it exists, whatever the user's file mode mask.
TEST_F(ctlPelloraPreview, StillIsReadableByItsUserAlone) {
    const QString name = QStringLiteral("Private_0008.jpg");
    for (const mode_t mask : {mode_t{0}, mode_t{022}}) {
        SCOPED_TRACE(mask);
        QFile::remove(TempPath(name));
        const temp_folder_files::UmaskScope scope(mask);
        ASSERT_EQ(control.StartCapture(), u"");
        control.SetSaveImageFileName(name);
        control.CaptureImage();
        ASSERT_FALSE(QImage(TempPath(name), "BMP").isNull());
        EXPECT_EQ(temp_folder_files::PermissionBits(TempPath(name)), 0600);
    }
}

// A disk that fills up while the still is written leaves neither a part of it nor an older file's
// content under the still's name, and the preview goes on.
TEST_F(ctlPelloraPreview, StillThatCannotBeWrittenWholeLeavesNoFile) {
    const QString name = QStringLiteral("Full_0009.jpg");
    QFile::remove(TempPath(name));
    ASSERT_EQ(control.StartCapture(), u"");
    control.SetSaveImageFileName(name);
    QString answer;
    {
        const temp_folder_files::FileSizeLimit full(4096);
        ASSERT_TRUE(full.IsActive());
        answer = control.CaptureImage();
    }
    EXPECT_TRUE(answer.startsWith(u"The file could not be written whole as " % TempPath(name)))
        << answer.toStdString();
    EXPECT_FALSE(QFile::exists(TempPath(name)));
    EXPECT_EQ(QDir(TempPath(QString()))
                  .entryList({name + u'*'}, QDir::AllEntries | QDir::Hidden | QDir::System),
              QStringList());
    EXPECT_EQ(control.DeviceState(), State::PreviewRunning);
    EXPECT_EQ(ShownChildren(control), u"picVideo");
}

TEST_F(ctlPelloraPreview, DeviceListDuringPreviewStopsItAndTheChosenDeviceOpensNext) {
    ASSERT_EQ(control.StartCapture(), u"");
    EXPECT_EQ(control.ShowDeviceList(), u"");
    EXPECT_EQ(ShownChildren(control), u"lstDevices,fraButtons");
    EXPECT_EQ(CaptureWindow(control), nullptr);
    EXPECT_EQ(control.StopCapture(), u"NO_VIDEO_RUNNING");

    DeviceList(control)->setCurrentRow(1);
    QTest::mouseClick(control.findChild<QWidget*>(QStringLiteral("btnOK")), Qt::LeftButton);
    EXPECT_EQ(CaptureWindow(control), nullptr) << "OK does not restart the preview";
    ASSERT_EQ(control.StartCapture(), u"");
    control.SetSaveImageFileName(QStringLiteral("Second_0003.jpg"));
    control.CaptureImage();
    const QImage still(TempPath(QStringLiteral("Second_0003.jpg")), "BMP");
    ASSERT_FALSE(still.isNull());
    EXPECT_TRUE(Near(still.pixel(still.width() / 2, still.height() / 2), 255, 0, 0))
        << "Test Camera 2 shows red";
}

TEST_F(ctlPelloraPreview, ClearImageStopsThePreviewAndEmptiesThePictures) {
    ASSERT_EQ(control.StartCapture(), u"");
    control.SetSaveImageFileName(QStringLiteral("Clear_0004.jpg"));
    control.CaptureImage();
    ASSERT_FALSE(Picture(control, "imgDisplay")->pixmap().isNull());
    ASSERT_EQ(control.StartCapture(), u"");
    EXPECT_FALSE(control.ClearImage().isValid());
    EXPECT_EQ(control.DeviceState(), State::DeviceReady);
    EXPECT_EQ(ShownChildren(control), u"imgDisplay");
    EXPECT_TRUE(Picture(control, "imgDisplay")->pixmap().isNull());
    EXPECT_TRUE(Picture(control, "picVideo")->pixmap().isNull());
}

TEST_F(ctlPelloraPreview, StillNameThatLeavesTheTemporaryFolderIsRefusedAndLogged) {
    const struct { const char* name; } cases[] = {{"../Escape_0005.jpg"}, {""}, {"sub/dir.jpg"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString name = QString::fromLatin1(c.name);
        const QString logged = u"; Path: " % TempPath(QString()) % u"; FileName: " % name;
        const qsizetype before = CountLogLinesEndingWith(logged);
        ASSERT_EQ(control.StartCapture(), u"");
        control.SetSaveImageFileName(name);
        EXPECT_EQ(control.CaptureImage(), u"Invalid file name: " % name);
        EXPECT_GT(CountLogLinesEndingWith(logged), before);
        ASSERT_EQ(control.StopCapture(), u"");
    }
    EXPECT_FALSE(QFile::exists(TempPath(QStringLiteral("../Escape_0005.jpg"))));
}

} // namespace
