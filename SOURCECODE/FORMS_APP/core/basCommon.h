#pragma once

#include <QString>

// Program-wide procedures that belong to no class.
namespace basCommon {

// The Comments text of the program's version information.
inline constexpr const char* VersionComments = "Version 1.0.0 (Build 1006)";

// Appends one line to the day's log in the program folder's "Logs" folder; never raises.
void WriteLog(const QString& message, const QString& source, const QString& detail = QString());

// The temporary folder followed by "/".
QString GetTempFolder();
// True only for an existing file (a folder gives false).
bool FileExists(const QString& path);
// Copies over an existing destination; raises CoreError on failure.
void CopyFile(const QString& source, const QString& destination);

bool IsValidDate(const QString& text);
bool IsValidDateDDMMYYYY(const QString& text);
bool IsValidDateDMYYYY(const QString& text);
bool IsValidEmail(const QString& address);

// The "mailto:" link for support questions; raises when the configuration cannot be read.
QString GetSupportMailLink();

// The shared folder when one is set, else the program folder; no trailing "/". Raises CoreError
// when the shared folder cannot be read, so no file of the program folder stands in for the
// shared register's.
QString GetBaseFolder();
// The base folder's "Data" folder followed by "/"; raises as GetBaseFolder.
QString GetDataFolder();

// The path of the file in the folder whose name equals the given name ignoring letter case (an
// exact match first), or folder + "/" + name when there is none; such names are one file on the
// platform the data files come from.
QString FindFileIgnoringCase(const QString& folder, const QString& name);

} // namespace basCommon
