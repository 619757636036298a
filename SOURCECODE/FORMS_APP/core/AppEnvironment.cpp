#include "AppEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace {

struct Overrides {
    QString programFolder;
    QString tempFolder;
    std::function<QDateTime()> clock;
};

Overrides& overrides() {
    static Overrides instance;
    return instance;
}

QString withoutTrailingSeparator(QString folder) {
    while (folder.size() > 1 && folder.endsWith(u'/')) {
        folder.chop(1);
    }
    return folder;
}

} // namespace

QString AppEnvironment::ProgramFolder() {
    if (!overrides().programFolder.isEmpty()) {
        return overrides().programFolder;
    }
    return withoutTrailingSeparator(QCoreApplication::applicationDirPath());
}

void AppEnvironment::SetProgramFolder(const QString& folder) {
    overrides().programFolder = withoutTrailingSeparator(folder);
}

QString AppEnvironment::TempFolder() {
    const QString folder =
        overrides().tempFolder.isEmpty() ? QDir::tempPath() : overrides().tempFolder;
    return withoutTrailingSeparator(folder) + u'/';
}

void AppEnvironment::SetTempFolder(const QString& folder) {
    overrides().tempFolder = folder;
}

QDateTime AppEnvironment::Now() {
    return overrides().clock ? overrides().clock() : QDateTime::currentDateTime();
}

void AppEnvironment::SetClock(std::function<QDateTime()> clock) {
    overrides().clock = std::move(clock);
}

std::unique_ptr<QSettings> AppEnvironment::UserSettings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("Quorvane Lite"),
                                       QStringLiteral("Quorvane Lite"));
}

void AppEnvironment::Reset() {
    overrides() = Overrides{};
}
