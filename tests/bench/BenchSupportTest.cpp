// The pieces every benchmark's table row rests on: medians, options and the row with its verdict.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/BenchSupport.h"

TEST(BenchSupportTest, Median_OddEvenEmptyAndUnsorted_MiddleValue)
{
    struct Row
    {
        std::vector<double> samples;
        double expected;
    };
    const Row rows[] = {{{}, 0}, {{7}, 7}, {{9, 1, 5}, 5}, {{4, 1, 3, 2}, 2.5}, {{2, 2, 100}, 2}};
    for (const Row& row : rows)
    {
        EXPECT_DOUBLE_EQ(row.expected, Median(row.samples)) << "samples: " << row.samples.size();
    }
}

TEST(BenchSupportTest, ParseBenchOptions_QuickIterationsAndFolder_QuickAlwaysOneIteration)
{
    struct Row
    {
        std::vector<std::string> arguments;
        bool quick;
        int iterations;
        std::string directory;
    };
    const Row rows[] = {
        {{}, false, 5, ""},
        {{"--iterations=9", "--dir=/tmp/x"}, false, 9, "/tmp/x"},
        {{"--iterations=0"}, false, 1, ""},
        {{"--iterations=7", "--quick"}, true, 1, ""},
        {{"--other", "--iterations=x"}, false, 1, ""},
    };
    for (const Row& row : rows)
    {
        std::vector<char*> argv{const_cast<char*>("bench")};
        for (const std::string& argument : row.arguments)
        {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        const BenchOptions options = ParseBenchOptions(static_cast<int>(argv.size()), argv.data());
        const std::string what = row.arguments.empty() ? "no arguments" : row.arguments.front();
        EXPECT_EQ(row.quick, options.quick) << what;
        EXPECT_EQ(row.iterations, options.iterations) << what;
        EXPECT_EQ(row.directory, options.workDirectory) << what;
    }
}

TEST(BenchSupportTest, FormatRow_TargetAndPlainSide_RatioAndVerdict)
{
    struct Row
    {
        double installer;
        double plain;
        double target;
        const char* expected;
    };
    const Row rows[] = {
        {3, 2, 1.5, "ROW|1|w|3.000 ms|2.000 ms|1.50|<= 1.5|met"},
        {3.2, 2, 1.5, "ROW|1|w|3.200 ms|2.000 ms|1.60|<= 1.5|missed"},
        {3, 0, 1.5, "ROW|1|w|3.000 ms|0.000 ms|0.00|<= 1.5|no data"},
        {8, 2, 0, "ROW|1|w|8.000 ms|2.000 ms|4.00|report|-"},
    };
    for (const Row& row : rows)
    {
        EXPECT_EQ(row.expected, FormatRow("1", "w", row.installer, row.plain, "ms", row.target));
    }
}
