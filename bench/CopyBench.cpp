// Copy engine: CCopyFile copying a tree of many small files and a few large ones against a plain
// CopyFileA loop over the same tree; then deleting the copy through the uninstall records against a
// plain DeleteFileA loop.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/BenchWin.h"
#include "command/CopyFile.h"
#include "env/Platform.h"
#include "items/UninstallRecords.h"
#include "log/Log.h"
#include "registry/Registry.h"
#include "support/TempDir.h"

namespace
{
struct TreeSize
{
    int smallFiles;
    int filesPerDirectory;
    int largeFiles;
    DWORD largeBytes;
};

const TreeSize kFullTree = {2000, 100, 5, 20u * 1024u * 1024u};
const TreeSize kQuickTree = {40, 10, 5, 256u * 1024u};

// The tree's two parts, timed apart: the small files in folders, and the large files.
const char* const kParts[] = {"small", "large"};
const int kPartCount = 2;

bool MakeSourceTree(const std::string& root, const TreeSize& size)
{
    bool complete = ::CreateDirectoryA(root.c_str(), nullptr) &&
                    ::CreateDirectoryA((root + "\\small").c_str(), nullptr) &&
                    ::CreateDirectoryA((root + "\\large").c_str(), nullptr);
    for (int i = 0; i < size.smallFiles && complete; ++i)
    {
        const std::string directory = root + "\\small\\d" + std::to_string(i / size.filesPerDirectory);
        if (i % size.filesPerDirectory == 0)
        {
            complete = ::CreateDirectoryA(directory.c_str(), nullptr) != FALSE;
        }
        // Sizes from 512 bytes to 8 KB, as driver, help and setting files are.
        const DWORD bytes = 512 + static_cast<DWORD>(i * 37) % 7680;
        complete = complete && WriteSizedFile(directory + "\\file" + std::to_string(i) + ".dat", bytes, i);
    }
    for (int i = 0; i < size.largeFiles && complete; ++i)
    {
        complete = WriteSizedFile(root + "\\large\\disk" + std::to_string(i) + ".cab", size.largeBytes, i);
    }
    return complete;
}

// The plain side of deleting: DeleteFileA each file, then RemoveDirectoryA each directory, deepest first.
void PlainDelete(const std::string& root, const TreeListing& listing)
{
    for (const std::string& file : listing.files)
    {
        (void)::DeleteFileA(file.c_str());
    }
    for (size_t i = listing.directories.size(); i-- > 0;)
    {
        (void)::RemoveDirectoryA(listing.directories[i].c_str());
    }
    (void)::RemoveDirectoryA(root.c_str());
}

// What an install run records for a copied tree: its directories (parents first) and every file.
bool RecordTree(CUninstallRecords& records, const std::string& root, const TreeListing& listing,
                const std::string& historyRoot)
{
    bool complete = records.AddEntry(root, kHistoryDirectory, historyRoot);
    for (const std::string& directory : listing.directories)
    {
        complete = records.AddEntry(directory, kHistoryDirectory, historyRoot) && complete;
    }
    for (const std::string& file : listing.files)
    {
        complete = records.AddEntry(file, kHistoryFile, historyRoot) && complete;
    }
    return complete;
}

struct Samples
{
    std::vector<double> engineCopy;
    std::vector<double> plainCopy;
    std::vector<double> engineParts[kPartCount];
    std::vector<double> plainParts[kPartCount];
    std::vector<double> recordsDelete;
    std::vector<double> plainDelete;
    std::vector<double> attributeCalls;    // the copy engine's checks around each file, alone
    std::vector<double> recordReads;       // reading the records back, alone
};

// What the copy engine asks about each file besides copying it: is the source a file, is the
// destination (not there yet) a directory, was it there before, and normal attributes afterwards.
// Under Wine a name that does not exist costs a scan of its whole folder.
double TimeAttributeCalls(const TreeListing& copied)
{
    const double start = NowMicroseconds();
    for (const std::string& file : copied.files)
    {
        const std::string absent = file + ".new";
        (void)::GetFileAttributesA(file.c_str());
        (void)::GetFileAttributesA(absent.c_str());
        (void)::GetFileAttributesA(absent.c_str());
        (void)::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    return (NowMicroseconds() - start) / 1000;
}

// The records' own reads: one enumeration of the history root's values, as applying the records reads them.
double TimeRecordReads(const std::string& historyRoot)
{
    const double start = NowMicroseconds();
    std::vector<CRegistry::ListedValue> values;
    (void)CRegistry::ListValues(historyRoot.c_str(), HKEY_LOCAL_MACHINE, values);
    return (NowMicroseconds() - start) / 1000;
}

double Milliseconds(double start)
{
    return (NowMicroseconds() - start) / 1000;
}
// One copy figure run: the source tree, both targets and what was measured.
class CCopyFigure
{
public:
    CCopyFigure(const std::string& work, int osClass)
        : m_source(work + "\\source"), m_engineTarget(work + "\\engine"), m_plainTarget(work + "\\plain"),
          m_historyRoot("Software\\KvBench" + std::to_string(::GetCurrentProcessId()) + "\\History"),
          m_osClass(osClass)
    {
    }

    const std::string& Source() const { return m_source; }

    // Copies with both sides, deletes with both sides, and checks that each left what it should.
    // False (with the reason) when a side did not do its work.
    bool RunIteration(int iteration, size_t expectedFiles, std::string& failure)
    {
        TimeCopies(iteration);
        const TreeListing engineListing = ListTree(m_engineTarget);
        const TreeListing plainListing = ListTree(m_plainTarget);
        if (engineListing.files.size() != expectedFiles || plainListing.files.size() != expectedFiles)
        {
            failure = "a copy was incomplete";
            return false;
        }
        m_samples.attributeCalls.push_back(TimeAttributeCalls(engineListing));
        CUninstallRecords records(m_log, m_historyRoot);
        if (!RecordTree(records, m_engineTarget, engineListing, m_historyRoot))
        {
            failure = "the uninstall records could not be written";
            return false;
        }
        m_samples.recordReads.push_back(TimeRecordReads(m_historyRoot));
        TimeDeletes(iteration, records, plainListing);
        (void)CRegistry::DeleteKey(m_historyRoot.c_str(), false, HKEY_LOCAL_MACHINE);
        if (::GetFileAttributesA(m_engineTarget.c_str()) != INVALID_FILE_ATTRIBUTES ||
            ::GetFileAttributesA(m_plainTarget.c_str()) != INVALID_FILE_ATTRIBUTES)
        {
            failure = "a delete left the tree behind";
            return false;
        }
        return true;
    }

    const Samples& GetSamples() const { return m_samples; }

private:
    // The order alternates, so that neither side always meets a warmer cache.
    void TimeCopies(int iteration)
    {
        CCopyFile copier(m_log, m_osClass);
        for (int side = 0; side < 2; ++side)
        {
            const bool engine = (side + iteration) % 2 == 0;
            const std::string& target = engine ? m_engineTarget : m_plainTarget;
            double total = 0;
            for (int part = 0; part < kPartCount; ++part)
            {
                const std::string from = m_source + "\\" + kParts[part];
                const std::string to = target + "\\" + kParts[part];
                const double start = NowMicroseconds();
                if (engine)
                {
                    (void)copier.CopyDirectory(from.c_str(), to.c_str(), true, false);
                }
                else
                {
                    // The walk, CreateDirectoryA and CopyFileA; the engine makes the target itself.
                    (void)(part == 0 && ::CreateDirectoryA(target.c_str(), nullptr));
                    (void)CopyTreePlain(from, to);
                }
                const double elapsed = Milliseconds(start);
                (engine ? m_samples.engineParts : m_samples.plainParts)[part].push_back(elapsed);
                total += elapsed;
            }
            (engine ? m_samples.engineCopy : m_samples.plainCopy).push_back(total);
        }
    }

    void TimeDeletes(int iteration, CUninstallRecords& records, const TreeListing& plainListing)
    {
        for (int side = 0; side < 2; ++side)
        {
            const double start = NowMicroseconds();
            if ((side + iteration) % 2 == 0)
            {
                (void)records.Apply(m_historyRoot, false);
                m_samples.recordsDelete.push_back(Milliseconds(start));
            }
            else
            {
                PlainDelete(m_plainTarget, plainListing);
                m_samples.plainDelete.push_back(Milliseconds(start));
            }
        }
    }

    std::string m_source;
    std::string m_engineTarget;
    std::string m_plainTarget;
    std::string m_historyRoot;
    int m_osClass;
    CLog m_log;                                                // never opened: writes do nothing
    Samples m_samples;
};

void PrintResults(const Samples& samples, const TreeSize& size, const char* copyWhat, const char* deleteWhat)
{
    PrintRow("2a", copyWhat, Median(samples.engineCopy), Median(samples.plainCopy), "ms", 1.1);
    PrintRow("2b", deleteWhat, Median(samples.recordsDelete), Median(samples.plainDelete), "ms", 1.1);
    PrintNote("2", "small files: CCopyFile %.3f ms, CopyFileA loop %.3f ms; large files: CCopyFile %.3f ms, "
                   "CopyFileA loop %.3f ms",
              Median(samples.engineParts[0]), Median(samples.plainParts[0]), Median(samples.engineParts[1]),
              Median(samples.plainParts[1]));
    PrintNote("2", "where the time goes: the copy engine's attribute calls around each file alone %.3f ms; "
                   "reading the records back (one enumeration) alone %.3f ms",
              Median(samples.attributeCalls), Median(samples.recordReads));
    PrintNote("2", "tree: %d files of 512 B to 8 KB in %d folders and %d files of %lu KB", size.smallFiles,
              (size.smallFiles + size.filesPerDirectory - 1) / size.filesPerDirectory, size.largeFiles,
              size.largeBytes / 1024);
}
}  // namespace

int main(int argc, char** argv)
{
    const BenchOptions options = ParseBenchOptions(argc, argv);
    const TreeSize& size = options.quick ? kQuickTree : kFullTree;
    const char* copyWhat = "copy tree: CCopyFile vs a CopyFileA loop";
    const char* deleteWhat = "delete tree: uninstall records vs a DeleteFileA loop";
    int osCode = 0;
    int osClass = 0;
    (void)GetOsVersionCode(osCode, osClass);
    CTempDir work;
    CCopyFigure figure(work.Path(), osClass);
    if (work.Path().empty() || !MakeSourceTree(figure.Source(), size))
    {
        PrintMissingRow("2", copyWhat, "the source tree could not be made");
        return 1;
    }
    const size_t expectedFiles = ListTree(figure.Source()).files.size();
    for (int iteration = 0; iteration < options.iterations; ++iteration)
    {
        std::string failure;
        if (!figure.RunIteration(iteration, expectedFiles, failure))
        {
            PrintMissingRow("2", copyWhat, failure.c_str());
            return 1;
        }
    }
    PrintResults(figure.GetSamples(), size, copyWhat, deleteWhat);
    return 0;
}
