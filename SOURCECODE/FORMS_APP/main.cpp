#include "basMain.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (basMain::Main() == nullptr) {
        return 0;
    }
    const int code = QApplication::exec();
    basMain::ReleaseInstance();
    return code;
}
