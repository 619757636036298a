#include "frmSettingsFixture.h"

#include "core/CoreError.h"
#include "core/SqlCipherConnection.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QCursor>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

class frmSettingsUtilityTest : public frmSettingsTest {
protected:
    void OpenUtility() {
        Open();
        Click(Button("btnTabUtility"));
    }

    static void AddVisit(const QString& passNo, const QString& checkedIn) {
        ASSERT_TRUE(DBManager().ExecuteNonQuery(
            QStringLiteral("INSERT INTO [VisitorRegister]([PassNo],[Name],[CheckedIn]) VALUES "
                           "(?, 'Visitor', ?)"),
            {passNo, checkedIn}));
    }

    static QStringList PassNumbers() {
        const auto rows = DBManager().GetRecordSet(
            QStringLiteral("SELECT [PassNo] FROM [VisitorRegister] ORDER BY [PassNo]"));
        QStringList numbers;
        for (int r = 0; rows && r < rows->RecordCount(); ++r) {
            numbers.append(rows->Value(r, 0).toString());
        }
        return numbers;
    }

    QStringList PurgeCopies() const {
        return QDir(program.DataFolder()).entryList({QStringLiteral("quorvane.purge.*")});
    }
};

TEST_F(frmSettingsUtilityTest, BrowseOffersBackupFilesAndCancelKeepsThePath) {
    OpenUtility();
    const QString first = program.Path() + QStringLiteral("/monday.qbk");
    FileDialog::QueueAnswer(first);
    Click(Button("btnBrowseBKFPath"));
    EXPECT_EQ(Box("txtBackupPath")->text(), first);
    FileDialog::QueueAnswer(std::nullopt);
    Click(Button("btnBrowseBKFPath"));
    EXPECT_EQ(Box("txtBackupPath")->text(), first);

    const auto& requests = FileDialog::Recorded();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].mode, FileDialog::Mode::Save);
    EXPECT_EQ(requests[0].defaultSuffix, QStringLiteral("qbk"));
    EXPECT_EQ(requests[0].filter, QStringLiteral("Quorvane Backup File (*.qbk);;All Files (*.*)"));
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

TEST_F(frmSettingsUtilityTest, TypingIntoThePathBoxOnlyPointsToBrowse) {
    OpenUtility();
    const QString chosen = program.Path() + QStringLiteral("/chosen.qbk");
    FileDialog::QueueAnswer(chosen);
    Click(Button("btnBrowseBKFPath"));
    Box("txtBackupPath")->setFocus();
    for (const Qt::Key key : {Qt::Key_A, Qt::Key_Backspace, Qt::Key_Slash}) {
        MsgBox::ClearRecorded();
        QTest::keyClick(Box("txtBackupPath"), key);
        const MsgBox::Shown shown = OnlyMessage();
        EXPECT_EQ(shown.text, QStringLiteral("Click on the Browse button to select the path!"));
        EXPECT_EQ(shown.title, QStringLiteral("Quorvane Lite"));
        EXPECT_EQ(shown.icon, MsgBox::Icon::Information);
        EXPECT_EQ(Box("txtBackupPath")->text(), chosen);
    }
}

// Delete types no character, so it brings no message; X11 and Wayland send it as "\x7f".
TEST_F(frmSettingsUtilityTest, DeleteInThePathBoxSaysNothing) {
    OpenUtility();
    const QString chosen = program.Path() + QStringLiteral("/chosen.qbk");
    FileDialog::QueueAnswer(chosen);
    Click(Button("btnBrowseBKFPath"));
    Box("txtBackupPath")->setCursorPosition(0);
    MsgBox::ClearRecorded();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
    QApplication::sendEvent(Box("txtBackupPath"), &press);
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_EQ(Box("txtBackupPath")->text(), chosen);
}

TEST_F(frmSettingsUtilityTest, BackupWritesACheckedCopyOrSaysWhyNot) {
    AddVisit(QStringLiteral("0001"), QStringLiteral("2024-03-05 10:00:00"));
    OpenUtility();
    Click(Button("btnBackup"));
    MsgBox::Shown shown = OnlyMessage();
    EXPECT_EQ(shown.text, QStringLiteral("Please select the backup folder path!"));
    EXPECT_EQ(shown.icon, MsgBox::Icon::Information);
    EXPECT_EQ(QDir(program.Path()).entryList({QStringLiteral("*.qbk")}), QStringList());

    const QString target = program.Path() + QStringLiteral("/backup.qbk");
    FileDialog::QueueAnswer(target);
    Click(Button("btnBrowseBKFPath"));
    MsgBox::ClearRecorded();
    Click(Button("btnBackup"));
    shown = OnlyMessage();
    EXPECT_EQ(shown.text, QStringLiteral("Data backup created successfully!"));
    EXPECT_EQ(shown.title, QStringLiteral("Quorvane Lite"));
    DBManager copy;
    // The copy is a database of its own that holds the visit.
    ASSERT_TRUE(QFile::copy(target, program.DataFolder() + QStringLiteral("copy.qvd")));
    copy.SetDatabaseName(QStringLiteral("copy.qvd"));
    const auto rows = copy.GetRecordSet(QStringLiteral("SELECT [PassNo] FROM [VisitorRegister]"));
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(rows->RecordCount(), 1);
    EXPECT_EQ(program.LogText(), QString());

    const QString nowhere = program.Path() + QStringLiteral("/no/such/folder/backup.qbk");
    FileDialog::QueueAnswer(nowhere);
    Click(Button("btnBrowseBKFPath"));
    MsgBox::ClearRecorded();
    Click(Button("btnBackup"));
    shown = OnlyMessage();
    const QString reason = DBManager().Backup(nowhere);
    ASSERT_FALSE(reason.isEmpty());
    EXPECT_EQ(shown.text, QStringLiteral("Data backup could not be created!\r\n") + reason);
    EXPECT_EQ(shown.icon, MsgBox::Icon::Exclamation);
    EXPECT_EQ(shown.title, QStringLiteral("Quorvane Lite"));
    const QStringList lines = program.LogLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].section(u'\t', 1), QStringLiteral("Backup\t") + reason);
}

TEST_F(frmSettingsUtilityTest, DateToTakesOnlyDigitsAndHyphens) {
    OpenUtility();
    QLineEdit* box = Box("txtPurgeEndDate");
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("1a2-b0/3-2024x"));
    EXPECT_EQ(box->text(), QStringLiteral("12-03-2024"));
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->text(), QStringLiteral("12-03-202"));

    // Pasted text is cleaned, keeping digits and hyphens in their order.
    box->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("a5-3-20z24"));
    box->paste();
    EXPECT_EQ(box->text(), QStringLiteral("5-3-2024"));
    box->setText(QStringLiteral("1 -1 -2025"));
    EXPECT_EQ(box->text(), QStringLiteral("1-1-2025"));
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

TEST_F(frmSettingsUtilityTest, PurgeRefusesMissingUnreadableAndTooEarlyDates) {
    AddVisit(QStringLiteral("0001"), QStringLiteral("2024-03-05 10:00:00"));
    struct Case {
        const char* typed;
        const char* message;
    };
    const Case cases[] = {
        {"", "Please enter date in the Date To field!"},
        {"31-02-2024", "Invalid date specified in the Date To field!"},
        {"2024-03-05", "Invalid date specified in the Date To field!"},
        {"4-3-2024", "The Date To field value cannot be less than the displayed Date From value!"},
        {"04-03-2024",
         "The Date To field value cannot be less than the displayed Date From value!"},
    };
    OpenUtility();
    ASSERT_EQ(Box("txtPurgeStartDate")->text(), QStringLiteral("05-03-2024"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        Box("txtPurgeEndDate")->setText(QString::fromLatin1(c.typed));
        MsgBox::ClearRecorded();
        Click(Button("btnPurge"));
        const MsgBox::Shown shown = OnlyMessage();
        EXPECT_EQ(shown.text, QString::fromLatin1(c.message));
        EXPECT_EQ(shown.title, QStringLiteral("Quorvane Lite"));
        EXPECT_EQ(shown.icon, MsgBox::Icon::Information);
        EXPECT_EQ(QApplication::focusWidget(), Box("txtPurgeEndDate"));
    }
    EXPECT_EQ(PassNumbers(), QStringList{QStringLiteral("0001")});
    EXPECT_EQ(PurgeCopies(), QStringList());
}

TEST_F(frmSettingsUtilityTest, PurgeAsksFirstAndDeletesUpToTheWholeDay) {
    AddVisit(QStringLiteral("0001"), QStringLiteral("2024-03-05 10:00:00"));
    AddVisit(QStringLiteral("0002"), QStringLiteral("2024-03-05 23:59:59"));
    AddVisit(QStringLiteral("0003"), QStringLiteral("2024-03-06 00:00:00"));
    const QString warning =
        QStringLiteral("Warning:\r\nYou will not be able to undo this operation!\r\nAre you sure "
                       "to purge the data for the entered date range?");
    OpenUtility();

    // The same day as Date From passes the order check; No deletes nothing.
    Box("txtPurgeEndDate")->setText(QStringLiteral("05-03-2024"));
    MsgBox::QueueAnswer(MsgBox::Result::No);
    Click(Button("btnPurge"));
    MsgBox::Shown shown = OnlyMessage();
    EXPECT_EQ(shown.text, warning);
    EXPECT_EQ(shown.buttons, MsgBox::Buttons::YesNo);
    EXPECT_EQ(shown.icon, MsgBox::Icon::Exclamation);
    EXPECT_EQ(shown.title, QStringLiteral("Quorvane Lite"));
    EXPECT_EQ(PassNumbers(), (QStringList{QStringLiteral("0001"), QStringLiteral("0002"),
                                          QStringLiteral("0003")}));
    EXPECT_EQ(PurgeCopies(), QStringList());

    // Without leading zeros, and the whole of that day.
    Box("txtPurgeEndDate")->setText(QStringLiteral("5-3-2024"));
    MsgBox::ClearRecorded();
    MsgBox::QueueAnswer(MsgBox::Result::Yes);
    Click(Button("btnPurge"));
    const auto& all = MsgBox::Recorded();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[1].text, QStringLiteral("Data purge successful!"));
    EXPECT_EQ(all[1].icon, MsgBox::Icon::Information);
    EXPECT_EQ(PassNumbers(), QStringList{QStringLiteral("0003")});
    EXPECT_EQ(PurgeCopies(), QStringList{QStringLiteral("quorvane.purge.20250314092653")});
    // Date From shows the new earliest day only at the next opening.
    EXPECT_EQ(Box("txtPurgeStartDate")->text(), QStringLiteral("05-03-2024"));
}

TEST_F(frmSettingsUtilityTest, AFailedPurgeSaysSoWithoutItsReason) {
    AddVisit(QStringLiteral("0001"), QStringLiteral("2024-03-05 10:00:00"));
    OpenUtility();
    // A folder in the way of the safety copy: nothing may be deleted.
    ASSERT_TRUE(
        QDir().mkpath(program.DataFolder() + QStringLiteral("quorvane.purge.20250314092653")));
    Box("txtPurgeEndDate")->setText(QStringLiteral("06-03-2024"));
    Click(Button("btnPurge"));
    const auto& shown = MsgBox::Recorded();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, QStringLiteral("Data purge failed!"));
    EXPECT_EQ(shown[1].icon, MsgBox::Icon::Exclamation);
    EXPECT_EQ(shown[1].title, QStringLiteral("Quorvane Lite"));
    EXPECT_EQ(PassNumbers(), QStringList{QStringLiteral("0001")});
}

// The data path, the logo and the stored values all live in the shared folder: when it cannot be
// read the window does not open on the program folder's instead.
TEST_F(frmSettingsUtilityTest, WithTheSharedFolderUnreadableTheWindowDoesNotOpen) {
    program.RemoveConfigValue(QStringLiteral("DISP"));
    EXPECT_THROW(Open(), CoreError);
    EXPECT_EQ(window, nullptr);
}

bool BusyPointerShown() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

// The program reads the clock from inside the backup and the purge (log lines, the safety copy's
// name): each reading notes whether the busy pointer was shown then.
class frmSettingsPointerTest : public frmSettingsUtilityTest {
protected:
    void WatchThePointer() {
        readings->clear();
        AppEnvironment::SetClock([readings = readings] {
            readings->push_back(BusyPointerShown());
            return QDateTime(QDate(2025, 3, 14), QTime(9, 26, 53));
        });
    }

    void ChooseBackup(const QString& name) {
        FileDialog::QueueAnswer(program.Path() + u'/' + name);
        Click(Button("btnBrowseBKFPath"));
        MsgBox::ClearRecorded();
    }

    // Without the token file the shared folder cannot be deciphered, which is logged while the
    // operation reads it, and ends the operation.
    void BreakTheSharedFolder() {
        tokens = ReadBytes(program.TokenFile());
        ASSERT_TRUE(program.RemoveFile(QStringLiteral("system/key.tokens.xml")));
    }
    void MendTheSharedFolder() const {
        program.WriteFile(QStringLiteral("system/key.tokens.xml"), tokens);
    }

    bool BusyAtSomeReading() const {
        return std::find(readings->begin(), readings->end(), true) != readings->end();
    }

    std::shared_ptr<std::vector<bool>> readings = std::make_shared<std::vector<bool>>();
    QByteArray tokens;
};

TEST_F(frmSettingsPointerTest, BackupShowsTheBusyPointerUntilItEnds) {
    OpenUtility();
    ChooseBackup(QStringLiteral("failed.qbk"));
    BreakTheSharedFolder();
    WatchThePointer();
    Click(Button("btnBackup"));
    const MsgBox::Shown shown = OnlyMessage();
    EXPECT_TRUE(shown.text.startsWith(QStringLiteral("Data backup could not be created!\r\n")))
        << shown.text.toStdString();
    // Busy while it ran; restored before its box and the log line after it.
    EXPECT_TRUE(BusyAtSomeReading());
    ASSERT_FALSE(readings->empty());
    EXPECT_FALSE(readings->back());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    MendTheSharedFolder();
    ChooseBackup(QStringLiteral("done.qbk"));
    Click(Button("btnBackup"));
    EXPECT_EQ(OnlyMessage().text, QStringLiteral("Data backup created successfully!"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(frmSettingsPointerTest, PurgeShowsTheBusyPointerUntilItEnds) {
    AddVisit(QStringLiteral("0001"), QStringLiteral("2024-03-05 10:00:00"));
    AddVisit(QStringLiteral("0002"), QStringLiteral("2024-03-07 10:00:00"));
    OpenUtility();
    Box("txtPurgeEndDate")->setText(QStringLiteral("05-03-2024"));
    WatchThePointer();
    Click(Button("btnPurge"));
    ASSERT_EQ(MsgBox::Recorded().size(), 2u);
    EXPECT_EQ(MsgBox::Recorded()[1].text, QStringLiteral("Data purge successful!"));
    EXPECT_TRUE(BusyAtSomeReading());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    Box("txtPurgeEndDate")->setText(QStringLiteral("07-03-2024"));
    BreakTheSharedFolder();
    MsgBox::ClearRecorded();
    WatchThePointer();
    Click(Button("btnPurge"));
    ASSERT_EQ(MsgBox::Recorded().size(), 2u);
    EXPECT_EQ(MsgBox::Recorded()[1].text, QStringLiteral("Data purge failed!"));
    EXPECT_TRUE(BusyAtSomeReading());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    MendTheSharedFolder();
    EXPECT_EQ(PassNumbers(), QStringList{QStringLiteral("0002")});
}

// Real boxes, answered as they appear: none of them shows the busy pointer.
TEST_F(frmSettingsPointerTest, TheBoxesAfterABackupAndAPurgeShowTheNormalPointer) {
    OpenUtility();
    ChooseBackup(QStringLiteral("done.qbk"));
    Box("txtPurgeEndDate")->setText(QStringLiteral("01-01-2099"));
    MsgBox::StopRecording();
    std::vector<bool> busyAtBox;
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, [&busyAtBox] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            if (box != nullptr && box->isVisible()) {
                busyAtBox.push_back(BusyPointerShown());
                // Yes to the purge's warning, OK to the others.
                QAbstractButton* yes = box->button(QMessageBox::Yes);
                (yes != nullptr ? yes : box->button(QMessageBox::Ok))->click();
                return;
            }
        }
    });
    answerer.start(0);
    Click(Button("btnBackup"));
    Click(Button("btnPurge"));
    answerer.stop();
    // The backup's box, the purge's warning and its outcome.
    EXPECT_EQ(busyAtBox, std::vector<bool>(3, false));
    EXPECT_TRUE(QFile::exists(program.Path() + QStringLiteral("/done.qbk")));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
