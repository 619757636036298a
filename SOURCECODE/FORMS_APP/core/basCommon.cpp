#include "basCommon.h"

#include "AppEnvironment.h"
#include "CoreError.h"
#include "Settings.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

namespace basCommon {

namespace {

// The platform's dates start at year 100.
constexpr int FirstYear = 100;

// Day, month and a four-digit year, ASCII digits only: the date parser also takes a sign and
// other scripts' digits, which would reach the statements as a negative or foreign year.
bool HasDateShape(const QString& text) {
    static const QRegularExpression shape(QStringLiteral("^[0-9]{1,2}-[0-9]{1,2}-[0-9]{4}$"));
    return shape.match(text).hasMatch();
}

bool MatchesDatePattern(const QString& text, const QString& pattern) {
    if (text.isEmpty()) {
        return true;
    }
    if (!HasDateShape(text)) {
        return false;
    }
    const QDate date = QDate::fromString(text, pattern);
    return date.isValid() && date.year() >= FirstYear && date.toString(pattern) == text;
}

bool IsEmailCharacter(QChar c) {
    static const QString allowed = QStringLiteral("_-.");
    const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    const bool digit = c >= u'0' && c <= u'9';
    return letter || digit || allowed.contains(c);
}

bool IsEmailPartValid(const QString& part) {
    if (part.isEmpty()) {
        return false;
    }
    // Checked as typed: lower-casing first would turn signs such as KELVIN SIGN into ASCII
    // letters.
    for (const QChar c : part) {
        if (!IsEmailCharacter(c)) {
            return false;
        }
    }
    return !part.startsWith(u'.') && !part.endsWith(u'.');
}

QString WithoutTrailingSeparators(QString folder) {
    while (folder.size() > 1 && (folder.endsWith(u'/') || folder.endsWith(u'\\'))) {
        folder.chop(1);
    }
    return folder;
}

} // namespace

void WriteLog(const QString& message, const QString& source, const QString& detail) {
    try {
        const QDateTime now = AppEnvironment::Now();
        QString line = now.toString(QStringLiteral("HH:mm:ss")) + u'\t' + source + u'\t' + message;
        if (!detail.isEmpty()) {
            line += u'\t' + detail;
        }
        line += QStringLiteral("\r\n");
        // The Logs folder is not created: without it the line is lost, as intended.
        QFile file(AppEnvironment::ProgramFolder() + QStringLiteral("/Logs/") +
                   now.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".log"));
        if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
            file.write(line.toUtf8());
            file.close();
        }
    } catch (...) {
        // Logging must never disturb the caller.
    }
}

QString GetTempFolder() {
    return AppEnvironment::TempFolder();
}

bool FileExists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

void CopyFile(const QString& source, const QString& destination) {
    QFile input(source);
    if (!FileExists(source) || !input.open(QIODevice::ReadOnly)) {
        throw CoreError(QStringLiteral("File not found: ") + source);
    }
    const QString folder = QFileInfo(destination).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        throw CoreError(QStringLiteral("Path not found: ") + folder);
    }
    // Written beside the destination and renamed at the end, so a failed copy leaves an existing
    // destination as it was.
    QSaveFile output(destination);
    if (!output.open(QIODevice::WriteOnly)) {
        throw CoreError(QStringLiteral("Permission denied: ") + destination + QStringLiteral(" (") +
                        output.errorString() + u')');
    }
    while (!input.atEnd()) {
        const QByteArray chunk = input.read(1 << 20);
        if (chunk.isEmpty() && input.error() != QFileDevice::NoError) {
            throw CoreError(QStringLiteral("Cannot read ") + source + QStringLiteral(": ") +
                            input.errorString());
        }
        if (output.write(chunk) != chunk.size()) {
            throw CoreError(QStringLiteral("Cannot write ") + destination + QStringLiteral(": ") +
                            output.errorString());
        }
    }
    if (!output.commit()) {
        throw CoreError(QStringLiteral("Cannot write ") + destination + QStringLiteral(": ") +
                        output.errorString());
    }
}

bool IsValidDateDDMMYYYY(const QString& text) {
    return MatchesDatePattern(text, QStringLiteral("dd-MM-yyyy"));
}

bool IsValidDateDMYYYY(const QString& text) {
    return MatchesDatePattern(text, QStringLiteral("d-M-yyyy"));
}

bool IsValidDate(const QString& text) {
    const bool short_form = IsValidDateDMYYYY(text);
    const bool long_form = IsValidDateDDMMYYYY(text);
    return short_form || long_form;
}

bool IsValidEmail(const QString& address) {
    const QStringList parts = address.split(u'@');
    if (parts.size() != 2) {
        return false;
    }
    for (const QString& part : parts) {
        if (!IsEmailPartValid(part)) {
            return false;
        }
    }
    const QString& domain = parts.at(1);
    const qsizetype lastDot = domain.lastIndexOf(u'.');
    if (lastDot < 0) {
        return false;
    }
    const qsizetype lastLabel = domain.size() - lastDot - 1;
    if (lastLabel < 2 || lastLabel > 3) {
        return false;
    }
    return !address.contains(QStringLiteral(".."));
}

QString GetSupportMailLink() {
    Settings settings;
    return QStringLiteral("mailto:") + settings.GetSupportEmail() +
           QStringLiteral("?subject=Help on Quorvane Lite") +
           QStringLiteral("&body=%0D%0AQuorvane Lite") + QStringLiteral("  ") +
           QString::fromLatin1(VersionComments) + QStringLiteral("%0D%0A") +
           QStringLiteral("%0D%0A<Enter your query here>") +
           QStringLiteral("%0D%0A%0D%0AContact Information") +
           QStringLiteral("%0D%0A%0D%0AContact Name: <Your Name>") +
           QStringLiteral("%0D%0A%0D%0AEmail ID: <Your Email ID>") +
           QStringLiteral("%0D%0A%0D%0AContact No.: <Your Contact No.>") +
           QStringLiteral("%0D%0A") + QStringLiteral("%0D%0ARegards");
}

QString GetBaseFolder() {
    const QString shared = WithoutTrailingSeparators(Settings().ReadDistributedPath());
    return shared.isEmpty() ? AppEnvironment::ProgramFolder() : shared;
}

QString GetDataFolder() {
    return GetBaseFolder() + QStringLiteral("/Data/");
}

QString FindFileIgnoringCase(const QString& folder, const QString& name) {
    const QDir directory(folder);
    if (QFileInfo(directory.filePath(name)).isFile()) {
        return directory.filePath(name);
    }
    const QStringList files = directory.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& file : files) {
        if (file.compare(name, Qt::CaseInsensitive) == 0) {
            return directory.filePath(file);
        }
    }
    return directory.filePath(name);
}

} // namespace basCommon
