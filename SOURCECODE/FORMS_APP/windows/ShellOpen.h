#pragma once

#include <QString>

// Hands a link, a "mailto:" link or a file to the desktop, which opens it with the program
// associated with it. Whether that worked is not looked at: nothing is reported.
class ShellOpen final {
public:
    ShellOpen() = delete;

    // An absolute path is opened as a local file; any other text as a link. An empty text
    // opens nothing.
    static void Open(const QString& target);
};
