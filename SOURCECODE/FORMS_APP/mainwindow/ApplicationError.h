#pragma once

#include <QString>

class QWidget;

// What start-up does with an error that nothing else handled: one log line and a critical box.
class ApplicationError final {
public:
    ApplicationError() = delete;

    static QString MessageText(const QString& description);
    static void Report(const QString& description, const QString& source);
};
