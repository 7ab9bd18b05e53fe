#pragma once

#include "copy/foldercopy.h"
#include "platform/filesystem.h"
#include "platform/services.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tarnwell {

// Called while a pair's folder is copied: the pair's number (1-10), its source as configured
// and what the copy has done so far.
using BackupProgressCallback =
    std::function<void(int pair, const std::string& source, const CopyProgress& copied)>;

// What a run hands back besides the summary and the count.
struct BackupRunReport
{
    // The UNC paths of the drives that were still absent after the run had tried to map them,
    // in pair order, each once.
    std::vector<std::string> unmappedShares;
    // Of those, the ones the platform refused: UNC path -> its number and text ("1326 ...").
    std::map<std::string, std::string> mappingRefusals;
    // True when the configuration could not be read, so no pair was looked at; configError
    // then holds "number description".
    bool configUnreadable = false;
    std::string configError;
    // Told every counted problem as it is counted: "Pair n: " and what failed, with the full
    // paths and the error's own text. May be empty.
    std::function<void(const std::string& problem)> problemNoted;
    // Told of each entry of a source left out on purpose ("Pair n: ", its full path and why):
    // a file named like a temporary file of the copy, an online-only file, a link not followed,
    // a pipe or device. May be empty.
    std::function<void(const std::string& note)> skipNoted;
    // Per pair (1-10), how many online-only files were left out; pairs with none are absent.
    std::map<int, std::uint64_t> onlineOnlyLeftOut;
};

class NetworkWait;

// One backup run over the ten folder pairs of Config.dat. Appends one fragment per problem to
// strMessages and adds 1 to intErrors for each. An unexpected failure in a pair's steps is shown
// in a message box and costs only that pair; one while Config.dat is read ends the run with a
// message box. progress may be empty. everyFile copies also the files whose copy is up to date.
// What a run replaces is kept in the target's versions folder for the days of record 22; a pair
// whose run would replace a mass of copies is a counted problem, and keeping no versions its
// copies are then not replaced, unless acceptChanges. With wait, a pair whose folders cannot be
// found yet waits on it before it goes on.
void StartBackup(const Services& services, std::string& strMessages, std::int16_t& intErrors,
                 BackupRunReport& report, const BackupProgressCallback& progress = {},
                 bool everyFile = false, bool acceptChanges = false, NetworkWait* wait = nullptr);

// The name under which source is copied into its target: on Windows the text after the last
// backslash, "(DriveRoot)" when that is empty; otherwise (no backslash, "." or ".." at the end)
// its last component, "(DriveRoot)" for a root, "" when the path names no folder of its own.
std::string backupFolderName(PathStyle style, const std::string& source);

} // namespace tarnwell
