// The search list's entries act on a listed visit only when it could be read: a database that
// cannot be read is shown as the error, logged under the handler's name, and nothing is changed,
// printed or filled in.
#include "frmMainSearchFixture.h"

#include "DatabaseExclusiveLock.h"

#include <QAction>
#include <QFile>
#include <QItemSelectionModel>

#include <optional>

namespace {

enum class Unreadable { Damaged, HeldExclusively };

// While it lives the database cannot be read: its file holds no database (its bytes come back
// afterwards), or another workstation holds it exclusively past the busy timeout.
class UnreadableDatabase final {
public:
    UnreadableDatabase(const QString& file, Unreadable how)
        : m_file(file) {
        if (how == Unreadable::HeldExclusively) {
            m_lock.emplace(file);
            return;
        }
        QFile database(file);
        if (database.open(QIODevice::ReadWrite)) {
            m_bytes = database.readAll();
            database.seek(0);
            database.write(QByteArray(m_bytes.size(), 'x'));
        }
        EXPECT_FALSE(m_bytes.isEmpty()) << file.toStdString();
    }
    ~UnreadableDatabase() {
        if (!m_bytes.isEmpty()) {
            QFile database(m_file);
            EXPECT_TRUE(database.open(QIODevice::WriteOnly | QIODevice::Truncate));
            database.write(m_bytes);
        }
    }
    Q_DISABLE_COPY_MOVE(UnreadableDatabase)

private:
    QString m_file;
    QByteArray m_bytes;
    std::optional<DatabaseExclusiveLock> m_lock;
};

class frmMainSearchCheckoutTest : public frmMainSearchTest {
protected:
    // Visit 0001, checked out at 10:00, and 0002, still in, listed on the search page; the row
    // of passNo is selected.
    void ListVisitsAndSelect(const QString& passNo) {
        AddVisits({{"0001", "Ann Lee", "2024-03-04 09:00:00", "2024-03-04 10:00:00"},
                   {"0002", "Bob Ray", "2024-03-04 11:00:00"}});
        OpenSearchPage();
        Search();
        const int row = static_cast<int>(ListedPassNumbers().indexOf(passNo));
        ASSERT_GE(row, 0) << passNo.toStdString();
        ResultsView()->selectionModel()->select(Results()->index(row, 0),
                                                QItemSelectionModel::ClearAndSelect |
                                                    QItemSelectionModel::Rows);
        folder.ClearLog();
        MsgBox::ClearRecorded();
    }

    void TriggerWhileUnreadable(const char* entry, Unreadable how) const {
        const UnreadableDatabase unreadable(folder.DatabaseFile(), how);
        Child<QAction>(QString::fromLatin1(entry))->trigger();
    }

    // The only box is the critical one of the failure, with a reason after its first line, and
    // the handler logged that reason.
    void ExpectOnlyFailureShown(const QString& failure, const char* source) const {
        ASSERT_EQ(MsgBox::Recorded().size(), 1U) << Messages().join(u'|').toStdString();
        const QString text = MsgBox::Recorded().front().text;
        EXPECT_TRUE(text.startsWith(failure + QStringLiteral("\r\n"))) << text.toStdString();
        EXPECT_GT(text.size(), failure.size() + 2) << "the reason is shown";
        ExpectChangeFailureShown(text, source);
    }

    static QStringList Messages() {
        QStringList texts;
        for (const MsgBox::Shown& shown : MsgBox::Recorded()) {
            texts.append(shown.text);
        }
        return texts;
    }

    static QString CheckedOutOf(const QString& passNo) {
        const auto rows = DBManager().GetRecordSet(
            QStringLiteral("SELECT [CheckedOut] FROM [VisitorRegister] WHERE [PassNo] = ?"),
            {passNo});
        return rows && rows->RecordCount() == 1 ? rows->Text(0, 0) : QStringLiteral("<none>");
    }
};

// Read as an empty record, the visit would count as still in: the question would be asked and a
// Yes would move its check-out time to now.
TEST_F(frmMainSearchCheckoutTest, CheckOutAfterAFailedLoadShowsTheErrorAndChangesNothing) {
    for (const Unreadable how : {Unreadable::Damaged, Unreadable::HeldExclusively}) {
        SCOPED_TRACE(how == Unreadable::Damaged ? "damaged" : "held exclusively");
        ListVisitsAndSelect(QStringLiteral("0001"));
        // The register can be read and written again once the first box is answered: had the
        // failed load asked whether to check out again, the Yes would move the check-out time.
        std::optional<UnreadableDatabase> unreadable;
        unreadable.emplace(folder.DatabaseFile(), how);
        MsgBox::QueueAnswer(MsgBox::Result::Yes, [&unreadable] { unreadable.reset(); });
        Child<QAction>(QStringLiteral("mnuSearchCheckout"))->trigger();
        EXPECT_FALSE(unreadable.has_value()) << "no box was shown";
        unreadable.reset();

        ExpectOnlyFailureShown(QStringLiteral("An error occured while trying to check-out!"),
                               "mnuSearchCheckout_Click");
        EXPECT_EQ(CheckedOutOf(QStringLiteral("0001")), QStringLiteral("2024-03-04 10:00:00"));
        EXPECT_EQ(ListedPassNumbers().size(), 2);
        MsgBox::ClearRecorded();
        Execute(QStringLiteral("DELETE FROM [VisitorRegister]"));
    }
}

// Not "deleted": the receptionist learns that the visit could not be read. Edit goes back to the
// list with an empty page, Print prints nothing.
TEST_F(frmMainSearchCheckoutTest, EditAndPrintAfterAFailedLoadShowTheError) {
    const QString failure = QStringLiteral("An error occured while trying to read the visit!");
    ListVisitsAndSelect(QStringLiteral("0002"));

    TriggerWhileUnreadable("mnuSearchEdit", Unreadable::Damaged);
    ExpectOnlyFailureShown(failure, "LoadVisitorForEdit");
    EXPECT_TRUE(Shown(QStringLiteral("fraSearch")));
    EXPECT_FALSE(Shown(QStringLiteral("fraMain")));
    EXPECT_EQ(Child<QLineEdit>(QStringLiteral("txtName"))->text(), QString());

    folder.ClearLog();
    MsgBox::ClearRecorded();
    TriggerWhileUnreadable("mnuSearchPrint", Unreadable::Damaged);
    ExpectOnlyFailureShown(failure, "PrintPass");
}

} // namespace
