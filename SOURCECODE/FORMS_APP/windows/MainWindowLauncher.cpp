#include "MainWindowLauncher.h"

#include "mainwindow/frmMain.h"

#include <memory>

frmMain* MainWindowLauncher::Show() {
    auto window = std::make_unique<frmMain>();
    window->Load();
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window.release();
}
