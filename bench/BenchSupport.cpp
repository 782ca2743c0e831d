#include "bench/BenchSupport.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <chrono>
#endif

BenchOptions ParseBenchOptions(int argc, char** argv)
{
    BenchOptions options;
    for (int i = 1; i < argc; ++i)
    {
        const std::string argument = argv[i] != nullptr ? argv[i] : "";
        if (argument == "--quick")
        {
            options.quick = true;
        }
        else if (argument.compare(0, 13, "--iterations=") == 0)
        {
            options.iterations = std::max(1, std::atoi(argument.c_str() + 13));
        }
        else if (argument.compare(0, 6, "--dir=") == 0)
        {
            options.workDirectory = argument.substr(6);
        }
    }
    if (options.quick)
    {
        options.iterations = 1;
    }
    return options;
}

double NowMicroseconds()
{
#if defined(_WIN32)
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
    {
        (void)::QueryPerformanceFrequency(&frequency);
    }
    LARGE_INTEGER now = {};
    (void)::QueryPerformanceCounter(&now);
    return frequency.QuadPart != 0 ? static_cast<double>(now.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart)
                                   : static_cast<double>(::GetTickCount()) * 1e3;
#else
    using namespace std::chrono;
    return static_cast<double>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count()) / 1e3;
#endif
}

double Median(std::vector<double> samples)
{
    if (samples.empty())
    {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const size_t middle = samples.size() / 2;
    return samples.size() % 2 != 0 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

std::string FormatRow(const char* figure, const char* what, double installer, double plain, const char* unit,
                      double target)
{
    const double ratio = plain > 0 ? installer / plain : 0;
    char targetText[32] = "report";
    const char* verdict = "-";
    if (target > 0)
    {
        std::snprintf(targetText, sizeof(targetText), "<= %.1f", target);
        verdict = plain <= 0 ? "no data" : (ratio <= target ? "met" : "missed");
    }
    char row[512] = {};
    std::snprintf(row, sizeof(row), "ROW|%s|%s|%.3f %s|%.3f %s|%.2f|%s|%s", figure, what, installer, unit, plain, unit,
                  ratio, targetText, verdict);
    return row;
}

void PrintRow(const char* figure, const char* what, double installer, double plain, const char* unit,
              double target)
{
    std::printf("%s\n", FormatRow(figure, what, installer, plain, unit, target).c_str());
    std::fflush(stdout);
}

void PrintMissingRow(const char* figure, const char* what, const char* reason)
{
    std::printf("ROW|%s|%s|-|-|-|-|%s\n", figure, what, reason);
    std::fflush(stdout);
}

void PrintNote(const char* figure, const char* format, ...)
{
    char text[512] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    std::printf("NOTE|%s|%s\n", figure, text);
    std::fflush(stdout);
}
