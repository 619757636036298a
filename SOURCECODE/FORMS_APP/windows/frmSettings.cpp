#include "frmSettings.h"

#include "core/CoreError.h"
#include "core/DBManager.h"
#include "core/Settings.h"
#include "core/basCommon.h"
#include "mainwindow/KeyboardKeys.h"
#include "mainwindow/MsgBox.h"
#include "mainwindow/QVButton.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>

#include <exception>

namespace {

const QString LogoName = QStringLiteral("Logo.jpg");

QString LogoFolder() {
    return basCommon::GetBaseFolder() + QStringLiteral("/Images/Logo");
}

QString DescriptionOf(const std::exception& error) {
    return QString::fromUtf8(error.what());
}

// Texts of 1 to (minimum - 1) characters are too short; an empty text passes.
bool TooShort(const QString& text, int minimum) {
    return !text.isEmpty() && text.size() < minimum;
}

bool HintHoldsPassword(const QString& hint, const QString& password) {
    return !hint.isEmpty() && !password.isEmpty() && hint.contains(password, Qt::CaseSensitive);
}

} // namespace

frmSettings::frmSettings(QWidget* parent)
    : QDialog(parent) {
    KeyboardKeys::KeepOpenOnEscape(this);
    BuildWindow();
    Form_Load();
}

frmSettings::~frmSettings() = default;

QString frmSettings::LogoFile() {
    return basCommon::FindFileIgnoringCase(LogoFolder(), LogoName);
}

void frmSettings::Form_Load() {
    // Values that could not be read are not shown as empty ones, which Save would then store
    // over both passwords: the window does not open, and the error reaches the caller.
    ShowTableRow(Settings().ReadTableRow());
    try {
        LoadFields();
    } catch (const std::exception& error) {
        basCommon::WriteLog(DescriptionOf(error), QStringLiteral("frmSettings-Form_Load"));
    }
    btnTabApplication_Click();
}

void frmSettings::ShowTableRow(const Settings::TableRow& stored) {
    txtCompanyName->setText(stored.CompanyName);
    txtPassword->setText(stored.Password);
    txtConfPassword->setText(stored.Password);
    txtHint->setText(stored.Hint);
    txtSettingsPassword->setText(stored.AdminPassword);
    txtSettingsRetypePassword->setText(stored.AdminPassword);
    txtSettingsPasswordHint->setText(stored.AdminHint);
}

void frmSettings::LoadFields() {
    Settings settings;
    ShowStoredLogo();
    if (basCommon::FileExists(LogoFile())) {
        QVLogo->SetCaption(QStringLiteral("Change Logo"));
    }
    txtDatabaseName->setText(settings.GetDatabaseName());
    txtApplicationDataPath->setText(basCommon::GetDataFolder());
    txtPurgeStartDate->setText(settings.GetPurgeStartDate().toString(QStringLiteral("dd-MM-yyyy")));
}

void frmSettings::btnTabApplication_Click() {
    ShowTab(Tab::Application);
}

void frmSettings::btnTabAdministration_Click() {
    ShowTab(Tab::Administration);
}

void frmSettings::btnTabUtility_Click() {
    ShowTab(Tab::Utility);
}

void frmSettings::ShowTab(Tab tab) {
    struct Page {
        Tab tab;
        QGroupBox* frame;
        QVButton* button;
        QWidget* lastField;
        QWidget* firstField;
    };
    const Page pages[] = {
        {Tab::Application, fraTabApplication, btnTabApplication, txtHint, txtCompanyName},
        {Tab::Administration, fraTabAdministration, btnTabAdministration, txtSettingsPasswordHint,
         txtSettingsPassword},
        {Tab::Utility, fraTabUtility, btnTabUtility, txtDatabaseName, txtBackupPath},
    };
    for (const Page& page : pages) {
        const bool active = page.tab == tab;
        page.frame->setVisible(active);
        page.button->SetEnabled(!active);
        if (active) {
            page.frame->raise();
            page.frame->move(0, btnTabApplication->height());
            setTabOrder(page.lastField, btnSave);
            setTabOrder(btnSave, btnExit);
            // Before the window is shown the focus is only remembered; that is enough.
            page.firstField->setFocus();
        }
    }
}

bool frmSettings::FindInvalidField(QString* message, Tab* tab, QLineEdit** field) const {
    struct Check {
        bool fails;
        const char* message;
        Tab tab;
        QLineEdit* field;
    };
    const QString hint = txtHint->text();
    const QString password = txtPassword->text();
    const QString adminHint = txtSettingsPasswordHint->text();
    const QString adminPassword = txtSettingsPassword->text();
    const Check checks[] = {
        {txtCompanyName->text().trimmed().size() == 1,
         "Display Name cannot be less than 2 characters!", Tab::Application, txtCompanyName},
        {TooShort(password, 3), "Password cannot be lesser than 3 characters!", Tab::Application,
         txtPassword},
        {password != txtConfPassword->text(), "Password and the retyped password does not match!",
         Tab::Application, txtConfPassword},
        {TooShort(hint, 10), "Password Hint cannot be less than 10 characters!", Tab::Application,
         txtHint},
        {HintHoldsPassword(hint, password), "Password Hint cannot contain the password!",
         Tab::Application, txtHint},
        {TooShort(adminPassword, 3), "Password cannot be lesser than 3 characters!",
         Tab::Administration, txtSettingsPassword},
        {adminPassword != txtSettingsRetypePassword->text(),
         "Password and retyped password does not match!", Tab::Administration,
         txtSettingsRetypePassword},
        {TooShort(adminHint, 10), "Password Hint cannot be less than 10 characters!",
         Tab::Administration, txtSettingsPasswordHint},
        {HintHoldsPassword(adminHint, adminPassword), "Password Hint cannot contain the password!",
         Tab::Administration, txtSettingsPasswordHint},
        {txtDatabaseName->text().isEmpty(), "Please specify the database name!", Tab::Utility,
         txtDatabaseName},
    };
    for (const Check& check : checks) {
        if (check.fails) {
            *message = QString::fromUtf8(check.message);
            *tab = check.tab;
            *field = check.field;
            return true;
        }
    }
    // The database checks run only when everything before them passed.
    *tab = Tab::Utility;
    *field = txtDatabaseName;
    const QString path = DatabasePath();
    if (!basCommon::FileExists(path)) {
        *message = QStringLiteral("Specified database dose not exist!");
        return true;
    }
    DBManager database;
    database.SetDatabaseName(txtDatabaseName->text());
    if (!database.IsDatabaseValid()) {
        *message = QStringLiteral("The file  \"") + path +
                   QStringLiteral("\" is not a valid Quorvane Lite database!");
        return true;
    }
    return false;
}

QString frmSettings::DatabasePath() const {
    return basCommon::GetDataFolder() + txtDatabaseName->text();
}

void frmSettings::btnSave_Click() {
    try {
        QString message;
        Tab tab = Tab::Application;
        QLineEdit* field = nullptr;
        if (FindInvalidField(&message, &tab, &field)) {
            MsgBox::Show(this, message, MsgBox::Buttons::OK, MsgBox::Icon::Information,
                         QStringLiteral("Invalid Data"));
            ShowTab(tab);
            field->setFocus();
            return;
        }
        if (strLogoFile.size() > 1) {
            SaveChosenLogo();
        }
        // The texts as typed: the store binds them, so apostrophes are kept.
        const bool saved = Settings().SaveSettings(
            txtCompanyName->text(), txtPassword->text(), txtHint->text(),
            txtSettingsPassword->text(), txtSettingsPasswordHint->text(), txtDatabaseName->text());
        if (saved) {
            accept();
            return;
        }
        MsgBox::Show(this,
                     QStringLiteral("Settings could not be updated! Try restarting the "
                                    "Application!"),
                     MsgBox::Buttons::OK, MsgBox::Icon::Information,
                     QStringLiteral("Invalid Data"));
    } catch (const std::exception& error) {
        basCommon::WriteLog(DescriptionOf(error), QStringLiteral("btnSave_Click"));
    }
}

void frmSettings::SaveChosenLogo() {
    const QString folder = LogoFolder();
    if (!QDir().mkpath(folder)) {
        throw CoreError(QStringLiteral("Path not found: ") + folder);
    }
    // The copy replaces the stored logo only once it is complete, so a failed copy keeps the old
    // one; then no other spelling of the name may hide the new logo.
    const QString target = folder + u'/' + LogoName;
    basCommon::CopyFile(strLogoFile, target);
    const QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString& file : files) {
        if (file != LogoName && file.compare(LogoName, Qt::CaseInsensitive) == 0 &&
            !QFile::remove(folder + u'/' + file)) {
            throw CoreError(QStringLiteral("Permission denied: ") + folder + u'/' + file);
        }
    }
}

void frmSettings::btnExit_Click() {
    reject();
}
