#pragma once

#include <QString>

#include <stdexcept>

// An error that reaches the caller's handler, carrying its description.
class CoreError : public std::runtime_error {
public:
    explicit CoreError(const QString& description)
        : std::runtime_error(description.toStdString()) {}

    QString Description() const { return QString::fromStdString(what()); }
};
