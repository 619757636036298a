#include "frmSettingsFixture.h"

#include "core/CoreError.h"
#include "core/Settings.h"
#include "core/SqlCipherConnection.h"

#include <QGroupBox>

#include <functional>

namespace {

constexpr const char* AppPassword = "Secret1";
constexpr const char* AppHint = "Where the cat sleeps";

TEST_F(frmSettingsTest, LoadsTheStoredValuesOnTheApplicationTab) {
    StoreSettings(QStringLiteral("O'Neil & Sons"), QString::fromLatin1(AppPassword),
                  QString::fromLatin1(AppHint), QStringLiteral("Admin42"),
                  QStringLiteral("The usual admin one"));
    ASSERT_TRUE(DBManager().ExecuteNonQuery(
        QStringLiteral("INSERT INTO [VisitorRegister]([PassNo],[Name],[CheckedIn]) VALUES "
                       "('0001','Ann','2024-03-05 10:00:00')")));
    Open();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quorvane Lite :: Settings"));
    EXPECT_EQ(window->font().family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(Box("txtCompanyName")->text(), QStringLiteral("O'Neil & Sons"));
    EXPECT_EQ(Box("txtPassword")->text(), QString::fromLatin1(AppPassword));
    EXPECT_EQ(Box("txtConfPassword")->text(), QString::fromLatin1(AppPassword));
    EXPECT_EQ(Box("txtHint")->text(), QString::fromLatin1(AppHint));
    EXPECT_EQ(Box("txtSettingsPassword")->text(), QStringLiteral("Admin42"));
    EXPECT_EQ(Box("txtSettingsRetypePassword")->text(), QStringLiteral("Admin42"));
    EXPECT_EQ(Box("txtSettingsPasswordHint")->text(), QStringLiteral("The usual admin one"));
    EXPECT_EQ(Box("txtDatabaseName")->text(), QStringLiteral("quorvane.sys.qvd"));
    // An empty base-folder setting: the program folder's data folder.
    EXPECT_EQ(Box("txtApplicationDataPath")->text(), program.DataFolder());
    EXPECT_TRUE(Box("txtApplicationDataPath")->isReadOnly());
    EXPECT_EQ(Box("txtPurgeStartDate")->text(), QStringLiteral("05-03-2024"));
    EXPECT_TRUE(Box("txtPurgeStartDate")->isReadOnly());
    EXPECT_TRUE(Box("txtBackupPath")->isReadOnly());

    struct Limit {
        const char* box;
        int maxLength;
        bool masked;
    };
    const Limit limits[] = {
        {"txtPassword", 30, true},
        {"txtConfPassword", 30, true},
        {"txtHint", 30, false},
        {"txtCompanyName", 50, false},
        {"txtSettingsPassword", 30, true},
        {"txtSettingsRetypePassword", 30, true},
        {"txtSettingsPasswordHint", 30, false},
        {"txtDatabaseName", 300, false},
        {"txtBackupPath", 300, false},
        {"txtPurgeEndDate", 10, false},
    };
    for (const Limit& limit : limits) {
        SCOPED_TRACE(limit.box);
        EXPECT_EQ(Box(limit.box)->maxLength(), limit.maxLength);
        EXPECT_EQ(Box(limit.box)->echoMode() == QLineEdit::Password, limit.masked);
    }
    EXPECT_EQ(Box("txtPurgeEndDate")->toolTip(),
              QStringLiteral("Date must be in dd-MM-yyyy format"));
    EXPECT_EQ(QApplication::focusWidget(), Box("txtCompanyName"));
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

// Stored values that could not be read are not shown as empty ones, which a Save would store over
// both passwords: the window does not open.
TEST_F(frmSettingsTest, StoredValuesThatCannotBeReadOpenNoWindow) {
    StoreSettings(QStringLiteral("Acme"), QString::fromLatin1(AppPassword),
                  QString::fromLatin1(AppHint), QStringLiteral("Admin42"),
                  QStringLiteral("The usual admin one"));
    const QVariantList stored = StoredSettings();
    const QByteArray database = ReadBytes(program.DatabaseFile());
    struct Case {
        const char* what;
        std::function<void()> breakIt;
        std::function<void()> mendIt;
    };
    const Case cases[] = {
        {"database named in the configuration is missing",
         [&] { program.SetConfigValue(QStringLiteral("DATABASE"), QStringLiteral("gone.qvd")); },
         [&] {
             program.SetConfigValue(QStringLiteral("DATABASE"), QStringLiteral("quorvane.sys.qvd"));
         }},
        {"database file overwritten",
         [&] { program.WriteFile(QStringLiteral("Data/quorvane.sys.qvd"), "no database"); },
         [&] { program.WriteFile(QStringLiteral("Data/quorvane.sys.qvd"), database); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.breakIt();
        EXPECT_THROW(Open(), CoreError);
        EXPECT_EQ(window, nullptr);
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            EXPECT_EQ(qobject_cast<frmSettings*>(widget), nullptr);
        }
        c.mendIt();
        EXPECT_EQ(StoredSettings(), stored);
    }
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

// Really empty passwords are read as empty, and a Save that changes something else keeps them so.
TEST_F(frmSettingsTest, EmptyPasswordsStayEmptyThroughASave) {
    StoreSettings(QStringLiteral("Acme"), QString(), QString(), QString(), QString());
    Open();
    for (const char* box : {"txtPassword", "txtConfPassword", "txtHint", "txtSettingsPassword",
                            "txtSettingsRetypePassword", "txtSettingsPasswordHint"}) {
        EXPECT_EQ(Box(box)->text(), QString()) << box;
    }
    Set("txtCompanyName", QStringLiteral("Acme Ltd"));
    Click(Button("btnSave"));
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    const QVariantList stored = StoredSettings();
    ASSERT_EQ(stored.size(), 5);
    EXPECT_EQ(stored.at(0).toString(), QStringLiteral("Acme Ltd"));
    for (qsizetype column = 1; column < stored.size(); ++column) {
        EXPECT_EQ(stored.at(column).toString(), QString()) << column;
    }
}

TEST_F(frmSettingsTest, DataPathFollowsTheSharedFolder) {
    QTemporaryDir shared;
    ASSERT_TRUE(shared.isValid());
    // The shared folder holds the database, as it does once the workstations use it.
    ASSERT_TRUE(QDir().mkpath(shared.path() + QStringLiteral("/Data")));
    ASSERT_TRUE(QFile::copy(program.DatabaseFile(),
                            shared.path() + QStringLiteral("/Data/quorvane.sys.qvd")));
    program.SetEncipheredConfigValue(QStringLiteral("DISP"), shared.path());
    Open();
    EXPECT_EQ(Box("txtApplicationDataPath")->text(),
              QString(shared.path() + QStringLiteral("/Data/")));
}

TEST_F(frmSettingsTest, EachTabButtonShowsItsFrameAndMarksItselfActive) {
    struct Case {
        const char* button;
        const char* frame;
        const char* lastField;
        const char* firstField;
    };
    const Case cases[] = {
        {"btnTabAdministration", "fraTabAdministration", "txtSettingsPasswordHint",
         "txtSettingsPassword"},
        {"btnTabUtility", "fraTabUtility", "txtDatabaseName", "txtBackupPath"},
        {"btnTabApplication", "fraTabApplication", "txtHint", "txtCompanyName"},
    };
    Open();
    EXPECT_EQ(Button("btnTabApplication")->geometry(), QRect(0, 0, 105, 24));
    EXPECT_EQ(Button("btnTabAdministration")->geometry(), QRect(104, 0, 105, 24));
    EXPECT_EQ(Button("btnTabUtility")->geometry(), QRect(208, 0, 105, 24));
    EXPECT_EQ(Button("btnTabUtility")->Caption(), QStringLiteral("Data"));
    EXPECT_EQ(Button("btnSave")->geometry(), QRect(283, 467, 90, 26));
    EXPECT_EQ(Button("btnExit")->geometry(), QRect(378, 467, 90, 26));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        Click(Button(c.button));
        for (const char* frame : {"fraTabApplication", "fraTabAdministration", "fraTabUtility"}) {
            const auto* box = window->findChild<QGroupBox*>(QString::fromUtf8(frame));
            EXPECT_EQ(box->isVisible(), QByteArray(frame) == c.frame) << frame;
        }
        for (const char* button : {"btnTabApplication", "btnTabAdministration", "btnTabUtility"}) {
            EXPECT_EQ(Button(button)->Enabled(), QByteArray(button) != c.button) << button;
        }
        EXPECT_EQ(window->findChild<QGroupBox*>(QString::fromUtf8(c.frame))->pos(), QPoint(0, 24));
        EXPECT_EQ(QApplication::focusWidget(), Box(c.firstField));
        EXPECT_EQ(Box(c.lastField)->nextInFocusChain(), Button("btnSave"));
        EXPECT_EQ(Button("btnSave")->nextInFocusChain(), Button("btnExit"));
    }
}

// Values that pass every check; each case below breaks one of them.
class frmSettingsSaveTest : public frmSettingsTest {
protected:
    void FillValid() const {
        Set("txtCompanyName", QStringLiteral("Acme"));
        Set("txtPassword", QString::fromLatin1(AppPassword));
        Set("txtConfPassword", QString::fromLatin1(AppPassword));
        Set("txtHint", QString::fromLatin1(AppHint));
        Set("txtSettingsPassword", QStringLiteral("Admin42"));
        Set("txtSettingsRetypePassword", QStringLiteral("Admin42"));
        Set("txtSettingsPasswordHint", QStringLiteral("The usual admin one"));
        Set("txtDatabaseName", QStringLiteral("quorvane.sys.qvd"));
    }
};

TEST_F(frmSettingsSaveTest, EachCheckStopsTheSaveWithItsMessageTabAndField) {
    // A database file of another program: a keyed file without our tables.
    {
        SqlCipherConnection other(program.DataFolder() + QStringLiteral("other.qvd"),
                                  QString::fromLatin1(DBManager::DatabasePassword),
                                  SqlCipherConnection::Mode::CreateIfMissing);
        other.ExecuteScript(QStringLiteral("CREATE TABLE [Orders]([Id]);"));
    }
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, QString>> values;
        QString message;
        const char* tabButton;
        const char* field;
    };
    const QString notValid = QStringLiteral("The file  \"") + program.DataFolder() +
                             QStringLiteral("other.qvd\" is not a valid Quorvane Lite database!");
    const Case cases[] = {
        {"one letter with blanks",
         {{"txtCompanyName", QStringLiteral("  a  ")}},
         QStringLiteral("Display Name cannot be less than 2 characters!"),
         "btnTabApplication",
         "txtCompanyName"},
        {"short password",
         {{"txtPassword", QStringLiteral("ab")}, {"txtConfPassword", QStringLiteral("ab")}},
         QStringLiteral("Password cannot be lesser than 3 characters!"),
         "btnTabApplication",
         "txtPassword"},
        {"retyped with a trailing blank",
         {{"txtConfPassword", QString::fromLatin1(AppPassword) + u' '}},
         QStringLiteral("Password and the retyped password does not match!"),
         "btnTabApplication",
         "txtConfPassword"},
        {"hint of 9",
         {{"txtHint", QStringLiteral("123456789")}},
         QStringLiteral("Password Hint cannot be less than 10 characters!"),
         "btnTabApplication",
         "txtHint"},
        {"hint holds the password",
         {{"txtHint", QStringLiteral("it is ") + QString::fromLatin1(AppPassword)}},
         QStringLiteral("Password Hint cannot contain the password!"),
         "btnTabApplication",
         "txtHint"},
        {"short settings password",
         {{"txtSettingsPassword", QStringLiteral("x")},
          {"txtSettingsRetypePassword", QStringLiteral("x")}},
         QStringLiteral("Password cannot be lesser than 3 characters!"),
         "btnTabAdministration",
         "txtSettingsPassword"},
        {"settings password retyped otherwise",
         {{"txtSettingsRetypePassword", QStringLiteral("admin42")}},
         QStringLiteral("Password and retyped password does not match!"),
         "btnTabAdministration",
         "txtSettingsRetypePassword"},
        {"settings hint of 9",
         {{"txtSettingsPasswordHint", QStringLiteral("abcdefghi")}},
         QStringLiteral("Password Hint cannot be less than 10 characters!"),
         "btnTabAdministration",
         "txtSettingsPasswordHint"},
        {"settings hint holds the password",
         {{"txtSettingsPasswordHint", QStringLiteral("Admin42 is it")}},
         QStringLiteral("Password Hint cannot contain the password!"),
         "btnTabAdministration",
         "txtSettingsPasswordHint"},
        {"no database name",
         {{"txtDatabaseName", QString()}},
         QStringLiteral("Please specify the database name!"),
         "btnTabUtility",
         "txtDatabaseName"},
        {"missing database",
         {{"txtDatabaseName", QStringLiteral("missing.qvd")}},
         QStringLiteral("Specified database dose not exist!"),
         "btnTabUtility",
         "txtDatabaseName"},
        {"foreign database",
         {{"txtDatabaseName", QStringLiteral("other.qvd")}},
         notValid,
         "btnTabUtility",
         "txtDatabaseName"},
        {"only the first failure is shown",
         {{"txtCompanyName", QStringLiteral("x")},
          {"txtSettingsRetypePassword", QStringLiteral("nope")}},
         QStringLiteral("Display Name cannot be less than 2 characters!"),
         "btnTabApplication",
         "txtCompanyName"},
    };
    const QVariantList stored = StoredSettings();
    const QByteArray config = ReadBytes(program.ConfigFile());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open();
        FillValid();
        for (const auto& [box, value] : c.values) {
            Set(box, value);
        }
        // Saving from another tab shows that the check brings its own tab to the front.
        Click(Button(std::string_view(c.tabButton) == "btnTabUtility" ? "btnTabAdministration"
                                                                      : "btnTabUtility"));
        Click(Button("btnSave"));
        const MsgBox::Shown shown = OnlyMessage();
        EXPECT_EQ(shown.text, c.message);
        EXPECT_EQ(shown.title, QStringLiteral("Invalid Data"));
        EXPECT_EQ(shown.icon, MsgBox::Icon::Information);
        EXPECT_FALSE(Button(c.tabButton)->Enabled());
        EXPECT_EQ(QApplication::focusWidget(), Box(c.field));
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(StoredSettings(), stored);
        EXPECT_EQ(ReadBytes(program.ConfigFile()), config);
    }
}

TEST_F(frmSettingsSaveTest, ValuesAtTheEdgesAreStoredAsTyped) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, QString>> values;
    };
    const Case cases[] = {
        {"two letters with blanks", {{"txtCompanyName", QStringLiteral("  ab  ")}}},
        {"no display name", {{"txtCompanyName", QString()}}},
        {"no passwords and no hints",
         {{"txtPassword", QString()},
          {"txtConfPassword", QString()},
          {"txtHint", QString()},
          {"txtSettingsPassword", QString()},
          {"txtSettingsRetypePassword", QString()},
          {"txtSettingsPasswordHint", QString()}}},
        {"hint holds the password in other letters",
         {{"txtHint", QStringLiteral("think SECRET1 now")}}},
        {"hint of 10", {{"txtHint", QStringLiteral("1234567890")}}},
        {"apostrophes",
         {{"txtCompanyName", QStringLiteral("O'Neil's")},
          {"txtHint", QStringLiteral("the cat's name")},
          {"txtSettingsPassword", QStringLiteral("it's")},
          {"txtSettingsRetypePassword", QStringLiteral("it's")}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open();
        FillValid();
        for (const auto& [box, value] : c.values) {
            Set(box, value);
        }
        const QVariantList expected = {Box("txtCompanyName")->text(), Box("txtPassword")->text(),
                                       Box("txtHint")->text(), Box("txtSettingsPassword")->text(),
                                       Box("txtSettingsPasswordHint")->text()};
        Click(Button("btnSave"));
        EXPECT_TRUE(MsgBox::Recorded().empty());
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(window->result(), QDialog::Accepted);
        EXPECT_EQ(StoredSettings(), expected);
    }
    EXPECT_EQ(program.LogText(), QString());
}

TEST_F(frmSettingsSaveTest, AFailedStoreKeepsTheWindowOpenWithItsValues) {
    const QVariantList stored = StoredSettings();
    Open();
    FillValid();
    Set("txtCompanyName", QStringLiteral("Never stored"));
    // The configuration has no database name to write back (without the file the shared folder
    // could not be read, and the save would stop before storing anything).
    program.RemoveConfigValue(QStringLiteral("DATABASE"));
    Click(Button("btnSave"));
    const MsgBox::Shown shown = OnlyMessage();
    EXPECT_EQ(shown.text,
              QStringLiteral("Settings could not be updated! Try restarting the Application!"));
    EXPECT_EQ(shown.title, QStringLiteral("Invalid Data"));
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Box("txtCompanyName")->text(), QStringLiteral("Never stored"));
    // Nothing of the save is in force at the next start either.
    program.SetConfigValue(QStringLiteral("DATABASE"), QStringLiteral("quorvane.sys.qvd"));
    EXPECT_EQ(StoredSettings(), stored);
}

TEST_F(frmSettingsSaveTest, ExitStoresNothing) {
    const QVariantList stored = StoredSettings();
    Open();
    FillValid();
    Click(Button("btnExit"));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
    EXPECT_EQ(StoredSettings(), stored);
    EXPECT_TRUE(MsgBox::Recorded().empty());
}

class frmSettingsLogoTest : public frmSettingsSaveTest {
protected:
    QString StoredLogo() const { return LogoFolder() + QStringLiteral("/Logo.jpg"); }

    void StoreLogo(const QString& name = QStringLiteral("Logo.jpg")) const {
        ASSERT_TRUE(QDir().mkpath(LogoFolder()));
        const QString picture = WritePicture(QStringLiteral("stored.jpg"), 100, 40, Qt::blue);
        ASSERT_TRUE(QFile::copy(picture, LogoFolder() + u'/' + name));
    }

    void Choose(const QString& path) const {
        FileDialog::QueueAnswer(path);
        Click(Button("QVLogo"));
    }

    void Save() const {
        FillValid();
        Click(Button("btnSave"));
    }
};

TEST_F(frmSettingsLogoTest, ButtonCaptionTellsWhetherALogoIsStored) {
    struct Case {
        const char* stored;
        const char* caption;
    };
    // The pass window names it in other letters; it is one file.
    const Case cases[] = {
        {nullptr, "Select Logo"}, {"Logo.jpg", "Change Logo"}, {"logo.jpg", "Change Logo"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        QDir(LogoFolder()).removeRecursively();
        if (c.stored != nullptr) {
            StoreLogo(QString::fromLatin1(c.stored));
        }
        Open();
        EXPECT_EQ(Button("QVLogo")->Caption(), QString::fromLatin1(c.caption));
        EXPECT_EQ(PreviewSize(), c.stored != nullptr ? QSize(100, 40) : QSize());
    }
}

TEST_F(frmSettingsLogoTest, OnlyPicturesWithin180By50AreTakenAndSaved) {
    struct Case {
        int width;
        int height;
        bool accepted;
    };
    const Case cases[] = {{180, 50, true}, {181, 50, false}, {180, 51, false}, {20, 10, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(
            QString(QString::number(c.width) + u'x' + QString::number(c.height)).toStdString());
        StoreLogo();
        const QByteArray before = ReadBytes(StoredLogo());
        const QString chosen =
            WritePicture(QStringLiteral("chosen.jpg"), c.width, c.height, Qt::red);
        Open();
        Choose(chosen);
        const auto& requests = FileDialog::Recorded();
        ASSERT_FALSE(requests.empty());
        EXPECT_EQ(requests.back().mode, FileDialog::Mode::Open);
        EXPECT_EQ(requests.back().filter, QStringLiteral("JPEG FIle (*.jpg)"));
        if (c.accepted) {
            EXPECT_TRUE(MsgBox::Recorded().empty());
            EXPECT_EQ(PreviewSize(), QSize(c.width, c.height));
        } else {
            const MsgBox::Shown shown = OnlyMessage();
            EXPECT_EQ(shown.text,
                      QStringLiteral("Allowed image size within 180 * 50 pixels (Width * Height)"));
            EXPECT_EQ(shown.title, QStringLiteral("Quorvane Lite"));
            EXPECT_EQ(shown.icon, MsgBox::Icon::Information);
            EXPECT_EQ(PreviewSize(), QSize(100, 40));
            MsgBox::ClearRecorded();
        }
        Save();
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(ReadBytes(StoredLogo()), c.accepted ? ReadBytes(chosen) : before);
        QDir(LogoFolder()).removeRecursively();
    }
}

TEST_F(frmSettingsLogoTest, ARejectedChoiceAlsoDropsAnEarlierAcceptedOne) {
    StoreLogo();
    const QByteArray before = ReadBytes(StoredLogo());
    Open();
    Choose(WritePicture(QStringLiteral("good.jpg"), 150, 40, Qt::green));
    Choose(WritePicture(QStringLiteral("wide.jpg"), 300, 40, Qt::red));
    Save();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ReadBytes(StoredLogo()), before);
}

TEST_F(frmSettingsLogoTest, ExitCancelAndUnreadableFilesLeaveTheStoredLogo) {
    StoreLogo();
    const QByteArray before = ReadBytes(StoredLogo());
    program.WriteFile(QStringLiteral("text.jpg"), "no picture at all");

    Open();
    Choose(WritePicture(QStringLiteral("good.jpg"), 150, 40, Qt::green));
    Click(Button("btnExit"));
    EXPECT_EQ(ReadBytes(StoredLogo()), before);

    Open();
    FileDialog::QueueAnswer(std::nullopt);
    Click(Button("QVLogo"));
    Choose(program.Path() + QStringLiteral("/text.jpg"));
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_EQ(PreviewSize(), QSize(100, 40));
    Save();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ReadBytes(StoredLogo()), before);
    EXPECT_EQ(program.LogText(), QString());
}

TEST_F(frmSettingsLogoTest, SavedLogoReplacesAStoredOneOfAnySpelling) {
    StoreLogo(QStringLiteral("LOGO.JPG"));
    const QString chosen = WritePicture(QStringLiteral("new.jpg"), 180, 50, Qt::yellow);
    Open();
    Choose(chosen);
    Save();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(QDir(LogoFolder()).entryList(QDir::Files), QStringList{QStringLiteral("Logo.jpg")});
    EXPECT_EQ(ReadBytes(StoredLogo()), ReadBytes(chosen));
    EXPECT_EQ(frmSettings::LogoFile(), StoredLogo());
}

TEST_F(frmSettingsLogoTest, ALogoThatCannotBeCopiedIsLoggedAndTheOldOneKept) {
    StoreLogo();
    const QByteArray before = ReadBytes(StoredLogo());
    const QVariantList stored = StoredSettings();
    const QString chosen = WritePicture(QStringLiteral("gone.jpg"), 100, 30, Qt::red);
    Open();
    Choose(chosen);
    ASSERT_TRUE(QFile::remove(chosen));
    program.ClearLog();
    Save();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(MsgBox::Recorded().empty());
    EXPECT_EQ(ReadBytes(StoredLogo()), before);
    EXPECT_EQ(StoredSettings(), stored);
    const QStringList lines = program.LogLines();
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].section(u'\t', 1, 1), QStringLiteral("btnSave_Click"));
}

} // namespace
