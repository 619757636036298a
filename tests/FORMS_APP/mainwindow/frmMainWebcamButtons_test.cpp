#include "TempFolderFiles.h"
#include "frmMainDetailsFixture.h"

#include "ctlPellora.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>

namespace {

const QString kNoPreview =
    QStringLiteral("No preview is running to capture the image! Click on preview first!");
const QString kFailed =
    QStringLiteral("Failed to capture the image! Please check your webcam connection!");

class frmMainWebcamButtonsTest : public frmMainDetailsTest {
protected:
    void SetUp() override {
        frmMainDetailsTest::SetUp();
        qputenv("QUORVANE_TEST_CAMERA", "1");
    }

    ctlPellora* Webcam() const { return Child<ctlPellora>(QStringLiteral("ctlWebcam")); }
    static QString TempPath(const QString& name) { return QDir::tempPath() + u'/' + name; }

    static bool IsPicture(const QString& path) {
        QImageReader reader(path);
        reader.setDecideFormatFromContent(true);
        return !reader.read().isNull();
    }
};

} // namespace

TEST_F(frmMainWebcamButtonsTest, ButtonsHaveTheirTooltips) {
    OpenWindow();
    const struct {
        const char* name;
        const char* tooltip;
    } buttons[] = {
        {"imgCamStartPreview", "Click to start preview."},
        {"imgCamCaptureSnap", "Click to capture image."},
        {"imgCamClearSnap", "Click to clear Image."},
        {"imgChooseCam", "Click to choose WebCam type."},
    };
    for (const auto& button : buttons) {
        SCOPED_TRACE(button.name);
        const auto* image = Child<LinkLabel>(QString::fromLatin1(button.name));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->toolTip(), QString::fromLatin1(button.tooltip));
        EXPECT_EQ(image->size(), QSize(18, 18));
        EXPECT_FALSE(image->pixmap().isNull());
        EXPECT_TRUE(image->isVisibleTo(window.get()));
    }
}

// The still is named after the name box and the pass number; characters no file name can hold
// are replaced, so the still stays in the temporary folder and the visit gets its photo.
TEST_F(frmMainWebcamButtonsTest, CaptureNamesTheStillAfterNameAndPassNumber) {
    const struct {
        QString name;
        QString file;
    } cases[] = {
        {QStringLiteral("Ann Lee"), QStringLiteral("Ann Lee_0001.jpg")},
        {QString(), QStringLiteral("_0001.jpg")},
        {QStringLiteral("A/B"), QStringLiteral("A_B_0001.jpg")},
        {QStringLiteral("../../x"), QStringLiteral(".._.._x_0001.jpg")},
        {QStringLiteral("C:\\a*b?\"<>|"), QStringLiteral("C__a_b______0001.jpg")},
        {QStringLiteral("Zoë O'Neil"), QStringLiteral("Zoë O'Neil_0001.jpg")},
        // A hundred characters of three bytes each would pass the file system's 255 bytes.
        {QString(100, QChar(0x8A9E)), QString(66, QChar(0x8A9E)) + QStringLiteral("_0001.jpg")},
    };
    frmMain& main = OpenWindow();
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name.toStdString());
        MsgBox::ClearRecorded();
        Edit("txtName")->setText(entry.name);
        Click("imgCamStartPreview");
        EXPECT_TRUE(frmMainDetailsAccess::PreviewRunning(main));
        Click("imgCamCaptureSnap");
        EXPECT_TRUE(Messages().isEmpty()) << Messages().join(u'|').toStdString();
        EXPECT_EQ(Webcam()->SaveImageFileName(), entry.file);
        EXPECT_TRUE(IsPicture(TempPath(entry.file)));
        EXPECT_FALSE(frmMainDetailsAccess::PreviewRunning(main));
        QFile::remove(TempPath(entry.file));
    }
}

TEST_F(frmMainWebcamButtonsTest, VisitorNamedWithASlashGetsThePhoto) {
    OpenWindow();
    TypeValidVisitor();
    Edit("txtName")->setText(QStringLiteral("A/B"));
    Click("imgCamStartPreview");
    Click("imgCamCaptureSnap");
    ClosePassWindows();
    Click("btnCheckIn");
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(u'|').toStdString();
    EXPECT_EQ(Stored(QStringLiteral("0001")).VisitorName(), QStringLiteral("A/B"));
    EXPECT_TRUE(IsPicture(folder.Path() + QStringLiteral("/Images/Visitors/0001.jpg")));
    EXPECT_FALSE(QFile::exists(TempPath(QStringLiteral("A_B_0001.jpg"))));
}

// A capture needs a preview started since the last still.
TEST_F(frmMainWebcamButtonsTest, CaptureWithoutPreviewIsRefused) {
    OpenWindow();
    Webcam()->SetSaveImageFileName(QStringLiteral("earlier.jpg"));
    Click("imgCamCaptureSnap");
    EXPECT_EQ(Messages(), QStringList{kNoPreview});
    EXPECT_EQ(MsgBox::Recorded()[0].title, QStringLiteral("Quorvane Lite"));
    EXPECT_EQ(MsgBox::Recorded()[0].icon, MsgBox::Icon::Information);
    EXPECT_EQ(Webcam()->SaveImageFileName(), QStringLiteral("earlier.jpg"));

    MsgBox::ClearRecorded();
    Edit("txtName")->setText(QStringLiteral("Ann"));
    Click("imgCamStartPreview");
    Click("imgCamCaptureSnap");
    ASSERT_TRUE(Messages().isEmpty());
    Click("imgCamCaptureSnap");
    EXPECT_EQ(Messages(), QStringList{kNoPreview});
    EXPECT_EQ(Webcam()->SaveImageFileName(), QStringLiteral("Ann_0001.jpg"));
}

// A still left from an earlier attempt cannot pass for a new one.
TEST_F(frmMainWebcamButtonsTest, StaleStillIsDeletedBeforeTheCapture) {
    OpenWindow();
    Edit("txtName")->setText(QStringLiteral("Ann"));
    const QString path = TempPath(QStringLiteral("Ann_0001.jpg"));
    {
        QFile stale(path);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("not a picture");
    }
    Click("imgCamStartPreview");
    // The device list stops the preview behind the button's back: no still is written.
    Click("imgChooseCam");
    Click("imgCamCaptureSnap");
    EXPECT_EQ(Messages(), QStringList{kFailed});
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(Webcam()->SaveImageFileName().isEmpty());

    // A following check-in stores no photo.
    TypeValidVisitor();
    ClosePassWindows();
    Click("btnCheckIn");
    EXPECT_TRUE(VisitStored(QStringLiteral("0001")));
    EXPECT_FALSE(QFile::exists(folder.Path() + QStringLiteral("/Images/Visitors/0001.jpg")));
}

// Whatever stands under the still's name goes before the capture; what cannot go stops it, as
// another user's file of that name could otherwise pass for the visitor's photo. A directory with
// content cannot be removed as a file, for root neither.
TEST_F(frmMainWebcamButtonsTest, LeftoverUnderTheStillsNameGoesOrStopsTheCapture) {
    enum class Leftover { DanglingLink, LinkToAFile, EmptyDirectory, FullDirectory };
    const struct {
        const char* what;
        Leftover leftover;
        bool captured;
    } cases[] = {
        {"a link to nothing", Leftover::DanglingLink, true},
        {"a link to another file", Leftover::LinkToAFile, true},
        {"an empty directory", Leftover::EmptyDirectory, false},
        {"a directory with a file in it", Leftover::FullDirectory, false},
    };
    const QString name = QStringLiteral("Ann Lee_0001.jpg");
    const QString path = TempPath(name);
    const QString elsewhere = folder.Path() + QStringLiteral("/elsewhere.txt");
    frmMain& main = OpenWindow();
    TypeValidVisitor();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MsgBox::ClearRecorded();
        QDir(path).removeRecursively();
        QFile::remove(path);
        {
            QFile target(elsewhere);
            ASSERT_TRUE(target.open(QIODevice::WriteOnly));
            target.write("someone else's");
        }
        switch (c.leftover) {
        case Leftover::DanglingLink:
            ASSERT_TRUE(QFile::link(folder.Path() + QStringLiteral("/nothing"), path));
            break;
        case Leftover::LinkToAFile:
            ASSERT_TRUE(QFile::link(elsewhere, path));
            break;
        case Leftover::FullDirectory:
            ASSERT_TRUE(QDir().mkpath(path + QStringLiteral("/inside")));
            break;
        case Leftover::EmptyDirectory:
            ASSERT_TRUE(QDir().mkpath(path));
            break;
        }
        Click("imgCamStartPreview");
        Click("imgCamCaptureSnap");
        if (c.captured) {
            EXPECT_TRUE(Messages().isEmpty()) << Messages().join(u'|').toStdString();
            EXPECT_EQ(Webcam()->SaveImageFileName(), name);
            EXPECT_FALSE(QFileInfo(path).isSymLink());
            EXPECT_TRUE(IsPicture(path));
            EXPECT_FALSE(frmMainDetailsAccess::PreviewRunning(main));
        } else {
            ASSERT_EQ(MsgBox::Recorded().size(), 1u);
            EXPECT_TRUE(MsgBox::Recorded()[0].text.startsWith(
                QStringLiteral("The file left from an earlier capture cannot be removed: ") + path))
                << MsgBox::Recorded()[0].text.toStdString();
            EXPECT_EQ(MsgBox::Recorded()[0].title, QStringLiteral("Error"));
            EXPECT_EQ(MsgBox::Recorded()[0].icon, MsgBox::Icon::Critical);
            EXPECT_TRUE(Webcam()->SaveImageFileName().isEmpty());
            EXPECT_TRUE(QFileInfo(path).isDir());
            // No still was taken: the preview still runs.
            EXPECT_EQ(Webcam()->DeviceState(), ctlPellora::DeviceStates::PreviewRunning);
            EXPECT_TRUE(frmMainDetailsAccess::PreviewRunning(main));
            Webcam()->StopCapture();
        }
        QFile target(elsewhere);
        ASSERT_TRUE(target.open(QIODevice::ReadOnly));
        EXPECT_EQ(target.readAll(), QByteArray("someone else's"));
    }

    // The visit stored after a refused capture gets no photo.
    ClosePassWindows();
    Click("btnCheckIn");
    EXPECT_TRUE(VisitStored(QStringLiteral("0001")));
    EXPECT_FALSE(QFile::exists(folder.Path() + QStringLiteral("/Images/Visitors/0001.jpg")));
    QDir(path).removeRecursively();
}

// A temporary disk that fills up during the capture gives the failure, not a truncated photo
// stored with the visit.
TEST_F(frmMainWebcamButtonsTest, StillThatCannotBeWrittenWholeFailsTheCapture) {
    OpenWindow();
    TypeValidVisitor();
    const QString path = TempPath(QStringLiteral("Ann Lee_0001.jpg"));
    Click("imgCamStartPreview");
    {
        const temp_folder_files::FileSizeLimit full(4096);
        ASSERT_TRUE(full.IsActive());
        Click("imgCamCaptureSnap");
    }
    EXPECT_EQ(Messages(), QStringList{kFailed});
    EXPECT_TRUE(Webcam()->SaveImageFileName().isEmpty());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(QDir(TempPath(QString()))
                  .entryList({QStringLiteral("Ann Lee_0001.jpg*")},
                             QDir::AllEntries | QDir::Hidden | QDir::System),
              QStringList());

    MsgBox::ClearRecorded();
    ClosePassWindows();
    Click("btnCheckIn");
    EXPECT_TRUE(VisitStored(QStringLiteral("0001")));
    EXPECT_FALSE(QFile::exists(folder.Path() + QStringLiteral("/Images/Visitors/0001.jpg")));
}

TEST_F(frmMainWebcamButtonsTest, ClearMarksThePhotoClearedAndDropsTheStill) {
    frmMain& main = OpenWindow();
    Click("imgCamClearSnap");
    EXPECT_TRUE(frmMainDetailsAccess::ImageCleared(main));
    EXPECT_TRUE(Messages().isEmpty());

    Edit("txtName")->setText(QStringLiteral("Ann"));
    Click("imgCamStartPreview");
    Click("imgCamCaptureSnap");
    ASSERT_FALSE(Webcam()->SaveImageFileName().isEmpty());
    Click("imgCamStartPreview");
    Click("imgCamClearSnap");
    EXPECT_TRUE(Webcam()->SaveImageFileName().isEmpty());
    EXPECT_FALSE(frmMainDetailsAccess::PreviewRunning(main));
    EXPECT_EQ(Webcam()->DeviceState(), ctlPellora::DeviceStates::DeviceReady);
    Click("imgCamCaptureSnap");
    EXPECT_EQ(Messages(), QStringList{kNoPreview});
    // Emptying the page forgets the clearing.
    main.EnableNewMode();
    EXPECT_FALSE(frmMainDetailsAccess::ImageCleared(main));
}

// Without a device the control raises; the buttons show its words in an "Error" box.
TEST_F(frmMainWebcamButtonsTest, WithoutCameraStartShowsTheControlsError) {
    qputenv("QUORVANE_TEST_CAMERA", "0");
    frmMain& main = OpenWindow();
    Click("imgCamStartPreview");
    ASSERT_EQ(MsgBox::Recorded().size(), 1u);
    EXPECT_EQ(MsgBox::Recorded()[0].text, QStringLiteral("CONTROL_INITIALIZATION_ERROR"));
    EXPECT_EQ(MsgBox::Recorded()[0].title, QStringLiteral("Error"));
    EXPECT_EQ(MsgBox::Recorded()[0].icon, MsgBox::Icon::Critical);
    EXPECT_FALSE(frmMainDetailsAccess::PreviewRunning(main));
    MsgBox::ClearRecorded();
    Click("imgCamCaptureSnap");
    EXPECT_EQ(Messages(), QStringList{kNoPreview});
    MsgBox::ClearRecorded();
    Click("imgChooseCam");
    Click("imgCamClearSnap");
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(u'|').toStdString();
    EXPECT_TRUE(frmMainDetailsAccess::ImageCleared(main));
}

// A still taken while a visit is edited replaces its stored photo at the update.
TEST_F(frmMainWebcamButtonsTest, UpdateWithANewStillReplacesTheStoredPhoto) {
    StoreVisit(QStringLiteral("0001"), QStringLiteral("Ann Lee"));
    const QString photo = folder.Path() + QStringLiteral("/Images/Visitors/0001.jpg");
    {
        QFile old(photo);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old photo");
    }
    frmMain& main = OpenWindow();
    frmMainDetailsAccess::EditVisit(main, QStringLiteral("0001"), false);
    Click("imgCamStartPreview");
    EXPECT_TRUE(Shown(QStringLiteral("fraWebCamControlContainer")));
    Click("imgCamCaptureSnap");
    ASSERT_EQ(Webcam()->SaveImageFileName(), QStringLiteral("Ann Lee_0001.jpg"));
    Click("btnUpdate");
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(u'|').toStdString();
    EXPECT_TRUE(IsPicture(photo));
    EXPECT_FALSE(QFile::exists(TempPath(QStringLiteral("Ann Lee_0001.jpg"))));
    EXPECT_TRUE(Shown(QStringLiteral("fraCheckedInList")));
}
