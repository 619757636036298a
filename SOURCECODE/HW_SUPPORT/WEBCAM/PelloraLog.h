#pragma once

#include "PelloraExport.h"

#include <QString>

// The control's own log: one file per day beside the library, opened, written and closed for every
// line. Failures while logging are swallowed.
class PELLORA_EXPORT PelloraLog final {
public:
    PelloraLog() = delete;

    // "PLR_" and today's short date, with "/" and "\" made "-", and ".log".
    static QString FileName();
    // The folder the library was loaded from, followed by FileName().
    static QString FilePath();
    // Appends the current date and time, ": " and the message.
    static void LogMessage(const QString& message);
};
