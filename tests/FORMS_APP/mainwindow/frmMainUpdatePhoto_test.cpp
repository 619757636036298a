// Update on the details page after the photo was cleared or a new still captured: the stored photo
// changes only when the visit's row did; otherwise the box says what failed and the page keeps the
// edit for another try.
#include "frmMainDetailsFixture.h"

#include "DatabaseWriteLock.h"
#include "SkippedCase.h"
#include "UnchangeableFolder.h"
#include "ctlPellora.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <optional>

namespace {

enum class PhotoEdit { Cleared, Replaced };
enum class Failure { DatabaseHeld, PhotoFolderUnchangeable };

class frmMainUpdatePhotoTest : public frmMainDetailsTest {
protected:
    void SetUp() override {
        frmMainDetailsTest::SetUp();
        ASSERT_TRUE(temp.isValid());
        AppEnvironment::SetTempFolder(temp.path());
    }

    void TearDown() override {
        frmMainDetailsTest::TearDown();
        AppEnvironment::SetTempFolder(QString());
    }

    QString PhotosFolder() const { return folder.Path() + QStringLiteral("/Images/Visitors"); }
    QString Photo() const { return PhotosFolder() + QStringLiteral("/0001.jpg"); }
    QString Still() const { return temp.filePath(QStringLiteral("still.bmp")); }

    static QByteArray Bitmap(Qt::GlobalColor colour) {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "BMP");
        return bytes;
    }

    static void Write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
        file.write(bytes);
    }

    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Visit 0001 with its photo open for editing, renamed, its photo cleared or a still taken.
    void EditVisit(frmMain& main, PhotoEdit edit) {
        Write(Photo(), Bitmap(Qt::red));
        frmMainDetailsAccess::EditVisit(main, QStringLiteral("0001"), false);
        Edit("txtName")->setText(QStringLiteral("Ann Lee-Smith"));
        if (edit == PhotoEdit::Cleared) {
            Click("imgCamClearSnap");
        } else {
            Write(Still(), Bitmap(Qt::blue));
            Child<ctlPellora>(QStringLiteral("ctlWebcam"))
                ->SetSaveImageFileName(QStringLiteral("still.bmp"));
        }
        MsgBox::ClearRecorded();
        folder.ClearLog();
    }

    QTemporaryDir temp;
};

// The update fails, and the photo stays as it was; the same Update, once the row can change,
// removes or replaces it.
TEST_F(frmMainUpdatePhotoTest, PhotoChangesOnlyWithTheRow) {
    StoreVisit(QStringLiteral("0001"), QStringLiteral("Ann Lee"));
    frmMain& main = OpenWindow();
    const struct {
        PhotoEdit edit;
        Failure failure;
        const char* name;
    } cases[] = {
        {PhotoEdit::Cleared, Failure::DatabaseHeld, "cleared, database held"},
        {PhotoEdit::Replaced, Failure::DatabaseHeld, "replaced, database held"},
        {PhotoEdit::Cleared, Failure::PhotoFolderUnchangeable, "cleared, folder unchangeable"},
        {PhotoEdit::Replaced, Failure::PhotoFolderUnchangeable, "replaced, folder unchangeable"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Execute(QStringLiteral("UPDATE [VisitorRegister] SET [Name] = 'Ann Lee'"));
        EditVisit(main, c.edit);
        const QString expected = QString::fromLatin1(Visitor::UpdateFailedMessage) +
                                 (c.failure == Failure::DatabaseHeld
                                      ? QString()
                                      : QStringLiteral("\r\nPermission denied: ") + Photo());
        {
            std::optional<DatabaseWriteLock> lock;
            std::optional<UnchangeableFolder> photos;
            if (c.failure == Failure::DatabaseHeld) {
                lock.emplace(folder.DatabaseFile());
            } else {
                photos.emplace(PhotosFolder());
                if (!photos->IsUnchangeable()) {
                    // Only this case cannot run here.
                    SkipCase(c.name, "this file system lets the photo folder change");
                    photos.reset();
                    Click("btnCancel");
                    continue;
                }
            }
            Click("btnUpdate");
        }
        EXPECT_EQ(Messages(), QStringList{expected});
        EXPECT_EQ(Read(Photo()), Bitmap(Qt::red));
        EXPECT_EQ(QDir(PhotosFolder()).entryList({QStringLiteral("0*")}, QDir::AllEntries),
                  QStringList{QStringLiteral("0001.jpg")});
        EXPECT_EQ(Stored(QStringLiteral("0001")).VisitorName(), QStringLiteral("Ann Lee"));
        // The page keeps the edit, the cleared photo or the still included.
        EXPECT_TRUE(Shown(QStringLiteral("fraMain")));
        EXPECT_EQ(Edit("txtName")->text(), QStringLiteral("Ann Lee-Smith"));
        EXPECT_EQ(frmMainDetailsAccess::ImageCleared(main), c.edit == PhotoEdit::Cleared);
        if (c.edit == PhotoEdit::Replaced) {
            EXPECT_EQ(Read(Still()), Bitmap(Qt::blue));
        }

        MsgBox::ClearRecorded();
        Click("btnUpdate");
        EXPECT_TRUE(Messages().isEmpty()) << Messages().join(u'|').toStdString();
        EXPECT_TRUE(Shown(QStringLiteral("fraCheckedInList")));
        EXPECT_EQ(Stored(QStringLiteral("0001")).VisitorName(), QStringLiteral("Ann Lee-Smith"));
        if (c.edit == PhotoEdit::Cleared) {
            EXPECT_FALSE(QFileInfo::exists(Photo()));
        } else {
            EXPECT_EQ(Read(Photo()), Bitmap(Qt::blue));
        }
        EXPECT_FALSE(QFileInfo::exists(Photo() + QStringLiteral(".deleting")));
    }
}

} // namespace
