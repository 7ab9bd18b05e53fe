#pragma once

// The backup run's own parts, shared by its files: what runs the pairs (startbackup.cpp) and
// what copies one pair (paircopy.cpp).

#include "backup/networkwait.h"
#include "backup/pairversions.h"
#include "backup/startbackup.h"
#include "config/settings.h"
#include "copy/foldercopy.h"
#include "copy/versionretention.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tarnwell::backuprun {

// Copies refused by their own flags are cleared and copied again at most this often.
constexpr int kPermissionRounds = 2;

// A copy that failed on more entries names this many, then how many more there were.
constexpr std::size_t kNamedFailures = 100;

// Bad file name or number on the source itself: the pair's path cannot be used at all.
struct PairSkipped
{
};

// One StartBackup: its pairs in order, each checked, its drive mapped when needed, and copied.
class BackupRun
{
public:
    BackupRun(const Services& services, std::string& messages, std::int16_t& errors,
              BackupRunReport& report, const BackupProgressCallback& progress, bool everyFile,
              bool acceptChanges, NetworkWait* wait)
        : m_services(services), m_fileSystem(services.fileSystem), m_messages(messages),
          m_errors(errors), m_report(report), m_progress(progress), m_wait(wait),
          m_acceptChanges(acceptChanges)
    {
        m_copyOptions.everyFile = everyFile;
    }

    void run();

private:
    void readConfiguration();
    void processPair(int pair, const DriveRow& row);
    void abandonPair(const std::exception& error);
    void mapDrive(const DriveRow& row);
    void readKeepDays();
    void copyPair(int pair, const std::string& destination, const std::string& name);
    // One round of the pair's copy; the failures of the copy itself, or none.
    // holdsSource: the destination is the source itself, so nothing was copied.
    // versions: the pair's, whose expired ones the first round removes before it copies.
    std::vector<CopyFailure> copyRound(const std::string& destination,
                                       const std::vector<std::string>& only,
                                       const CopyProgressCallback& progress, bool& holdsSource,
                                       const PairVersions& versions);
    // The full-disk failures of a copy copied once more after the oldest versions went.
    void retryFullDisk(std::vector<CopyFailure>& failures, const std::string& destination,
                       const CopyProgressCallback& progress, const PairVersions& versions);
    void noteVersionFailures(const VersionRemoval& removal);
    void countCopyFailures(std::vector<CopyFailure> failures);
    std::vector<std::string> foldersToAvoid(CopyPrimitives& primitives) const;
    void noteLeftOut(int pair, const CopyNote& note);
    bool invalidText(int record) const
    {
        const std::vector<int>& invalid = m_pairs.invalidRecords;
        return std::find(invalid.begin(), invalid.end(), record) != invalid.end();
    }

    // Runs one step. True when it succeeded; false when it failed with 76 or 70, which has then
    // been counted and described. A failure that names no path of its own is reported as
    // concerning path; 52 on the source itself skips the pair.
    template <typename Step> bool attempt(Step&& step, const std::string& path);
    // Whether path exists; assumed when the probe itself failed with a counted error.
    bool exists(const std::string& path, bool assumedOnFailure);

    // Counts one problem: its fragment for the summary, and for the run log and the command
    // line what it was with the full paths and the error's own text.
    void count(const std::string& fragment, const std::string& detail)
    {
        ++m_errors;
        m_messages += fragment;
        note(detail);
    }
    // A failed copy is one problem, but each entry it could not copy is named.
    void countError(const std::string& fragment, const RuntimeError& error);
    void note(const std::string& detail)
    {
        if (m_report.problemNoted)
            m_report.problemNoted(m_pairLabel + detail);
    }
    std::string withPair(const RuntimeError& error) const
    {
        return errorReportWithPath(error) + " (" + m_source + " -> " + m_target + ")";
    }

    const Services& m_services;
    FileSystem& m_fileSystem;
    std::string& m_messages;
    std::int16_t& m_errors;
    BackupRunReport& m_report;
    const BackupProgressCallback& m_progress;
    NetworkWait* m_wait;
    CopyOptions m_copyOptions;
    bool m_acceptChanges;
    int m_keepDays = kDefaultKeepDays;
    std::string m_runName;                  // the run's dated folder among the versions
    CopyPrimitives* m_primitives = nullptr; // of the last copy round

    FolderPairs m_pairs;
    DriveTable m_drives;
    std::string m_source;     // S as configured: empty until the pair loop reaches a pair
    std::string m_target;     // T as configured
    std::string m_sourcePath; // S as the file system is asked for it
    std::string m_targetPath; // T as the file system is asked for it
    std::string m_pairLabel;  // "Pair n: " in the pair loop
    // S and T + F of every pair the run copies: no copy enters another's destination, nor
    // a versions folder.
    std::vector<std::pair<std::string, std::string>> m_copies;
    std::vector<std::string> m_versionRoots;
};

template <typename Step> bool BackupRun::attempt(Step&& step, const std::string& path)
{
    try {
        step();
        return true;
    } catch (RuntimeError& error) {
        error.concerning(path);
        switch (error.number()) {
        case ErrorNumber::PathNotFound:
            countError(", Path not found (" + m_source + " " + m_target, error);
            return false;
        case ErrorNumber::PermissionDenied:
            // Refused by an access list, not by a copy's flags: clearing flags cannot help.
            countError(", Permission denied (" + m_source + " " + m_target, error);
            return false;
        case ErrorNumber::BadFileName:
            // Elsewhere it is one more unexpected failure, named with its path.
            if (path == m_sourcePath)
                throw PairSkipped{};
            throw;
        default:
            throw;
        }
    }
}

} // namespace tarnwell::backuprun
