#include "app/startupreport.h"

#include "config/datafile.h"
#include "platform/error.h"
#include "platform/runlog.h"

#include <cstdio>
#include <optional>
#include <string_view>

namespace tarnwell {

namespace {

constexpr std::uint64_t kMaxLogRead = 16 * kRunLogLimit;
constexpr long long kTwoDays = 2 * 24 * 60 * 60;
constexpr std::string_view kComplete = "Outcome: Backups Complete at ";

bool exists(FileSystem& fileSystem, const std::string& path)
{
    try {
        fileSystem.readFileRange(path, 0, 0, kMaxLogRead);
        return true;
    } catch (const RuntimeError& error) {
        if (error.number() == ErrorNumber::FileNotFound)
            return false;
        throw;
    }
}

std::string readLog(FileSystem& fileSystem, const std::string& path)
{
    try {
        return fileSystem.readFileRange(path, 0, kMaxLogRead, kMaxLogRead).bytes;
    } catch (const std::exception&) {
        return {}; // a log that cannot be read tells nothing; the start-up goes on
    }
}

long long daysFromCivil(int year, int month, int day)
{
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    return era * 146097 + yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
}

long long secondsOf(const LocalDateTime& when)
{
    return daysFromCivil(when.year, when.month, when.day) * 86400 + when.hour * 3600LL +
           when.minute * 60LL + when.second;
}

// "=== 2008-03-12 13:05:00 backup, started by ...": the time and whether it is a backup's.
std::optional<LocalDateTime> blockStart(std::string_view line, bool& backup)
{
    LocalDateTime when;
    char command[16] = {};
    const std::string text(line.substr(kRunLogBlockStart.size()));
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d %15s", &when.year, &when.month,
                    &when.day, &when.hour, &when.minute, &when.second, command) != 7)
        return std::nullopt;
    backup = std::string_view(command) == "backup,";
    return when;
}

struct LogFacts
{
    std::optional<LocalDateTime> lastComplete; // when the last complete backup started
    std::optional<LocalDateTime> firstBlock;   // since when the log tells
};

// A refused command's block (its first line and the refusal) may stand between two lines of
// the block that held the lock; the lines after it still belong to that one.
void readFacts(const std::string& log, LogFacts& facts)
{
    std::optional<LocalDateTime> open;
    std::optional<LocalDateTime> beforeLast;
    bool openIsBackup = false;
    bool beforeWasBackup = false;
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find('\n', start);
        end = end == std::string::npos ? log.size() : end;
        const std::string_view line = std::string_view(log).substr(start, end - start);
        start = end + 1;
        if (line.substr(0, kRunLogBlockStart.size()) == kRunLogBlockStart) {
            bool backup = false;
            if (const std::optional<LocalDateTime> when = blockStart(line, backup)) {
                if (!facts.firstBlock)
                    facts.firstBlock = when;
                beforeLast = open;
                beforeWasBackup = openIsBackup;
                open = when;
                openIsBackup = backup;
            }
        } else if (line.substr(0, kRunLogRefusal.size()) == kRunLogRefusal) {
            open = beforeLast;
            openIsBackup = beforeWasBackup;
        } else if (open && openIsBackup && line.substr(0, kComplete.size()) == kComplete) {
            facts.lastComplete = open;
        }
    }
}

std::string timestamp(const LocalDateTime& when)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", when.year, when.month, when.day,
                  when.hour, when.minute);
    return text;
}

} // namespace

std::vector<std::string> startupReport(FileSystem& fileSystem, const LocalDateTime& now,
                                       const std::string& backupTime)
{
    if (!exists(fileSystem, kDataFileName))
        return {"To begin: click Config, fill in the folder pairs (S and T browse for a source "
                "and a target folder), set the daily time with [>], and Save."};
    LogFacts facts;
    const std::string path = kRunLogName;
    readFacts(readLog(fileSystem, path + ".1"), facts);
    readFacts(readLog(fileSystem, path), facts);

    std::vector<std::string> lines;
    const std::optional<LocalDateTime> since =
        facts.lastComplete ? facts.lastComplete : facts.firstBlock;
    if (facts.lastComplete)
        lines.push_back("Last complete backup: " + timestamp(*facts.lastComplete) + ".");
    else
        lines.push_back("No complete backup is recorded in " + path + ".");
    if (!backupTime.empty() && since && secondsOf(now) - secondsOf(*since) > kTwoDays)
        lines.push_back("No backup has completed for more than two days: " + path +
                        " (tarnwell-cli log) says why.");
    return lines;
}

std::string stateText(const std::string& lastOutcome, const std::string& backupTime)
{
    return "Tarnwell\nLast backup: " + (lastOutcome.empty() ? "none since start" : lastOutcome) +
           "\nNext backup: " + (backupTime.empty() ? "no daily time set" : backupTime);
}

} // namespace tarnwell
