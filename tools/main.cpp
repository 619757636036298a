#include "InstallDataWriter.h"

#include <QCoreApplication>
#include <QTextStream>

#include <exception>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 2) {
        err << "usage: quorvane-install-data <program folder>\n";
        return 2;
    }
    InstallDataWriter writer(arguments.at(1));
    try {
        writer.WriteAll();
    } catch (const std::exception& error) {
        err << "quorvane-install-data: " << QString::fromStdString(error.what()) << '\n';
        return 1;
    }
    for (const QString& line : writer.Report()) {
        out << line << '\n';
    }
    return 0;
}
