#pragma once

class frmMain;

// Opens the working window the way start-up and the login hand over to it.
class MainWindowLauncher final {
public:
    MainWindowLauncher() = delete;

    // Loads and shows frmMain modeless, without owner; it deletes itself when closed. A failure
    // while loading reaches the caller as std::exception and leaves no window behind.
    static frmMain* Show();
};
