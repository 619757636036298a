#include "QtPrinters.h"
#include "TempProgramFolder.h"

#include "core/DBManager.h"
#include "core/Visitor.h"
#include "mainwindow/WindowPrinter.h"
#include "mainwindow/frmPassPreview.h"

#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class frmPassPreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.IsValid());
        ASSERT_TRUE(output.isValid());
        ASSERT_TRUE(DBManager().ExecuteNonQuery(
            QStringLiteral("UPDATE [Settings] SET [CompanyName] = 'Globex Corporation'")));
        WindowPrinter::PrintToPdfFile(PdfPath());
    }

    void TearDown() override { WindowPrinter::PrintToDefaultPrinter(); }

    QString PdfPath() const { return output.filePath(QStringLiteral("pass.pdf")); }

    static Visitor PassVisit() {
        Visitor visitor;
        visitor.SetPassNo(QStringLiteral("0042"));
        visitor.SetVisitorName(QStringLiteral("Ann Lee"));
        visitor.SetCompany(QStringLiteral("Acme"));
        visitor.SetToMeet(QStringLiteral("Bob Smith"));
        visitor.SetDepartment(QStringLiteral("Sales"));
        visitor.SetVisitorType(QStringLiteral("Vendor"));
        visitor.SetCheckedIn(QDateTime(QDate(2024, 3, 3), QTime(14, 5)));
        return visitor;
    }

    static QString Text(const frmPassPreview& pass, const char* label) {
        return pass.findChild<QLabel*>(QString::fromLatin1(label))->text();
    }
    static QImage Picture(const frmPassPreview& pass, const char* label) {
        return pass.findChild<QLabel*>(QString::fromLatin1(label))->pixmap().toImage();
    }

    static void WriteImage(const QString& path, Qt::GlobalColor colour, const char* format) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QImage image(30, 20, QImage::Format_RGB32);
        image.fill(colour);
        ASSERT_TRUE(image.save(path, format));
    }

    QString Pdf(const QStringList& options) const {
        QProcess reader;
        reader.start(QStringLiteral("pdftotext"),
                     options + QStringList{PdfPath(), QStringLiteral("-")});
        EXPECT_TRUE(reader.waitForFinished(-1));
        EXPECT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
        return QString::fromUtf8(reader.readAllStandardOutput());
    }

    QStringList LogLinesFrom(const QString& source) const {
        QStringList lines;
        for (const QString& line : folder.LogLines()) {
            if (line.section(u'\t', 1, 1) == source) {
                lines.append(line);
            }
        }
        return lines;
    }

    TempProgramFolder folder;
    QTemporaryDir output;
};

} // namespace

TEST_F(frmPassPreviewTest, FormatedDateIsEnglishTwelveHourWhateverTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const struct {
        QDateTime time;
        const char* text;
    } cases[] = {
        {QDateTime(QDate(2024, 3, 3), QTime(14, 5)), "03-Mar-2024 02:05 PM"},
        {QDateTime(QDate(2024, 3, 5), QTime(14, 30)), "05-Mar-2024 02:30 PM"},
        {QDateTime(QDate(2024, 12, 31), QTime(0, 7)), "31-Dec-2024 12:07 AM"},
        {QDateTime(QDate(2025, 1, 1), QTime(12, 0)), "01-Jan-2025 12:00 PM"},
    };
    for (const auto& entry : cases) {
        EXPECT_EQ(frmPassPreview::GetFormatedDate(entry.time), QString::fromLatin1(entry.text));
    }
    QLocale::setDefault(before);
}

// The card carries the visit, the company name and the footer; the visitor type stays hidden.
TEST_F(frmPassPreviewTest, CardIsFilledFromTheVisitAndTheConfigurationAndPrinted) {
    frmPassPreview pass;
    pass.PassVisitor = PassVisit();
    pass.Load();
    EXPECT_EQ(pass.windowTitle(), QStringLiteral("Visitor Pass: Preview"));
    EXPECT_EQ(pass.size(), QSize(339, 215));
    EXPECT_EQ(Text(pass, "lblPassNo"), QStringLiteral("0042"));
    EXPECT_EQ(Text(pass, "lblVisitorName"), QStringLiteral("Ann Lee"));
    EXPECT_EQ(Text(pass, "lblFromCompany"), QStringLiteral("Acme"));
    EXPECT_EQ(Text(pass, "lblEmployee"), QStringLiteral("Bob Smith"));
    EXPECT_EQ(Text(pass, "lblDepartment"), QStringLiteral("Sales"));
    EXPECT_EQ(Text(pass, "lblDateTime"), QStringLiteral("03-Mar-2024 02:05 PM"));
    EXPECT_EQ(Text(pass, "lblCompanyName"), QStringLiteral("Globex Corporation"));
    EXPECT_EQ(Text(pass, "lblSite"), QStringLiteral("https://quorvane.example"));
    EXPECT_EQ(Text(pass, "lblFooterBranding"),
              QStringLiteral("Please return this pass on leaving."));
    EXPECT_EQ(Text(pass, "lblVisitorType"), QStringLiteral("Vendor"));
    EXPECT_TRUE(pass.findChild<QLabel*>(QStringLiteral("lblVisitorType"))->isHidden());

    const QString printed = Pdf({QStringLiteral("-layout")});
    for (const char* expected :
         {"Globex Corporation", "Visitor Name:", "Ann Lee", "Company:", "Acme", "To Meet:",
          "Bob Smith", "Department:", "Sales", "Time In:", "03-Mar-2024 02:05 PM", "0042"}) {
        EXPECT_TRUE(printed.contains(QString::fromLatin1(expected))) << expected << " in\n"
                                                                     << printed.toStdString();
    }
    EXPECT_FALSE(printed.contains(QStringLiteral("Vendor")));
}

// The design's positions (twips / 15) and fonts.
TEST_F(frmPassPreviewTest, CardHasItsDesignPositionsAndFonts) {
    frmPassPreview pass;
    const struct {
        const char* name;
        QPoint place;
        double points;
        bool bold;
    } labels[] = {
        {"lblCompanyName", {112, 16}, 14.25, true},    {"Label1", {16, 54}, 8.25, true},
        {"lblVisitorName", {96, 54}, 8.25, false},     {"Label2", {16, 73}, 8.25, true},
        {"lblFromCompany", {96, 73}, 8.25, false},     {"Label3", {17, 94}, 8.25, true},
        {"lblEmployee", {96, 94}, 8.25, false},        {"Label4", {18, 114}, 8.25, true},
        {"lblDepartment", {96, 114}, 8.25, false},     {"Label5", {17, 135}, 8.25, true},
        {"lblDateTime", {96, 135}, 8.25, false},       {"lblPassNo", {236, 153}, 12, true},
        {"lblFooterBranding", {20, 184}, 6.75, false}, {"lblSite", {210, 184}, 6.75, false},
        {"lblVisitorType", {24, 184}, 15.75, true},
    };
    for (const auto& entry : labels) {
        SCOPED_TRACE(entry.name);
        const auto* label = pass.findChild<QLabel*>(QString::fromLatin1(entry.name));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->pos(), entry.place);
        EXPECT_EQ(label->font().family(), QStringLiteral("Tahoma"));
        EXPECT_DOUBLE_EQ(label->font().pointSizeF(), entry.points);
        EXPECT_EQ(label->font().bold(), entry.bold);
    }
    EXPECT_EQ(pass.findChild<QLabel*>(QStringLiteral("imgVisitor"))->geometry(),
              QRect(231, 51, 82, 96));
    EXPECT_EQ(pass.findChild<QLabel*>(QStringLiteral("imgLogo"))->pos(), QPoint(8, 8));
    EXPECT_EQ(pass.findChild<QWidget*>(QStringLiteral("Line1"))->geometry().top(), 182);
    EXPECT_EQ(pass.findChild<QWidget*>(QStringLiteral("Line2"))->geometry().top(), 198);
}

// The installed product address and footer text stand between the footer's rules in Tahoma: the
// footer text ends before the address begins, and the address ends where the rules end.
TEST_F(frmPassPreviewTest, InstalledFooterFitsBetweenItsRules) {
    frmPassPreview pass;
    pass.PassVisitor = PassVisit();
    pass.Load();
    const auto* branding = pass.findChild<QLabel*>(QStringLiteral("lblFooterBranding"));
    const auto* site = pass.findChild<QLabel*>(QStringLiteral("lblSite"));
    const QRect rule = pass.findChild<QWidget*>(QStringLiteral("Line1"))->geometry();
    const QRect below = pass.findChild<QWidget*>(QStringLiteral("Line2"))->geometry();
    ASSERT_FALSE(branding->text().isEmpty());
    ASSERT_FALSE(site->text().isEmpty());
    // Measured in the real Tahoma, not in a font standing in for it.
    ASSERT_EQ(QFontInfo(site->font()).family(), QStringLiteral("Tahoma"));
    ASSERT_EQ(QFontInfo(branding->font()).family(), QStringLiteral("Tahoma"));

    const auto textRight = [](const QLabel* label) {
        const QFontMetrics metrics(label->font());
        const int ink = metrics.boundingRect(label->text()).right();
        return label->x() + std::max(metrics.horizontalAdvance(label->text()) - 1, ink);
    };
    EXPECT_LT(textRight(branding), site->x()) << branding->text().toStdString();
    EXPECT_LE(textRight(site), rule.right()) << site->text().toStdString();
    EXPECT_LE(site->geometry().right(), rule.right());
    EXPECT_GE(site->width(), QFontMetrics(site->font()).horizontalAdvance(site->text()));

    // Nothing of the footer is painted past the end of its rules.
    const QImage card = pass.grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (int y = rule.bottom() + 1; y < below.top(); ++y) {
        for (int x = rule.right() + 1; x < card.width(); ++x) {
            ASSERT_EQ(card.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
        }
    }
}

// The page shows the card at its real size (96 pixels an inch) from the top-left of the page.
TEST_F(frmPassPreviewTest, PassPrintsAtItsRealSizeAtTheTopLeft) {
    frmPassPreview pass;
    pass.PassVisitor = PassVisit();
    pass.Load();
    const QString boxes = Pdf({QStringLiteral("-bbox")});
    const auto left = [&](const QString& word) {
        const QRegularExpression pattern(
            QStringLiteral(R"re(xMin="([0-9.]+)" yMin="([0-9.]+)"[^>]*>)re") +
            QRegularExpression::escape(word) + u'<');
        const QRegularExpressionMatch match = pattern.match(boxes);
        EXPECT_TRUE(match.hasMatch()) << word.toStdString() << " in\n" << boxes.toStdString();
        return QPointF(match.captured(1).toDouble(), match.captured(2).toDouble());
    };
    const QPointF caption = left(QStringLiteral("Visitor"));
    const QPointF value = left(QStringLiteral("Ann"));
    const QPointF time = left(QStringLiteral("Time"));
    // 80 and 81 pixels apart on the card: 60 and 60.75 points on paper.
    EXPECT_NEAR(value.x() - caption.x(), 60.0, 1.0);
    EXPECT_NEAR(time.y() - caption.y(), 60.75, 1.0);
    EXPECT_LT(caption.x(), 72.0);
    EXPECT_LT(caption.y(), 108.0);
}

// Logo and photo come from the base folder, the logo whatever the letter case of its name, the
// photo by its content (a bitmap under the ".jpg" name); with a shared folder from there only.
TEST_F(frmPassPreviewTest, PicturesComeFromTheBaseFolder) {
    QTemporaryDir shared;
    ASSERT_TRUE(shared.isValid());
    const struct {
        const char* what;
        bool sharedFolder;
        const char* logoName; // nullptr: no logo
        bool photo;
    } cases[] = {
        {"neither", false, nullptr, false},
        {"both", false, "Logo.jpg", true},
        {"logo in capitals", false, "LOGO.JPG", false},
        {"shared", true, "logo.jpg", true},
        {"shared without any", true, nullptr, false},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.what);
        QDir(folder.Path() + QStringLiteral("/Images/Logo")).removeRecursively();
        QDir(shared.path() + QStringLiteral("/Images")).removeRecursively();
        QFile::remove(folder.Path() + QStringLiteral("/Images/Visitors/0042.jpg"));
        const QString base = entry.sharedFolder ? shared.path() : folder.Path();
        if (entry.sharedFolder) {
            QDir().mkpath(shared.path() + QStringLiteral("/Data"));
            QFile::remove(shared.path() + QStringLiteral("/Data/quorvane.sys.qvd"));
            ASSERT_TRUE(QFile::copy(folder.DatabaseFile(),
                                    shared.path() + QStringLiteral("/Data/quorvane.sys.qvd")));
            folder.SetEncipheredConfigValue(QStringLiteral("DISP"), shared.path());
            // What the program's own folder holds must not be taken.
            WriteImage(folder.Path() + QStringLiteral("/Images/Logo/Logo.jpg"), Qt::green, "JPG");
            WriteImage(folder.Path() + QStringLiteral("/Images/Visitors/0042.jpg"), Qt::green,
                       "BMP");
        }
        if (entry.logoName != nullptr) {
            WriteImage(base + QStringLiteral("/Images/Logo/") + QString::fromLatin1(entry.logoName),
                       Qt::blue, "JPG");
        }
        if (entry.photo) {
            WriteImage(base + QStringLiteral("/Images/Visitors/0042.jpg"), Qt::red, "BMP");
        }
        QFile::remove(PdfPath());
        frmPassPreview pass;
        pass.PassVisitor = PassVisit();
        pass.Load();
        const QImage logo = Picture(pass, "imgLogo");
        const QImage photo = Picture(pass, "imgVisitor");
        EXPECT_EQ(logo.isNull(), entry.logoName == nullptr);
        EXPECT_EQ(photo.isNull(), !entry.photo);
        if (!logo.isNull()) {
            EXPECT_LT(qAbs(logo.pixelColor(5, 5).blue() - 255), 40);
            EXPECT_EQ(pass.findChild<QLabel*>(QStringLiteral("imgLogo"))->size(), QSize(30, 20));
        }
        if (!photo.isNull()) {
            EXPECT_EQ(photo.pixelColor(5, 5), QColor(Qt::red));
        }
        // The pass prints in every case.
        EXPECT_TRUE(QFile::exists(PdfPath()));
    }
}

// A print that fails is logged under the window's source; the card is still filled and shown.
TEST_F(frmPassPreviewTest, FailedPrintIsLoggedAndTheCardStillShown) {
    const bool printerInstalled = !QPrinterInfo::availablePrinterNames().isEmpty();
    const struct {
        const char* what;
        QString pdf; // empty: the default printer
    } cases[] = {
        {"no printer", QString()},
        {"unwritable file", output.filePath(QStringLiteral("missing/folder/pass.pdf"))},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.what);
        if (entry.pdf.isEmpty() && printerInstalled) {
            continue; // a machine with a printer would print for real
        }
        if (entry.pdf.isEmpty()) {
            WindowPrinter::PrintToDefaultPrinter();
        } else {
            WindowPrinter::PrintToPdfFile(entry.pdf);
        }
        folder.ClearLog();
        frmPassPreview pass;
        pass.PassVisitor = PassVisit();
        pass.Load();
        const QStringList lines = LogLinesFrom(QStringLiteral("PassPreview.Form_Load"));
        EXPECT_EQ(lines.size(), 1) << folder.LogText().toStdString();
        EXPECT_EQ(Text(pass, "lblVisitorName"), QStringLiteral("Ann Lee"));
        EXPECT_EQ(Text(pass, "lblDateTime"), QStringLiteral("03-Mar-2024 02:05 PM"));
        pass.show();
        EXPECT_TRUE(pass.isVisible());
    }
}

// A configuration without the footer text leaves the card unfilled and prints nothing.
TEST_F(frmPassPreviewTest, UnreadableFooterEndsTheLoading) {
    folder.RemoveConfigValue(QStringLiteral("PFT"));
    frmPassPreview pass;
    pass.PassVisitor = PassVisit();
    pass.Load();
    EXPECT_EQ(LogLinesFrom(QStringLiteral("PassPreview.Form_Load")).size(), 1);
    EXPECT_NE(Text(pass, "lblVisitorName"), QStringLiteral("Ann Lee"));
    EXPECT_FALSE(QFile::exists(PdfPath()));
}

TEST_F(frmPassPreviewTest, EscClosesAndOtherKeysDoNothing) {
    frmPassPreview pass;
    pass.PassVisitor = PassVisit();
    pass.Load();
    pass.show();
    for (const Qt::Key key : {Qt::Key_A, Qt::Key_Return, Qt::Key_Space, Qt::Key_F2}) {
        QTest::keyClick(&pass, key);
        EXPECT_TRUE(pass.isVisible()) << key;
    }
    QTest::keyClick(&pass, Qt::Key_Escape);
    EXPECT_FALSE(pass.isVisible());
}
