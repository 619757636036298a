#pragma once

#include "core/Settings.h"

#include <QDialog>
#include <QString>

class QGroupBox;
class QLabel;
class QLineEdit;
class QVButton;

// The administrator's window: company name, both passwords and hints, the logo on the pass, the
// database name, backup and purge. Shown modal and loaded afresh each time.
class frmSettings final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmSettings)

public:
    static constexpr int PasswordMaxLength = 30;
    static constexpr int CompanyNameMaxLength = 50;
    static constexpr int PathMaxLength = 300;
    static constexpr int DateMaxLength = 10;
    static constexpr int LogoMaxWidth = 180;
    static constexpr int LogoMaxHeight = 50;

    // Raises when the stored passwords cannot be read: the window is not to open then.
    explicit frmSettings(QWidget* parent = nullptr);
    ~frmSettings() override;

    // The stored logo of the base folder: "Images/Logo/Logo.jpg" (found ignoring letter case).
    static QString LogoFile();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void btnTabApplication_Click();
    void btnTabAdministration_Click();
    void btnTabUtility_Click();
    void btnSave_Click();
    void btnExit_Click();
    void QVLogo_Click();
    void btnBrowseBKFPath_Click();
    void btnBackup_Click();
    void btnPurge_Click();
    void txtPurgeEndDate_Change();

private:
    enum class Tab { Application, Administration, Utility };

    // frmSettingsLayout.cpp
    void BuildWindow();
    void BuildApplicationTab();
    void BuildAdministrationTab();
    void BuildUtilityTab();
    void BuildBackupTools(QWidget* frame);
    void BuildPurgeTools(QWidget* frame);
    void BuildCommonButtons();

    // frmSettings.cpp
    void Form_Load();
    void ShowTableRow(const Settings::TableRow& stored);
    void LoadFields();
    void ShowTab(Tab tab);
    // The first failing check's message, tab and field; false when every check passes.
    bool FindInvalidField(QString* message, Tab* tab, QLineEdit** field) const;
    QString DatabasePath() const;
    void SaveChosenLogo();

    // frmSettingsLogo.cpp
    void ShowStoredLogo();

    // frmSettingsUtility.cpp
    // Key filters of the two boxes; true when the key is to be discarded.
    bool txtBackupPath_KeyPress(const QString& key);
    bool txtPurgeEndDate_KeyPress(const QString& key);
    void Purge();

    QVButton* btnTabApplication = nullptr;
    QVButton* btnTabAdministration = nullptr;
    QVButton* btnTabUtility = nullptr;
    QGroupBox* fraTabApplication = nullptr;
    QGroupBox* fraTabAdministration = nullptr;
    QGroupBox* fraTabUtility = nullptr;

    QLineEdit* txtPassword = nullptr;
    QLineEdit* txtConfPassword = nullptr;
    QLineEdit* txtHint = nullptr;
    QLineEdit* txtCompanyName = nullptr;
    QVButton* QVLogo = nullptr;
    QLabel* imgLogo = nullptr;

    QLineEdit* txtSettingsPassword = nullptr;
    QLineEdit* txtSettingsRetypePassword = nullptr;
    QLineEdit* txtSettingsPasswordHint = nullptr;

    QLineEdit* txtDatabaseName = nullptr;
    QLineEdit* txtApplicationDataPath = nullptr;
    QLineEdit* txtBackupPath = nullptr;
    QVButton* btnBrowseBKFPath = nullptr;
    QVButton* btnBackup = nullptr;
    QLineEdit* txtPurgeStartDate = nullptr;
    QLineEdit* txtPurgeEndDate = nullptr;
    QVButton* btnPurge = nullptr;

    QVButton* btnSave = nullptr;
    QVButton* btnExit = nullptr;

    // A logo chosen in this opening and accepted by the size check; copied by Save.
    QString strLogoFile;
};
