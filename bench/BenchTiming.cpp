#include "BenchTiming.h"

#include "core/DBManager.h"

#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace BenchTiming {

QTextStream& out() {
    static QTextStream stream(stdout);
    return stream;
}

Timing Summary(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

double Median(std::vector<double> times) {
    return Summary(std::move(times)).median;
}

Timing Measure(int repeats, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return Summary(std::move(times));
}

double MedianMs(int repeats, const std::function<void()>& work) {
    return Measure(repeats, work).median;
}

namespace {

double ShellScriptMs(const QString& file, const QByteArray& script, int repeats) {
    return MedianMs(repeats, [&] {
        QProcess shell;
        shell.start(QStringLiteral("sqlcipher"), {file});
        shell.write(script);
        shell.closeWriteChannel();
        shell.waitForFinished(-1);
        if (shell.exitCode() != 0) {
            throw std::runtime_error(shell.readAllStandardError().toStdString());
        }
    });
}

QByteArray KeyedScript() {
    return QByteArrayLiteral("PRAGMA key = '") + DBManager::DatabasePassword +
           "';\n.output /dev/null\n";
}

} // namespace

double ShellMs(const QString& file, const QString& select, int repeats) {
    return ShellScriptMs(file, KeyedScript() + select.toUtf8() + ";\n", repeats);
}

double ShellEachMs(const QString& file, const QString& select, int runs, int repeats) {
    const auto run = [&](const QString& statement) {
        QByteArray script = KeyedScript() + "SELECT count(*) FROM sqlite_master;\n";
        for (int i = 0; i < runs; ++i) {
            script += statement.toUtf8() + ";\n";
        }
        return ShellScriptMs(file, script, repeats);
    };
    return std::max(0.0, run(select) - run(QStringLiteral("SELECT 1"))) / runs;
}

QString Ms(double ms) {
    return QString::number(ms, 'f', 1);
}

void PrintLine(const std::vector<Cell>& cells) {
    QTextStream& stream = out();
    stream << Qt::left;
    for (const Cell& cell : cells) {
        stream << qSetFieldWidth(cell.width) << cell.text << qSetFieldWidth(0) << Qt::right;
    }
    stream << Qt::left << Qt::endl;
}

void PrintShellHeader(int whatWidth, const QString& what) {
    PrintLine({{whatWidth, what},
               {9, QStringLiteral("rows")},
               {12, QStringLiteral("ours ms")},
               {12, QStringLiteral("shell ms")},
               {8, QStringLiteral("ratio")}});
}

void PrintBesideShell(int whatWidth, const QString& what, int rows, double ours, double shell) {
    const bool anchored = shell > 0;
    PrintLine({{whatWidth, what},
               {9, QString::number(rows)},
               {12, Ms(ours)},
               {12, anchored ? Ms(shell) : QStringLiteral("-")},
               {8, anchored ? QString::number(ours / shell, 'f', 2) : QStringLiteral("-")}});
}

} // namespace BenchTiming
