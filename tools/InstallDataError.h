#pragma once

#include <QString>

#include <stdexcept>

class InstallDataError final : public std::runtime_error {
public:
    explicit InstallDataError(const QString& description)
        : std::runtime_error(description.toStdString()) {}
};
