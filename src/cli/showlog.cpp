#include "cli/showlog.h"

#include "cli/cli.h"
#include "platform/error.h"
#include "platform/printable.h"
#include "platform/runlog.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace tarnwell {

namespace {

// A log is rotated before a block once it has reached its limit, so a log stays well below this.
constexpr std::uint64_t kMaxLogRead = 16 * kRunLogLimit;

std::string readLog(FileSystem& fileSystem, const std::string& path)
{
    try {
        return fileSystem.readFileRange(path, 0, kMaxLogRead, kMaxLogRead).bytes;
    } catch (const RuntimeError& error) {
        if (error.number() == ErrorNumber::FileNotFound)
            return {};
        throw;
    }
}

bool startsWith(std::string_view line, std::string_view start)
{
    return line.substr(0, start.size()) == start;
}

// Adds the blocks of text to blocks. In a log written before refused blocks were held back, a
// refused command's block (its first line, the refusal and an empty line) may lie between two
// lines of the block of the command that held the lock; the lines after it still belong to that
// one.
void collectBlocks(const std::string& text, std::vector<std::string>& blocks)
{
    constexpr std::size_t none = std::string::npos;
    std::size_t open = none;    // the block that takes the lines that follow
    std::size_t begun = none;   // a block whose first line was the last one read
    std::size_t refusal = none; // a refused block still waiting for its empty line
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string_view line = std::string_view(text).substr(start, end - start);
        start = end;
        if (startsWith(line, kRunLogBlockStart)) {
            if (begun != none)
                open = begun;
            blocks.emplace_back(line);
            begun = blocks.size() - 1;
            refusal = none;
            continue;
        }
        if (begun != none && startsWith(line, kRunLogRefusal)) {
            blocks[begun] += line;
            refusal = std::exchange(begun, none);
            continue;
        }
        if (begun != none)
            open = std::exchange(begun, none);
        const std::size_t refused = std::exchange(refusal, none);
        if (refused != none && line == "\n") {
            blocks[refused] += line;
            continue;
        }
        if (open == none) {
            blocks.emplace_back();
            open = blocks.size() - 1;
        }
        blocks[open] += line;
    }
}

} // namespace

int showRunLog(FileSystem& fileSystem, int count, std::ostream& out, std::ostream& err)
{
    const std::string path = kRunLogName;
    std::vector<std::string> blocks;
    try {
        collectBlocks(readLog(fileSystem, path + ".1"), blocks);
        collectBlocks(readLog(fileSystem, path), blocks);
        // Refused commands whose blocks still wait for the next holder of the lock.
        collectBlocks(readLog(fileSystem, path + kHeldBackSuffix), blocks);
    } catch (const std::exception& error) {
        err << "tarnwell-cli: cannot read " << path << ": "
            << printable(errorReportWithPath(toRuntimeError(error))) << "\n";
        return CliExit::CouldNotRun;
    }
    if (blocks.empty())
        out << "No runs recorded in " << printable(fileSystem.currentDirectory()) << "\n";
    const std::size_t shown = std::min(blocks.size(), static_cast<std::size_t>(count));
    for (std::size_t i = blocks.size() - shown; i < blocks.size(); ++i)
        out << blocks[i];
    return CliExit::Success;
}

} // namespace tarnwell
