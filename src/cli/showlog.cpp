#include "cli/showlog.h"

#include "cli/cli.h"
#include "platform/error.h"
#include "platform/printable.h"
#include "platform/runlog.h"

#include <deque>
#include <string>

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

// Adds the blocks of text to blocks, keeping only the last count.
void collectBlocks(const std::string& text, std::size_t count, std::deque<std::string>& blocks)
{
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string_view line = std::string_view(text).substr(start, end - start);
        if (line.substr(0, kRunLogBlockStart.size()) == kRunLogBlockStart || blocks.empty())
            blocks.emplace_back();
        blocks.back() += line;
        if (blocks.size() > count)
            blocks.pop_front();
        start = end;
    }
}

} // namespace

int showRunLog(FileSystem& fileSystem, int count, std::ostream& out, std::ostream& err)
{
    const std::string path = kRunLogName;
    std::deque<std::string> blocks;
    try {
        collectBlocks(readLog(fileSystem, path + ".1"), static_cast<std::size_t>(count), blocks);
        collectBlocks(readLog(fileSystem, path), static_cast<std::size_t>(count), blocks);
    } catch (const std::exception& error) {
        err << "tarnwell-cli: cannot read " << path << ": "
            << printable(errorReportWithPath(toRuntimeError(error))) << "\n";
        return CliExit::CouldNotRun;
    }
    if (blocks.empty())
        out << "No runs recorded in " << printable(fileSystem.currentDirectory()) << "\n";
    for (const std::string& block : blocks)
        out << block;
    return CliExit::Success;
}

} // namespace tarnwell
