#pragma once

#include <QByteArray>
#include <QString>

// Files the control leaves in the temporary folder, which every user of the workstation shares:
// readable by this user alone from the moment they exist, and written whole under a name of their
// own before they take their final name, so a failed write never leaves a part of one behind.
class PelloraPrivateFile final {
public:
    PelloraPrivateFile() = delete;

    // Writes bytes as path, replacing a file of that name. Raises std::runtime_error when they
    // could not be written whole; path is then as it was.
    static void Write(const QString& path, const QByteArray& bytes);
};
