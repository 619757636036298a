#pragma once

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>

class QSettings;

// The places the program reads from its surroundings: its own folder, the temporary folder, the
// clock and the per-user settings. Tests point them elsewhere; the program never changes them.
class AppEnvironment final {
public:
    AppEnvironment() = delete;

    // Folder of the executable, without a trailing separator.
    static QString ProgramFolder();
    static void SetProgramFolder(const QString& folder);

    // The system temporary folder followed by "/".
    static QString TempFolder();
    static void SetTempFolder(const QString& folder);

    // Local date and time now.
    static QDateTime Now();
    static void SetClock(std::function<QDateTime()> clock);

    // Per-user application settings "Quorvane Lite", INI format, user scope. Callers open the
    // group "Others" themselves.
    static std::unique_ptr<QSettings> UserSettings();

    // Undo every override (for tests).
    static void Reset();
};
