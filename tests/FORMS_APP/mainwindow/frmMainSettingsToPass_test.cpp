#include "frmMainDetailsFixture.h"

#include "mainwindow/FileDialog.h"
#include "windows/frmSettings.h"

#include <QDir>
#include <QImage>

#include <optional>

namespace {

// A receptionist's settings change, made through the settings window that the main window's
// link opens, and the passes printed after it.
class frmMainSettingsToPassTest : public frmMainDetailsTest {
protected:
    void SetUp() override {
        frmMainDetailsTest::SetUp();
        FileDialog::StartRecording();
        // No settings password, so the link opens the settings window itself.
        Execute(QStringLiteral("UPDATE [Settings] SET [CompanyName] = 'Old Name', [PWD] = '', "
                               "[Hint] = '', [AdminPWD] = '', [AdminHint] = ''"));
    }

    void TearDown() override {
        passWatcher.stop();
        FileDialog::StopRecording();
        frmMainDetailsTest::TearDown();
    }

    QString LogoFolder() const { return folder.Path() + QStringLiteral("/Images/Logo"); }

    // A JPEG of one colour, outside the program folder as a chosen file is.
    QString WritePicture(const QString& name, QColor colour) const {
        QImage picture(180, 50, QImage::Format_RGB32);
        picture.fill(colour);
        const QString path = output.filePath(name);
        EXPECT_TRUE(picture.save(path, "JPG")) << path.toStdString();
        return path;
    }

    static frmSettings* OpenSettingsWindow() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<frmSettings*>(widget);
                found != nullptr && found->isVisible()) {
                return found;
            }
        }
        return nullptr;
    }

    // Clicks Settings; in the window that opens types the display name, chooses the logo and
    // saves. Answers whether the window opened and closed by the save.
    bool ChangeSettings(const QString& displayName, const QString& logo) {
        bool opened = false;
        QTimer::singleShot(0, qApp, [&opened, displayName, logo] {
            frmSettings* settings = OpenSettingsWindow();
            if (settings == nullptr) {
                return;
            }
            opened = true;
            settings->findChild<QLineEdit*>(QStringLiteral("txtCompanyName"))->setText(displayName);
            FileDialog::QueueAnswer(logo);
            const auto click = [settings](const char* name) {
                QTest::mouseClick(settings->findChild<QVButton*>(QString::fromLatin1(name)),
                                  Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
            };
            click("QVLogo");
            click("btnSave");
            if (settings->isVisible()) {
                click("btnExit");
            }
        });
        Click("lblLnkSettings");
        QApplication::processEvents();
        return opened && OpenSettingsWindow() == nullptr;
    }

    // Every pass window that opens keeps its logo here, then closes with Esc.
    void WatchPassWindows() {
        passWatcher.setInterval(10);
        QObject::connect(&passWatcher, &QTimer::timeout, [this] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* pass = qobject_cast<frmPassPreview*>(widget);
                if (pass != nullptr && pass->isVisible()) {
                    const auto* logo = pass->findChild<QLabel*>(QStringLiteral("imgLogo"));
                    logosShown.append(logo->isHidden() ? QImage() : logo->pixmap().toImage());
                    passNamesShown.append(
                        pass->findChild<QLabel*>(QStringLiteral("lblCompanyName"))->text());
                    QTest::keyClick(pass, Qt::Key_Escape);
                }
            }
        });
        passWatcher.start();
    }

    void CheckInAVisitor() {
        TypeValidVisitor();
        Click("btnCheckIn");
        EXPECT_TRUE(Messages().isEmpty()) << Messages().join(u'|').toStdString();
    }

    // The images the printed pass holds, as "width x height" each.
    QStringList PdfImageSizes() const {
        QProcess lister;
        lister.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), PdfPath()});
        if (!lister.waitForFinished(-1) || lister.exitCode() != 0) {
            ADD_FAILURE() << "pdfimages failed: " << lister.readAllStandardError().toStdString();
            return {};
        }
        QStringList sizes;
        const QStringList lines = QString::fromUtf8(lister.readAllStandardOutput()).split(u'\n');
        for (const QString& line : lines.mid(2)) {
            const QStringList fields = line.simplified().split(u' ');
            if (fields.size() > 4 && fields.at(2) == QStringLiteral("image")) {
                sizes.append(fields.at(3) + QStringLiteral("x") + fields.at(4));
            }
        }
        return sizes;
    }

    QTimer passWatcher;
    QList<QImage> logosShown;
    QStringList passNamesShown;
};

} // namespace

// The display name and logo saved in the settings window are on the next pass, the logo found
// whatever the letter case its file name has, and an older logo of another spelling gives way.
TEST_F(frmMainSettingsToPassTest, SavedNameAndLogoReachTheNextPass) {
    ASSERT_TRUE(QDir().mkpath(LogoFolder()));
    {
        QImage old(60, 20, QImage::Format_RGB32);
        old.fill(Qt::blue);
        ASSERT_TRUE(old.save(LogoFolder() + QStringLiteral("/LOGO.JPG"), "JPG"));
    }
    const QString chosen = WritePicture(QStringLiteral("Our Logo.JPG"), Qt::green);
    OpenWindow();
    WatchPassWindows();

    // Before: the old name and logo.
    CheckInAVisitor();
    ASSERT_EQ(logosShown.size(), 1);
    EXPECT_EQ(logosShown.at(0).size(), QSize(60, 20));
    EXPECT_EQ(passNamesShown, QStringList{QStringLiteral("Old Name")});

    ASSERT_TRUE(ChangeSettings(QStringLiteral("Ørsted & Søn Hospital"), chosen));
    EXPECT_TRUE(Messages().isEmpty()) << Messages().join(u'|').toStdString();
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(FileDialog::Recorded().size(), 1u);

    QFile::remove(PdfPath());
    CheckInAVisitor();
    ASSERT_EQ(logosShown.size(), 2);
    const QImage expected(chosen);
    ASSERT_FALSE(expected.isNull());
    ASSERT_EQ(logosShown.at(1).size(), expected.size());
    EXPECT_EQ(logosShown.at(1).pixelColor(90, 25), expected.pixelColor(90, 25));
    EXPECT_EQ(passNamesShown.at(1), QStringLiteral("Ørsted & Søn Hospital"));

    const QString pdf = PdfText();
    EXPECT_TRUE(pdf.contains(QStringLiteral("Ørsted & Søn Hospital"))) << pdf.toStdString();
    EXPECT_FALSE(pdf.contains(QStringLiteral("Old Name"))) << pdf.toStdString();
    EXPECT_TRUE(pdf.contains(QStringLiteral("0002"))) << pdf.toStdString();
    EXPECT_TRUE(PdfImageSizes().contains(QStringLiteral("180x50")))
        << PdfImageSizes().join(u' ').toStdString();
}

// An emptied display name leaves the pass without the old one.
TEST_F(frmMainSettingsToPassTest, EmptiedNameLeavesThePassWithoutIt) {
    OpenWindow();
    WatchPassWindows();
    ASSERT_TRUE(ChangeSettings(QString(), WritePicture(QStringLiteral("logo.jpg"), Qt::red)));
    CheckInAVisitor();
    EXPECT_EQ(passNamesShown, QStringList{QString()});
    EXPECT_FALSE(PdfText().contains(QStringLiteral("Old Name")));
    ASSERT_EQ(logosShown.size(), 1);
    EXPECT_EQ(logosShown.at(0).size(), QSize(180, 50));
}
