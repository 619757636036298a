#include "PelloraError.h"

PelloraError::PelloraError(int number, const QString& source, const QString& description)
    : std::runtime_error(description.toStdString())
    , number_(number)
    , source_(source)
    , description_(description) {}

PelloraError PelloraError::NotInitialized() {
    return PelloraError(-1, QStringLiteral("PLR"), QStringLiteral("CONTROL_INITIALIZATION_ERROR"));
}
