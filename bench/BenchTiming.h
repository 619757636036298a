#pragma once

// Timing the benchmarks' work, the sqlcipher shell as their anchor, and their tables.

#include <QString>
#include <QTextStream>

#include <functional>
#include <vector>

namespace BenchTiming {

// The benchmarks' standard output.
QTextStream& out();

struct Timing {
    double median = 0;
    double low = 0;
    double high = 0;
};

// The median and the extremes of the times, in ms; the times are not empty.
Timing Summary(std::vector<double> times);

double Median(std::vector<double> times);

// Runs the work `repeats` times.
Timing Measure(int repeats, const std::function<void()>& work);

double MedianMs(int repeats, const std::function<void()>& work);

// The shell keys the file, runs the statement and writes its rows away, as a user would: the
// median of `repeats` runs, starting the shell included.
double ShellMs(const QString& file, const QString& select, int repeats);

// The shell keys the file and runs the statement `runs` times, writing its rows away; the same
// run with a statement that only opens the file is taken off, and the rest shared out. The
// medians of `repeats` runs each.
double ShellEachMs(const QString& file, const QString& select, int runs, int repeats);

// A ms figure as the tables show it.
QString Ms(double ms);

// One cell of a table line: its width and its text.
struct Cell {
    int width;
    QString text;
};

// One table line: the first cell is set left, the others right.
void PrintLine(const std::vector<Cell>& cells);

// The table of figures beside the shell's: what, rows, ours, the shell's and their ratio.
void PrintShellHeader(int whatWidth, const QString& what);

// A line of that table; without a shell figure (0) its cells show "-".
void PrintBesideShell(int whatWidth, const QString& what, int rows, double ours, double shell);

} // namespace BenchTiming
