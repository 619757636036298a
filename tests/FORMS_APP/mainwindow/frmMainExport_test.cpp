#include "TempFolderFiles.h"
#include "frmMainSearchFixture.h"

#include <QDesktopServices>
#include <QDir>
#include <QTemporaryDir>
#include <QUrl>
#include <QXmlStreamReader>

#include <minizip/unzip.h>

#include <map>

namespace {

const QString kCaption = QStringLiteral("Quorvane Lite :: Visitor Management System");

// Stands in for the desktop's program for .xlsx files: notes what it was given and what the user
// had been told by then.
class XlsxOpener final : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;
    std::size_t messagesBefore = 0;

public Q_SLOTS:
    void Open(const QUrl& url) {
        opened.append(url);
        messagesBefore = MsgBox::Recorded().size();
    }
};

// One file of a zip archive, or "" when the archive or the file is missing.
QByteArray ZipEntry(const QString& archive, const char* name) {
    unzFile zip = unzOpen(QFile::encodeName(archive).constData());
    if (zip == nullptr) {
        return {};
    }
    QByteArray content;
    if (unzLocateFile(zip, name, 1) == UNZ_OK && unzOpenCurrentFile(zip) == UNZ_OK) {
        char buffer[16384];
        int read = 0;
        while ((read = unzReadCurrentFile(zip, buffer, sizeof(buffer))) > 0) {
            content.append(buffer, read);
        }
        unzCloseCurrentFile(zip);
    }
    unzClose(zip);
    return content;
}

struct Cell {
    QString type;  // "" for a number
    int style = 0; // index into the cell formats
    QString value; // the number, or the text of a string cell
};

// The cells of the first worksheet by reference ("A1"), strings resolved.
std::map<QString, Cell> ReadCells(const QString& workbook) {
    QStringList shared;
    QXmlStreamReader strings(ZipEntry(workbook, "xl/sharedStrings.xml"));
    while (strings.readNextStartElement() || !strings.atEnd()) {
        if (strings.isStartElement() && strings.name() == u"t") {
            shared.append(strings.readElementText());
        } else {
            strings.readNext();
        }
    }
    std::map<QString, Cell> cells;
    QXmlStreamReader sheet(ZipEntry(workbook, "xl/worksheets/sheet1.xml"));
    QString current;
    while (!sheet.atEnd()) {
        sheet.readNext();
        if (!sheet.isStartElement()) {
            continue;
        }
        if (sheet.name() == u"c") {
            current = sheet.attributes().value(QStringLiteral("r")).toString();
            cells[current].type = sheet.attributes().value(QStringLiteral("t")).toString();
            cells[current].style = sheet.attributes().value(QStringLiteral("s")).toInt();
        } else if (sheet.name() == u"v" || sheet.name() == u"t") {
            Cell& cell = cells[current];
            cell.value = sheet.readElementText();
            if (cell.type == u"s") {
                cell.value = shared.value(cell.value.toInt());
            }
        }
    }
    return cells;
}

// The number format of each cell format, by index.
QStringList CellFormats(const QString& workbook) {
    std::map<int, QString> codes = {{0, QStringLiteral("General")}, {49, QStringLiteral("@")}};
    QStringList formats;
    QXmlStreamReader styles(ZipEntry(workbook, "xl/styles.xml"));
    bool inCellFormats = false;
    while (!styles.atEnd()) {
        styles.readNext();
        if (styles.isEndElement() && styles.name() == u"cellXfs") {
            inCellFormats = false;
        }
        if (!styles.isStartElement()) {
            continue;
        }
        if (styles.name() == u"numFmt") {
            codes[styles.attributes().value(QStringLiteral("numFmtId")).toInt()] =
                styles.attributes().value(QStringLiteral("formatCode")).toString();
        } else if (styles.name() == u"cellXfs") {
            inCellFormats = true;
        } else if (inCellFormats && styles.name() == u"xf") {
            formats.append(codes[styles.attributes().value(QStringLiteral("numFmtId")).toInt()]);
        }
    }
    return formats;
}

class frmMainExportTest : public frmMainSearchTest {
protected:
    void SetUp() override {
        frmMainSearchTest::SetUp();
        ASSERT_TRUE(temp.isValid());
        AppEnvironment::SetTempFolder(temp.path());
        AppEnvironment::SetClock([] { return QDateTime(QDate(2025, 6, 1), QTime(8, 30, 15)); });
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "Open");
    }

    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        AppEnvironment::Reset();
        frmMainSearchTest::TearDown();
    }

    QStringList Workbooks() const {
        return QDir(temp.path()).entryList(QDir::Files | QDir::NoDotAndDotDot);
    }

    QTemporaryDir temp;
    XlsxOpener opener;
};

} // namespace

TEST_F(frmMainExportTest, EmptyListExportsNothing) {
    OpenSearchPage();
    Click("QVReport");
    ASSERT_EQ(MsgBox::Recorded().size(), 1U);
    EXPECT_EQ(MsgBox::Recorded().front().text, QStringLiteral("No data to export"));
    EXPECT_EQ(MsgBox::Recorded().front().title, kCaption);
    EXPECT_EQ(MsgBox::Recorded().front().icon, MsgBox::Icon::Information);
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_TRUE(Workbooks().isEmpty());
}

// One listed row gives a header row and one data row: the pass number as text, the dates as real
// date-times, the rest as the list shows it; the user is told before the workbook opens.
TEST_F(frmMainExportTest, OneRowReadsBackFromTheWorkbook) {
    AddVisits({{"0001", "Élise O'Neil", "2024-02-01 15:04:05", "2024-02-01 18:00:00",
                "elise@acme.example", "Acme", "Vendor"},
               {"0002", "Other", "2024-02-01 15:04:05"}});
    OpenSearchPage();
    SetText("txtSearchPassNo", QStringLiteral("1"));
    Search();
    ASSERT_EQ(Results()->rowCount(), 1);
    Click("QVReport");

    ASSERT_EQ(MsgBox::Recorded().size(), 1U);
    EXPECT_EQ(MsgBox::Recorded().front().text, QStringLiteral("Export Completed"));
    EXPECT_EQ(MsgBox::Recorded().front().title, kCaption);
    ASSERT_EQ(opener.opened.size(), 1);
    EXPECT_EQ(opener.messagesBefore, 1U);
    const QString workbook = opener.opened.front().toLocalFile();
    EXPECT_EQ(Workbooks(), QStringList({QStringLiteral("Quorvane Search 20250601083015.xlsx")}));

    const std::map<QString, Cell> cells = ReadCells(workbook);
    const QStringList formats = CellFormats(workbook);
    const char* const columns = "ABCDEFGHIJK";
    for (int column = 0; column < 11; ++column) {
        const QString ref = QString(QLatin1Char(columns[column])) + u'1';
        ASSERT_EQ(cells.count(ref), 1U) << ref.toStdString();
        EXPECT_EQ(cells.at(ref).value, Results()->headerData(column, Qt::Horizontal).toString());
    }
    for (int column = 0; column < 9; ++column) {
        const QString ref = QString(QLatin1Char(columns[column])) + u'2';
        ASSERT_EQ(cells.count(ref), 1U) << ref.toStdString();
        EXPECT_NE(cells.at(ref).type, QString()) << "text, not a number: " << ref.toStdString();
        EXPECT_EQ(cells.at(ref).value, Results()->Text(0, column));
    }
    EXPECT_EQ(cells.at(QStringLiteral("A2")).value, QStringLiteral("0001"));
    EXPECT_EQ(formats.value(cells.at(QStringLiteral("A2")).style), QStringLiteral("@"));
    EXPECT_EQ(cells.at(QStringLiteral("B2")).value, QStringLiteral("Élise O'Neil"));

    // 1 February 2024 is day 45323 of the format's calendar.
    const struct {
        const char* ref;
        double serial;
    } dates[] = {{"J2", 45323 + (15 * 3600 + 4 * 60 + 5) / 86400.0}, {"K2", 45323 + 0.75}};
    for (const auto& date : dates) {
        const Cell& cell = cells.at(QString::fromLatin1(date.ref));
        EXPECT_EQ(cell.type, QString()) << date.ref;
        EXPECT_NEAR(cell.value.toDouble(), date.serial, 1e-6) << date.ref;
        EXPECT_EQ(formats.value(cell.style), QStringLiteral("dd-mmm-yyyy hh:mm:ss AM/PM"));
    }
    EXPECT_EQ(cells.count(QStringLiteral("A3")), 0U);
    EXPECT_TRUE(ZipEntry(workbook, "xl/worksheets/sheet1.xml").contains("<cols>"));
}

// An empty Checked-Out cell stays empty; a second export the same second gets a name of its own.
TEST_F(frmMainExportTest, EmptyCellsAndRepeatedExports) {
    AddVisits({{"0001", "Ann", "2024-02-01 15:04:05", nullptr, nullptr}});
    OpenSearchPage();
    Search();
    Click("QVReport");
    Click("QVReport");
    ASSERT_EQ(opener.opened.size(), 2);
    EXPECT_NE(opener.opened.at(0), opener.opened.at(1));
    const std::map<QString, Cell> cells = ReadCells(opener.opened.at(1).toLocalFile());
    EXPECT_EQ(cells.count(QStringLiteral("D2")), 0U) << "no e-mail";
    EXPECT_EQ(cells.count(QStringLiteral("K2")), 0U) << "not checked out";
    EXPECT_EQ(cells.count(QStringLiteral("J2")), 1U);
}

// The temporary folder is shared by every user of the workstation: a workbook of visitors is for
// this user alone from the moment it exists, whatever the user's file mode mask.
TEST_F(frmMainExportTest, WorkbookIsReadableByItsUserAlone) {
    AddVisits({{"0001", "Ann", "2024-02-01 15:04:05"}});
    OpenSearchPage();
    Search();
    for (const mode_t mask : {mode_t{0}, mode_t{022}, mode_t{077}}) {
        SCOPED_TRACE(mask);
        opener.opened.clear();
        const temp_folder_files::UmaskScope scope(mask);
        Click("QVReport");
        ASSERT_EQ(opener.opened.size(), 1);
        EXPECT_EQ(temp_folder_files::PermissionBits(opener.opened.front().toLocalFile()), 0600);
    }
}

// A disk that fills up while the workbook is written: the reason is shown and no part of the
// workbook is left.
TEST_F(frmMainExportTest, FullDiskLeavesNoWorkbook) {
    AddVisits({{"0001", "Ann", "2024-02-01 15:04:05"}});
    OpenSearchPage();
    Search();
    {
        const temp_folder_files::FileSizeLimit full(1024);
        ASSERT_TRUE(full.IsActive());
        Click("QVReport");
    }
    ASSERT_EQ(MsgBox::Recorded().size(), 1U);
    EXPECT_TRUE(MsgBox::Recorded().front().text.startsWith(
        QStringLiteral("The search results could not be exported!\r\n")))
        << MsgBox::Recorded().front().text.toStdString();
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList());
}

// A temporary folder that cannot be written: the reason is shown, nothing is left, nothing opens.
TEST_F(frmMainExportTest, UnwritableFolderShowsTheReason) {
    AddVisits({{"0001", "Ann", "2024-02-01 15:04:05"}});
    OpenSearchPage();
    Search();
    const QString missing = temp.path() + QStringLiteral("/missing");
    AppEnvironment::SetTempFolder(missing);
    Click("QVReport");
    ASSERT_EQ(MsgBox::Recorded().size(), 1U);
    const MsgBox::Shown& shown = MsgBox::Recorded().front();
    EXPECT_TRUE(
        shown.text.startsWith(QStringLiteral("The search results could not be exported!\r\n")))
        << shown.text.toStdString();
    EXPECT_GT(shown.text.size(), 45);
    EXPECT_EQ(shown.icon, MsgBox::Icon::Critical);
    EXPECT_EQ(shown.title, kCaption);
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_TRUE(Workbooks().isEmpty());
    EXPECT_FALSE(QDir(missing).exists());
}

#include "frmMainExport_test.moc"
