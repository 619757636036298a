#pragma once

#include "PelloraExport.h"

#include <QString>

#include <stdexcept>

// The error the control raises instead of answering, carrying number, source and description the
// way its callers expect them.
class PELLORA_EXPORT PelloraError final : public std::runtime_error {
public:
    PelloraError(int number, const QString& source, const QString& description);

    // Raised by StartCapture, CaptureImage and ShowImage before a successful InitControl.
    static PelloraError NotInitialized();

    int Number() const { return number_; }
    QString Source() const { return source_; }
    QString Description() const { return description_; }

private:
    int number_;
    QString source_;
    QString description_;
};
