#pragma once
// What every benchmark program shares: a microsecond clock, medians, the options each program takes
// and the result rows that tools/bench.sh gathers into its table. Builds for Windows and natively.
// Benchmarks measure and report; none of them fails because a figure misses its target.

#include <string>
#include <vector>

struct BenchOptions
{
    bool quick = false;           // one iteration on small sizes: proves the program builds and runs
    int iterations = 5;
    std::string workDirectory;    // native programs only; empty: the current directory
};

// --quick, --iterations=N (at least 1) and --dir=PATH; other arguments are left to the program.
BenchOptions ParseBenchOptions(int argc, char** argv);

// Microseconds from an arbitrary start: QueryPerformanceCounter on Windows, the steady clock elsewhere.
double NowMicroseconds();

// The middle sample (the mean of the two middle ones for an even count); 0 for none.
double Median(std::vector<double> samples);

// One table row: figure, what is compared, the installer's side and the plain side (medians in unit),
// their ratio and the target ratio (0: no target, the ratio is only reported), as
// "ROW|figure|what|installer|plain|ratio|target|verdict" with the verdict met, missed, "no data" or "-".
std::string FormatRow(const char* figure, const char* what, double installer, double plain, const char* unit,
                      double target);
// Prints FormatRow's line.
void PrintRow(const char* figure, const char* what, double installer, double plain, const char* unit,
              double target);
// A row for a figure that cannot be measured in this build, with the reason.
void PrintMissingRow(const char* figure, const char* what, const char* reason);
// A detail line ("NOTE|figure|text") that bench.sh shows below the table.
void PrintNote(const char* figure, const char* format, ...);
