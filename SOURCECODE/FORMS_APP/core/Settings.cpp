#include "Settings.h"

#include "AppEnvironment.h"
#include "CoreError.h"
#include "CryptService.h"
#include "DBManager.h"
#include "XmlFile.h"
#include "basCommon.h"

#include <QDomDocument>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <optional>

namespace {

QString DescriptionOf(const std::exception& error) {
    return QString::fromStdString(error.what());
}

// Loads the configuration file; a missing, oversized or unreadable file gives an empty document.
QDomDocument LoadConfig(bool* loaded = nullptr) {
    QDomDocument document;
    const bool ok = XmlFile::Load(Settings::ConfigFilePath(), document);
    if (loaded != nullptr) {
        *loaded = ok;
    }
    return document;
}

// The first element "SYSDATA/LC/<key>" in document order: the key may stand in any LC element.
QDomElement ConfigElement(const QDomDocument& document, const QString& key) {
    const QDomElement root = document.documentElement();
    if (root.tagName() != u"SYSDATA") {
        return {};
    }
    for (QDomElement lc = root.firstChildElement(QStringLiteral("LC")); !lc.isNull();
         lc = lc.nextSiblingElement(QStringLiteral("LC"))) {
        const QDomElement element = lc.firstChildElement(key);
        if (!element.isNull()) {
            return element;
        }
    }
    return {};
}

void SetElementText(QDomDocument& document, QDomElement& element, const QString& text) {
    while (element.hasChildNodes()) {
        element.removeChild(element.firstChild());
    }
    element.appendChild(document.createTextNode(text));
}

// Replaces the file whole: a reader sees the old file or the new one, never a part.
void SaveConfig(const QByteArray& content) {
    QSaveFile file(Settings::ConfigFilePath());
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        throw CoreError(QStringLiteral("Cannot write ") + Settings::ConfigFilePath() +
                        QStringLiteral(": ") + file.errorString());
    }
}

// The table holds one row; without it nothing is stored.
bool IsTheOneRow(const DBManager& db, qint64 changedRows) {
    if (changedRows == 1) {
        return true;
    }
    basCommon::WriteLog(QStringLiteral("The settings were not stored as one row: the Settings "
                                       "table of the database named %1 holds %2 rows.")
                            .arg(db.DatabaseName())
                            .arg(changedRows),
                        QStringLiteral("SaveSettings"));
    return false;
}

// Writes the register's name into the configuration; the file's bytes before, or nothing
// (logged) when the file could not be loaded and so was not written. Raises when it cannot be
// written, leaving the file as it was.
std::optional<QByteArray> WriteDatabaseName(const QString& name) {
    QByteArray before;
    QFile file(Settings::ConfigFilePath());
    if (file.open(QIODevice::ReadOnly)) {
        before = file.readAll();
        file.close();
    }
    bool loaded = false;
    QDomDocument document = LoadConfig(&loaded);
    if (!loaded) {
        basCommon::WriteLog(QString(), QStringLiteral("SaveSettings"));
        return std::nullopt;
    }
    CryptService crypt;
    crypt.Initialize();
    QDomElement element = ConfigElement(document, QStringLiteral("DATABASE"));
    if (element.isNull()) {
        throw CoreError(QStringLiteral("The configuration value SYSDATA/LC/DATABASE is missing "
                                       "in ") +
                        Settings::ConfigFilePath());
    }
    SetElementText(document, element, name);
    SaveConfig(document.toByteArray(4));
    return before;
}

// The configuration as it was before a save that did not go through.
void PutConfigBack(const QByteArray& before) {
    try {
        SaveConfig(before);
    } catch (const std::exception& error) {
        basCommon::WriteLog(QStringLiteral("The configuration could not be put back: ") +
                                DescriptionOf(error),
                            QStringLiteral("SaveSettings"));
    }
}

// The day-first end date as the last second of that day, in the stored form.
QString EndOfDay(const QString& endDate) {
    QDate day;
    if (!endDate.isEmpty() && basCommon::IsValidDateDDMMYYYY(endDate)) {
        day = QDate::fromString(endDate, QStringLiteral("dd-MM-yyyy"));
    } else if (!endDate.isEmpty() && basCommon::IsValidDateDMYYYY(endDate)) {
        day = QDate::fromString(endDate, QStringLiteral("d-M-yyyy"));
    }
    if (!day.isValid()) {
        throw CoreError(QStringLiteral("The end date \"") + endDate +
                        QStringLiteral("\" is not a date of the form dd-mm-yyyy."));
    }
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 23:59:59");
}

// What a purge that stopped midway did, for the log and its caller: an administrator learns
// what is gone and where it is kept.
QString PurgeStopped(const DBManager::PurgeProgress& progress, const QString& reason,
                     const QString& copy) {
    if (progress.deleted == 0) {
        return QStringLiteral("The purge stopped before deleting any visit (") + reason +
               QStringLiteral("); the safety copy is ") + copy + u'.';
    }
    return QStringLiteral("The purge stopped after deleting %1 visits checked in up to %2 (")
               .arg(progress.deleted)
               .arg(progress.lastCheckedIn) +
           reason + QStringLiteral("); each of them is in the safety copy ") + copy + u'.';
}

} // namespace

QString Settings::ConfigFilePath() {
    return AppEnvironment::ProgramFolder() + QStringLiteral("/system/sysdata.config");
}

QString Settings::GetTableValue(const QString& query) {
    DBManager db;
    const std::optional<RecordSet> records = db.GetRecordSet(query);
    if (!records || records->AtEnd()) {
        return {};
    }
    return records->Value(0, 0).toString();
}

Settings::TableRow Settings::ReadTableRow() {
    DBManager db;
    const std::optional<RecordSet> records =
        db.GetRecordSet(QStringLiteral("SELECT [CompanyName], [PWD], [Hint], [AdminPWD], "
                                       "[AdminHint] FROM [Settings]"));
    if (!records) {
        // The cause is in the log line of the failed query.
        throw CoreError(QStringLiteral("The settings could not be read from the database named ") +
                        db.DatabaseName() +
                        QStringLiteral("; see the application log for the cause."));
    }
    if (records->AtEnd()) {
        // A register whose one-row triggers were dropped may have lost the row.
        throw CoreError(QStringLiteral("The Settings table of the database named ") +
                        db.DatabaseName() + QStringLiteral(" holds no row."));
    }
    return {records->Text(0, 0), records->Text(0, 1), records->Text(0, 2), records->Text(0, 3),
            records->Text(0, 4)};
}

QString Settings::GetPasswordHint() {
    return GetTableValue(QStringLiteral("SELECT [Hint] FROM [Settings]"));
}

QString Settings::GetSettingsPasswordHint() {
    return GetTableValue(QStringLiteral("SELECT [AdminHint] FROM [Settings]"));
}

QString Settings::GetCompanyName() {
    return GetTableValue(QStringLiteral("SELECT [CompanyName] FROM [Settings]"));
}

QString Settings::GetApplicationPassword() {
    return GetTableValue(QStringLiteral("SELECT [PWD] FROM [Settings]"));
}

QString Settings::GetSettingsPassword() {
    return GetTableValue(QStringLiteral("SELECT [AdminPWD] FROM [Settings]"));
}

QString Settings::GetConfigValue(const QString& key, bool IsEnciphered) {
    const QDomElement element = ConfigElement(LoadConfig(), key);
    if (element.isNull()) {
        throw CoreError(QStringLiteral("The configuration value SYSDATA/LC/") + key +
                        QStringLiteral(" cannot be read from ") + ConfigFilePath());
    }
    QString text = element.text();
    if (IsEnciphered) {
        CryptService crypt;
        crypt.Initialize();
        text = crypt.Decrypt(text);
    }
    return text;
}

QString Settings::GetDatabaseName() {
    try {
        return ReadDatabaseName();
    } catch (const std::exception& error) {
        basCommon::WriteLog(DescriptionOf(error), QStringLiteral("GetDatabaseName"));
        return {};
    }
}

QString Settings::GetDistributedPath() {
    try {
        return ReadDistributedPath();
    } catch (const std::exception& error) {
        basCommon::WriteLog(DescriptionOf(error), QStringLiteral("GetDistributedPath"));
        return {};
    }
}

QString Settings::ReadDatabaseName() {
    return GetConfigValue(QStringLiteral("DATABASE"), false);
}

QString Settings::ReadDistributedPath() {
    const QString key = QStringLiteral("DISP");
    const QString cipher = GetConfigValue(key, false);
    // The component does not refuse a text that is no ciphertext (odd length, not hex): it
    // answers some plain text, which would read as no shared folder or as another one.
    static const QRegularExpression ciphertext(QStringLiteral("^([0-9A-Fa-f]{2})*$"));
    if (!ciphertext.match(cipher).hasMatch()) {
        throw CoreError(QStringLiteral("The configuration value SYSDATA/LC/") + key +
                        QStringLiteral(" cannot be deciphered: it is no enciphered text"));
    }
    CryptService crypt;
    crypt.Initialize();
    const QString plain = crypt.Decrypt(cipher);
    if (CryptService::IsErrorText(plain)) {
        throw CoreError(QStringLiteral("The configuration value SYSDATA/LC/") + key +
                        QStringLiteral(" cannot be deciphered: ") + plain);
    }
    return plain;
}

bool Settings::SaveSettings(const QString& CompanyName, const QString& Password,
                            const QString& Hint, const QString& AdminPassword,
                            const QString& AdminHint, const QString& DatabaseName) {
    std::optional<QByteArray> replaced;
    try {
        // One write transaction holds the row, its count and the configuration together: the
        // file is written while the lock is held, so a refused file rolls the row back, and a
        // COMMIT that fails puts the old file back.
        DBManager db;
        const bool committed = db.ExecuteWhileLocked(
            // Bound values, so an apostrophe in a name or hint is stored as typed.
            QStringLiteral("UPDATE [Settings] SET [CompanyName]=?, [PWD]=?, [Hint]=?, "
                           "[AdminPWD]=?, [AdminHint]=?"),
            {CompanyName, Password, Hint, AdminPassword, AdminHint}, [&](qint64 changedRows) {
                if (!IsTheOneRow(db, changedRows)) {
                    return false;
                }
                replaced = WriteDatabaseName(DatabaseName);
                return replaced.has_value();
            });
        if (!committed && replaced) {
            PutConfigBack(*replaced);
        }
        return committed;
    } catch (const std::exception& error) {
        basCommon::WriteLog(DescriptionOf(error), QStringLiteral("SaveSettings"));
        if (replaced) {
            PutConfigBack(*replaced);
        }
        return false;
    }
}

bool Settings::IsFeatureEnabled(const QString& key) {
    try {
        const QStringList pieces = GetConfigValue(key, true).split(u'|');
        if (pieces.size() < 2) {
            return true;
        }
        return pieces.at(1) != key + QStringLiteral("_0");
    } catch (const std::exception&) {
        return true;
    }
}

bool Settings::IsScrollTextEnabled() {
    return IsFeatureEnabled(QStringLiteral("ABE"));
}

bool Settings::IsAdRotateEnabled() {
    return IsFeatureEnabled(QStringLiteral("ARE"));
}

QString Settings::Purge(const QString& EndDate) {
    try {
        const QString lastSecond = EndOfDay(EndDate);
        DBManager db;
        // Two purges in one second never share a copy: the second takes a numbered name.
        QString copy;
        const QString backupError = db.BackupUnderNewName(
            basCommon::GetDataFolder() + QStringLiteral("quorvane.purge.") +
                AppEnvironment::Now().toString(QStringLiteral("yyyyMMddHHmmss")),
            copy);
        if (!backupError.isEmpty()) {
            // Nothing is deleted without a copy to go back to.
            const QString reason = QStringLiteral("Nothing was purged, because the safety copy of "
                                                  "the database could not be made: ") +
                                   backupError;
            basCommon::WriteLog(reason, QStringLiteral("Purge"));
            return reason;
        }
        // Written before the first delete, so even a purge that is killed leaves a trace.
        basCommon::WriteLog(QStringLiteral("Purging the visits checked in up to ") + lastSecond +
                                QStringLiteral("; safety copy: ") + copy,
                            QStringLiteral("Purge"));
        // Only what the copy holds goes, so a visit checked in meanwhile is never lost.
        DBManager::PurgeProgress progress;
        if (!db.PurgeVisits(copy, lastSecond, &progress)) {
            const QString stopped = PurgeStopped(progress, db.LastError(), copy);
            basCommon::WriteLog(stopped, QStringLiteral("Purge"));
            return QString::fromLatin1(PurgeFailedMessage) + u' ' + stopped;
        }
        basCommon::WriteLog(
            QStringLiteral("Purged %1 visits checked in up to ").arg(progress.deleted) +
                lastSecond + QStringLiteral("; safety copy: ") + copy,
            QStringLiteral("Purge"));
        return {};
    } catch (const std::exception& error) {
        return DescriptionOf(error);
    }
}

QDateTime Settings::GetPurgeStartDate() {
    DBManager db;
    const std::optional<RecordSet> records = db.GetRecordSet(
        QStringLiteral("SELECT [CheckedIn] FROM [VisitorRegister] ORDER BY [CheckedIn] LIMIT 1"));
    if (records && !records->AtEnd()) {
        const QDateTime first = QDateTime::fromString(records->Value(0, 0).toString(),
                                                      QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (first.isValid()) {
            return first;
        }
    }
    return AppEnvironment::Now();
}

QString Settings::GetProductURL() {
    return GetConfigValue(QStringLiteral("SIT"), true);
}

QString Settings::GetAwardURL() {
    return GetConfigValue(QStringLiteral("AWL"), true);
}

QString Settings::GetQuorvaneURL() {
    return GetConfigValue(QStringLiteral("QVS"), true);
}

QString Settings::GetPassFooterText() {
    return GetConfigValue(QStringLiteral("PFT"), true);
}

QString Settings::GetProductSupportURL() {
    return GetConfigValue(QStringLiteral("SLN"), true);
}

QString Settings::GetSupportEmail() {
    return GetConfigValue(QStringLiteral("EML"), true);
}
