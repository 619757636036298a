#pragma once

#include <QString>

class QWidget;

// The program starts here, not in a window: one instance per user, a usable database, then the
// main window or, when a password is set, the login window.
class basMain final {
public:
    basMain() = delete;

    // Runs start-up and returns the first window, shown modeless, or nullptr when the program is
    // to end. The caller runs the event loop. While a start-up succeeded, this user's instance
    // lock is held until ReleaseInstance or the end of the process.
    static QWidget* Main();

    // Frees the instance lock (the program's end; tests between starts).
    static void ReleaseInstance();

    // The per-user lock file a running instance holds: in the runtime folder, or in a private
    // folder of this user under the temporary folder when there is no usable runtime folder; ""
    // when neither can be used.
    static QString InstanceLockPath();
};
