#pragma once

#include <QDateTime>
#include <QString>

// The one reader and writer of the program's settings: the one-row table "Settings" and the
// configuration file "system/sysdata.config" in the program folder. Keeps nothing between calls.
class Settings final {
public:
    static constexpr const char* PurgeFailedMessage =
        "Purge failed for unknown reason! Please check the application log files!";

    // Table getters: "" on any failure, never an error.
    QString GetPasswordHint();
    QString GetSettingsPasswordHint();
    QString GetCompanyName();
    QString GetApplicationPassword();
    QString GetSettingsPassword();

    // The table's one row; a Null column reads as "".
    struct TableRow {
        QString CompanyName;
        QString Password;
        QString Hint;
        QString AdminPassword;
        QString AdminHint;
    };
    // As the table getters, but a database that cannot be read, or a table without its row,
    // raises CoreError: a password that could not be read must never pass for an empty one.
    TableRow ReadTableRow();

    // Logged and "" on any failure.
    QString GetDatabaseName();
    QString GetDistributedPath();
    // The register's file name, "" when the value is empty. Raises CoreError when it cannot be
    // read (file or element missing): taken for "", it would send the desk to the default
    // register.
    QString ReadDatabaseName();
    // The shared folder, "" for none. Raises CoreError when it cannot be read (file or element
    // missing, a text the crypto component cannot decipher): taken for "", it would send the
    // desk to the program folder's own register.
    QString ReadDistributedPath();

    // All or nothing: true when the one row and the configuration were both stored; else
    // logged, false, and the table and the file keep what they held.
    bool SaveSettings(const QString& CompanyName, const QString& Password, const QString& Hint,
                      const QString& AdminPassword, const QString& AdminHint,
                      const QString& DatabaseName);

    // On unless the configuration says "_0" explicitly.
    bool IsScrollTextEnabled();
    bool IsAdRotateEnabled();

    // "" on success, else a message for the user.
    QString Purge(const QString& EndDate);
    // The earliest check-in, or now when there is none.
    QDateTime GetPurgeStartDate();

    // These raise CoreError when the file or the key is missing.
    QString GetProductURL();
    QString GetAwardURL();
    QString GetQuorvaneURL();
    QString GetPassFooterText();
    QString GetProductSupportURL();
    QString GetSupportEmail();

    static QString ConfigFilePath();

private:
    QString GetConfigValue(const QString& key, bool IsEnciphered);
    bool IsFeatureEnabled(const QString& key);
    QString GetTableValue(const QString& query);
};
