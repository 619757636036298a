#include "frmMainSearchFixture.h"

#include <QCursor>
#include <QDesktopServices>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

bool BusyPointerShown() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

// Stands in for the desktop's program for .xlsx files: notes whether the busy pointer was still
// shown when the workbook was handed over.
class XlsxOpener final : public QObject {
    Q_OBJECT

public:
    std::vector<bool> busyWhenOpened;

public Q_SLOTS:
    void Open(const QUrl&) { busyWhenOpened.push_back(BusyPointerShown()); }
};

// The export reads the clock for the workbook's name while it runs; each reading notes whether
// the busy pointer was shown then, and a clock that fails makes the export fail.
class frmMainExportPointerTest : public frmMainSearchTest {
protected:
    void SetUp() override {
        frmMainSearchTest::SetUp();
        ASSERT_TRUE(temp.isValid());
        AppEnvironment::SetTempFolder(temp.path());
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "Open");
    }

    void TearDown() override {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        AppEnvironment::Reset();
        frmMainSearchTest::TearDown();
    }

    void WatchThePointer(bool clockFails) {
        readings->clear();
        AppEnvironment::SetClock([readings = readings, clockFails] {
            readings->push_back(BusyPointerShown());
            if (clockFails) {
                throw std::runtime_error("the clock cannot be read");
            }
            return QDateTime(QDate(2025, 6, 1), QTime(8, 30, 15));
        });
    }

    bool BusyAtSomeReading() const {
        return std::find(readings->begin(), readings->end(), true) != readings->end();
    }

    std::shared_ptr<std::vector<bool>> readings = std::make_shared<std::vector<bool>>();
    QTemporaryDir temp;
    XlsxOpener opener;
};

TEST_F(frmMainExportPointerTest, ExportShowsTheBusyPointerUntilItEnds) {
    AddVisits({{"0001", "Ann", "2024-02-01 15:04:05"}});
    OpenSearchPage();
    Search();
    ASSERT_EQ(Results()->rowCount(), 1);

    WatchThePointer(false);
    Click("QVReport");
    ASSERT_EQ(MsgBox::Recorded().size(), 1U);
    EXPECT_EQ(MsgBox::Recorded().front().text, QStringLiteral("Export Completed"));
    EXPECT_TRUE(BusyAtSomeReading());
    EXPECT_EQ(opener.busyWhenOpened, std::vector<bool>{false});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    MsgBox::ClearRecorded();
    WatchThePointer(true);
    Click("QVReport");
    ASSERT_EQ(MsgBox::Recorded().size(), 1U);
    EXPECT_TRUE(MsgBox::Recorded().front().text.startsWith(
        QStringLiteral("The search results could not be exported!\r\n")))
        << MsgBox::Recorded().front().text.toStdString();
    EXPECT_TRUE(BusyAtSomeReading());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(opener.busyWhenOpened.size(), 1U);
    WatchThePointer(false);
}

} // namespace

#include "frmMainExportPointer_test.moc"
