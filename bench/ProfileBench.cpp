// Profile reading: the cost per line of parsing a large configuration against a small one (it should
// not grow with the file), and the loader against reading the same bytes and counting their lines.
// Built for Windows (run under Wine) and with the host compiler, where parser changes can be compared
// without Wine's noise.

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "profile/Profile.h"
#include "profile/ProfilePlatform.h"
#include "profile/SectionList.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace
{
struct ProfileSizes
{
    int largeLines;
    int smallLines;
    int largeRepeats;   // loads per sample; large lines x repeats = small lines x repeats
    int smallRepeats;
};

const ProfileSizes kFullSizes = {20000, 200, 2, 200};
const ProfileSizes kQuickSizes = {2000, 20, 1, 100};

#if defined(_WIN32)
const char* kFigure[] = {"3a", "3b"};

std::string ScratchPrefix(const BenchOptions&)
{
    char temp[MAX_PATH] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, temp);
    const std::string directory = (length == 0 || length >= MAX_PATH) ? std::string(".\\") : std::string(temp);
    return directory + "kvbench_profile_" + std::to_string(::GetCurrentProcessId());
}
#else
const char* kFigure[] = {"3a-native", "3b-native"};

std::string ScratchPrefix(const BenchOptions& options)
{
    const std::string directory = options.workDirectory.empty() ? std::string(".") : options.workDirectory;
    return directory + "/kvbench_profile_" + std::to_string(::getpid());
}
#endif

// A configuration of the usual shape: sections of twenty lines, a comment every tenth line, keys with
// values that hold defined strings, message references and macro variables.
std::string MakeProfileText(int lines)
{
    std::string text;
    for (int line = 0; line < lines; ++line)
    {
        char buffer[160] = {};
        if (line % 20 == 0)
        {
            std::snprintf(buffer, sizeof(buffer), "[SECTION_%d]\r\n", line / 20);
        }
        else if (line % 10 == 5)
        {
            std::snprintf(buffer, sizeof(buffer), "// the next keys describe part %d\r\n", line);
        }
        else
        {
            std::snprintf(buffer, sizeof(buffer), "KEY_%d = %%MAKER%% item %d, @MSG_%d@ in $DEST_DIR$\\part%d\r\n",
                          line, line, line % 50, line);
        }
        text += buffer;
    }
    return text;
}

bool WriteText(const std::string& path, const std::string& text)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
    {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

// Microseconds to load the file repeats times; false when a load fails or finds no sections.
bool TimeLoads(const std::string& path, int repeats, double& microseconds)
{
    microseconds = 0;
    for (int i = 0; i < repeats; ++i)
    {
        CSectionList document;
        const double start = NowMicroseconds();
        const DWORD err = CProfile::LoadFile(path.c_str(), document);
        microseconds += NowMicroseconds() - start;
        if (err != ERROR_SUCCESS || document.GetFirstSection() == nullptr)
        {
            return false;
        }
    }
    return true;
}

// Microseconds to parse text already in memory repeats times, the way the loader parses what it read:
// comments removed and line breaks made even, then the lines added to a document.
bool TimeParses(const std::string& text, int repeats, double& microseconds)
{
    microseconds = 0;
    for (int i = 0; i < repeats; ++i)
    {
        CSectionList document;
        const double start = NowMicroseconds();
        const std::string data = text + "\r\n";
        std::vector<char> processed(2 * data.size() + 1, '\0');
        (void)CProfile::ProcessData(data.data(), processed.data(), static_cast<DWORD>(data.size()),
                                    static_cast<DWORD>(processed.size()));
        (void)CProfile::Parsing(processed.data(), document);
        microseconds += NowMicroseconds() - start;
        if (document.GetFirstSection() == nullptr)
        {
            return false;
        }
    }
    return true;
}

// Microseconds to read the file and count its line breaks repeats times.
bool TimeReadAndCount(const std::string& path, int repeats, int expectedLines, double& microseconds)
{
    microseconds = 0;
    for (int i = 0; i < repeats; ++i)
    {
        const double start = NowMicroseconds();
        std::string data;
        const DWORD err = ReadWholeFile(path.c_str(), data);
        int lines = 0;
        for (char c : data)
        {
            lines += c == '\n' ? 1 : 0;
        }
        microseconds += NowMicroseconds() - start;
        if (err != ERROR_SUCCESS || lines != expectedLines)
        {
            return false;
        }
    }
    return true;
}

struct Samples
{
    std::vector<double> largePerLine;          // parsing in memory
    std::vector<double> smallPerLine;
    std::vector<double> largeLoadPerLine;      // loading from the file
    std::vector<double> smallLoadPerLine;
    std::vector<double> parse;
    std::vector<double> readAndCount;
};

struct ProfileInput
{
    std::string largePath;
    std::string smallPath;
    std::string largeText;
    std::string smallText;
};

bool Measure(const ProfileInput& input, const ProfileSizes& sizes, Samples& samples)
{
    double large = 0;
    double small = 0;
    double largeLoad = 0;
    double smallLoad = 0;
    double read = 0;
    if (!TimeParses(input.largeText, sizes.largeRepeats, large) ||
        !TimeParses(input.smallText, sizes.smallRepeats, small) ||
        !TimeLoads(input.largePath, sizes.largeRepeats, largeLoad) ||
        !TimeLoads(input.smallPath, sizes.smallRepeats, smallLoad) ||
        !TimeReadAndCount(input.largePath, sizes.largeRepeats, sizes.largeLines, read))
    {
        return false;
    }
    const double largeLines = static_cast<double>(sizes.largeRepeats) * sizes.largeLines;
    const double smallLines = static_cast<double>(sizes.smallRepeats) * sizes.smallLines;
    samples.largePerLine.push_back(large / largeLines);
    samples.smallPerLine.push_back(small / smallLines);
    samples.largeLoadPerLine.push_back(largeLoad / largeLines);
    samples.smallLoadPerLine.push_back(smallLoad / smallLines);
    samples.parse.push_back(largeLoad / sizes.largeRepeats / 1000);
    samples.readAndCount.push_back(read / sizes.largeRepeats / 1000);
    return true;
}
}  // namespace

int main(int argc, char** argv)
{
    const BenchOptions options = ParseBenchOptions(argc, argv);
    const ProfileSizes& sizes = options.quick ? kQuickSizes : kFullSizes;
    const std::string prefix = ScratchPrefix(options);
    const ProfileInput input{prefix + "_large.ini", prefix + "_small.ini", MakeProfileText(sizes.largeLines),
                             MakeProfileText(sizes.smallLines)};
    char perLineWhat[96] = {};
    std::snprintf(perLineWhat, sizeof(perLineWhat), "parse per line: %d lines vs %d lines", sizes.largeLines,
                  sizes.smallLines);
    char throughputWhat[96] = {};
    std::snprintf(throughputWhat, sizeof(throughputWhat), "load %d lines vs read them and count lines",
                  sizes.largeLines);
    Samples samples;
    bool complete = WriteText(input.largePath, input.largeText) && WriteText(input.smallPath, input.smallText);
    // One unrecorded round first: the files come into the cache, the heap grows to its working size.
    for (int iteration = -1; iteration < options.iterations && complete; ++iteration)
    {
        Samples round;
        complete = Measure(input, sizes, iteration < 0 ? round : samples);
    }
    (void)std::remove(input.largePath.c_str());
    (void)std::remove(input.smallPath.c_str());
    if (!complete)
    {
        PrintMissingRow(kFigure[0], perLineWhat, "a profile could not be written or loaded");
        return 1;
    }
    PrintRow(kFigure[0], perLineWhat, Median(samples.largePerLine), Median(samples.smallPerLine), "us", 1.5);
    PrintRow(kFigure[1], throughputWhat, Median(samples.parse), Median(samples.readAndCount), "ms", 0);
    PrintNote(kFigure[0], "per line when loading from the file (open and read included): %.3f us vs %.3f us",
              Median(samples.largeLoadPerLine), Median(samples.smallLoadPerLine));
    const double megabytes = static_cast<double>(input.largeText.size()) / (1024.0 * 1024.0);
    PrintNote(kFigure[1], "loader %.1f MB/s, read and count %.1f MB/s (%.2f MB file)",
              megabytes / (Median(samples.parse) / 1000), megabytes / (Median(samples.readAndCount) / 1000),
              megabytes);
    return 0;
}
