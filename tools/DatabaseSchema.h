#pragma once

#include <QString>

// The statements that create an empty register: both tables, their indexes and the one row of
// settings.
namespace DatabaseSchema {

QString CreateScript();
QString InsertSettingsRow();

} // namespace DatabaseSchema
