#include "backup/verifycopies.h"

#include "backup/backupcommand.h"
#include "backup/copyoutcome.h"
#include "backup/pairversions.h"
#include "backup/sourcewalk.h"
#include "copy/foldercopy.h"
#include "copy/versionlayout.h"

#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>

namespace tarnwell {

namespace {

// Large reads keep the disk streaming; two of them are held.
constexpr std::size_t kBufferSize = std::size_t{1} << 20;
constexpr std::chrono::milliseconds kProgressInterval{200};

using SteadyClock = std::chrono::steady_clock;

std::size_t readFull(FileReader& reader, char* buffer, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const std::size_t got = reader.read(buffer + done, size - done);
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

// Counts what a pair's compare will read, for the progress's total.
class Counter : public SourceVisitor
{
public:
    void folder(const std::string&) override {}
    void file(const std::string&, const FolderEntry& entry) override
    {
        ++files;
        bytes += entry.stamp.size;
    }
    void leftOut(const CopyNote&) override {}
    void failed(const std::string&, const RuntimeError&) override {}

    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

class Comparer : public SourceVisitor
{
public:
    Comparer(FileSystem& fileSystem, CopyPrimitives& primitives, const PairCopy& pair,
             VerifyTotals& totals, const VerifyOutput& output, const Counter& total)
        : m_fileSystem(fileSystem), m_primitives(primitives), m_style(primitives.pathStyle()),
          m_pair(pair), m_totals(totals), m_output(output), m_total(total),
          m_source(new char[kBufferSize]), m_copy(new char[kBufferSize])
    {
    }

    void folder(const std::string& relative) override
    {
        m_copies.clear();
        const std::string folder = copyPath(relative);
        try {
            for (FolderEntry& entry : m_primitives.listFolder(folder, true)) {
                if (entry.type == FolderEntry::Type::File)
                    m_copies.emplace(nameKey(m_style, entry.name), entry.stamp);
            }
        } catch (const RuntimeError&) {
            // A copy folder that is missing holds no copies: each file says so.
        }
    }

    void file(const std::string& relative, const FolderEntry& entry) override
    {
        const std::string source = joinPath(m_style, m_pair.source, relative);
        const std::string copy = copyPath(relative);
        const auto found = m_copies.find(nameKey(m_style, entry.name));
        if (found == m_copies.end()) {
            differs("missing: ", copy, relative);
        } else if (found->second.size != entry.stamp.size) {
            differs("differs: ", copy, relative);
        } else {
            try {
                if (!sameContent(source, copy))
                    differs("differs: ", copy, relative);
            } catch (const RuntimeError& error) {
                ++m_totals.failed;
                m_output.line("  could not compare: " + errorReportWithPath(error));
                if (error.path() == copy)
                    m_again.push_back(relative); // a copy that cannot be read is made again
            }
        }
        ++m_totals.compared;
        m_totals.bytes += entry.stamp.size;
        m_doneBytes += entry.stamp.size;
        m_inFile = 0;
        ++m_doneFiles;
        showProgress(false);
    }

    void leftOut(const CopyNote& note) override
    {
        ++m_totals.leftOut;
        m_output.line("  not compared, as the backup leaves it out: " + copyNoteText(note));
    }

    void failed(const std::string&, const RuntimeError& error) override
    {
        ++m_totals.failed;
        m_output.line("  could not compare: " + errorReportWithPath(error));
    }

    // The entries to copy again: what differs, is missing, or could not be read.
    const std::vector<std::string>& again() const { return m_again; }

    void showProgress(bool now)
    {
        if (!m_output.progress)
            return;
        const auto at = SteadyClock::now();
        if (!now && at - m_lastShown < kProgressInterval)
            return;
        m_lastShown = at;
        const double seconds = std::chrono::duration<double>(at - m_started).count();
        const std::uint64_t bytes = m_doneBytes + m_inFile;
        const double rate = seconds > 0 ? static_cast<double>(bytes) / seconds : 0;
        m_output.progress(verifyProgressLine(m_pair.pair, m_doneFiles, m_total.files, bytes,
                                             m_total.bytes, rate));
    }

private:
    bool sameContent(const std::string& source, const std::string& copy)
    {
        const std::unique_ptr<FileReader> from = m_fileSystem.openForReading(source);
        const std::unique_ptr<FileReader> to = m_fileSystem.openForReading(copy);
        m_inFile = 0;
        for (;;) {
            const std::size_t read = readFull(*from, m_source.get(), kBufferSize);
            if (readFull(*to, m_copy.get(), kBufferSize) != read ||
                std::memcmp(m_source.get(), m_copy.get(), read) != 0)
                return false;
            if (read == 0)
                return true;
            m_inFile += read; // a large file shows its progress as it is read
            showProgress(false);
        }
    }

    void differs(const char* what, const std::string& copy, const std::string& relative)
    {
        ++m_totals.differing;
        m_output.line("  " + std::string(what) + copy);
        m_again.push_back(relative);
    }

    std::string copyPath(const std::string& relative) const
    {
        return relative.empty() ? m_pair.copy : joinPath(m_style, m_pair.copy, relative);
    }

    FileSystem& m_fileSystem;
    CopyPrimitives& m_primitives;
    PathStyle m_style;
    const PairCopy& m_pair;
    VerifyTotals& m_totals;
    const VerifyOutput& m_output;
    const Counter& m_total;
    std::unique_ptr<char[]> m_source;
    std::unique_ptr<char[]> m_copy;
    std::map<std::string, FileStamp> m_copies; // the files of the current copy folder
    std::vector<std::string> m_again;
    std::uint64_t m_doneFiles = 0;
    std::uint64_t m_doneBytes = 0; // of the files done
    std::uint64_t m_inFile = 0;    // read so far of the file being compared
    SteadyClock::time_point m_started = SteadyClock::now();
    SteadyClock::time_point m_lastShown{};
};

// The copies of every pair and the versions folders of every target: none of them is part of
// a source.
std::vector<FolderId> avoidedFolders(CopyPrimitives& primitives, const std::vector<PairCopy>& all)
{
    std::vector<FolderId> folders;
    for (const PairCopy& pair : all) {
        for (const std::string& folder :
             {pair.copy, versionsRoot(primitives.pathStyle(), pair.target)}) {
            try {
                folders.push_back(primitives.folderId(folder));
            } catch (const RuntimeError&) {
                // Not there: nothing to keep out.
            }
        }
    }
    return folders;
}

// Copies the entries again as a backup run does; false when some could not be.
bool copyAgain(CopyPrimitives& primitives, const PairCopy& pair, const std::vector<PairCopy>& all,
               const std::vector<std::string>& entries, const RepairVersions& keeping,
               const VerifyOutput& output)
{
    const PathStyle style = primitives.pathStyle();
    const PairVersions versions(style, pair.target, lastComponent(style, pair.copy),
                                keeping.runName, keeping.keepDays);
    CopyOptions options;
    // Copying again is what the user asked for: no change is held back.
    versions.apply(options, true);
    std::vector<std::string> avoid;
    for (const PairCopy& other : all) {
        if (!sameFolder(primitives, other.source, other.copy))
            avoid.push_back(other.copy);
    }
    try {
        primitives.makeFolder(pair.target);
        primitives.makeFolder(pair.copy);
        if (versions.keeps())
            primitives.makeFolder(versionsRoot(style, pair.target));
        copyFolderTree(primitives, pair.source, pair.copy, {}, options, entries, avoid);
        return true;
    } catch (const FolderCopyError& error) {
        for (const CopyFailure& failure : error.failures())
            output.line("  not copied again: " + errorReportWithPath(failure.error));
    } catch (const RuntimeError& error) {
        output.line("  not copied again: " + errorReportWithPath(error));
    }
    return false;
}

std::string durationText(double seconds)
{
    const auto whole = static_cast<std::uint64_t>(std::llround(seconds));
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                      static_cast<unsigned long long>(whole / 3600),
                      static_cast<unsigned long long>(whole / 60 % 60),
                      static_cast<unsigned long long>(whole % 60));
    else
        std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(whole / 60),
                      static_cast<unsigned long long>(whole % 60));
    return text;
}

} // namespace

std::string verifyProgressLine(int pair, std::uint64_t files, std::uint64_t totalFiles,
                               std::uint64_t bytes, std::uint64_t totalBytes, double bytesPerSecond)
{
    std::string line = "Pair " + std::to_string(pair) + ": " + std::to_string(files) + " of " +
                       std::to_string(totalFiles) + " files, " + byteCountText(bytes) + " of " +
                       byteCountText(totalBytes);
    if (bytesPerSecond < 1)
        return line;
    line += ", " + byteCountText(static_cast<std::uint64_t>(bytesPerSecond)) + "/s";
    if (totalBytes > bytes)
        line +=
            ", " + durationText(static_cast<double>(totalBytes - bytes) / bytesPerSecond) + " left";
    return line;
}

VerifyTotals verifyCopies(FileSystem& fileSystem, const std::vector<PairCopy>& pairs,
                          const std::vector<PairCopy>& all, bool repair,
                          const RepairVersions& keeping, const VerifyOutput& output)
{
    CopyPrimitives& primitives = fileSystem.copyPrimitives();
    VerifyTotals totals;
    for (const PairCopy& pair : pairs) {
        output.line("Pair " + std::to_string(pair.pair) + ": " + pair.source + " -> " + pair.copy);
        if (sameFolder(primitives, pair.source, pair.copy)) {
            output.line("  not compared: the copy is the source itself");
            ++totals.failed;
            continue;
        }
        const std::vector<FolderId> avoided = avoidedFolders(primitives, all);
        Counter total;
        if (output.progress)
            walkSource(primitives, pair.source, avoided, total);
        const VerifyTotals before = totals;
        Comparer comparer(fileSystem, primitives, pair, totals, output, total);
        walkSource(primitives, pair.source, avoided, comparer);
        comparer.showProgress(true);
        if (output.progress)
            output.progress("");
        const std::uint64_t compared = totals.compared - before.compared;
        const std::uint64_t differing = totals.differing - before.differing;
        std::string count = "  " + std::to_string(compared) +
                            (compared == 1 ? " file compared, " : " files compared, ");
        count += differing == 0 ? "all copies match"
                                : std::to_string(differing) + " differ or are missing";
        if (totals.failed > before.failed)
            count += ", " + std::to_string(totals.failed - before.failed) + " not compared";
        output.line(count);
        if (repair && !comparer.again().empty()) {
            if (copyAgain(primitives, pair, all, comparer.again(), keeping, output)) {
                totals.repaired += comparer.again().size();
                output.line("  copied again: " + std::to_string(comparer.again().size()));
            } else {
                totals.repairFailed = true;
            }
        }
    }
    return totals;
}

} // namespace tarnwell
