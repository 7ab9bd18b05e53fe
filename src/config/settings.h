#pragma once

#include "platform/codepage.h"
#include "platform/filesystem.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tarnwell {

inline constexpr int kRowCount = 10;

// Records 1-10 (sources) and 11-20 (targets); row k is index k - 1.
struct FolderPairs
{
    std::array<std::string, kRowCount> sources;
    std::array<std::string, kRowCount> targets;
    // The records among them whose bytes are not valid text in the code page: such a text
    // names no folder.
    std::vector<int> invalidRecords;
};
inline constexpr int kFirstSourceRecord = 1;
inline constexpr int kFirstTargetRecord = 11;

// One row of the drive table: records 30+k, 40+k, 50+k and 60+k.
struct DriveRow
{
    std::string uncPath;
    std::string drive;
    std::string userName;
    std::string password;
};
using DriveTable = std::array<DriveRow, kRowCount>;

inline constexpr int kBackupTimeRecord = 21;
// How many days the versions of replaced copies are kept, as text; empty: kDefaultKeepDays.
inline constexpr int kKeepDaysRecord = 22;
inline constexpr int kDefaultKeepDays = 30;
inline constexpr int kMaxKeepDays = 36500;

// Each reader opens Config.dat, reads its records in ascending order and closes it; each
// writer replaces its own records and no others. Failures are RuntimeErrors (53, 59, ...).
FolderPairs readFolderPairs(FileSystem& fileSystem, const CodePage& codePage);
// Record 21 without the blanks around it, as every reader takes the time.
std::string readBackupTime(FileSystem& fileSystem, const CodePage& codePage);
DriveTable readDriveTable(FileSystem& fileSystem, const CodePage& codePage);
// Record 22 without the blanks around it.
std::string readKeepDaysText(FileSystem& fileSystem, const CodePage& codePage);
// The days that text (record 22) keeps versions: kDefaultKeepDays when it is empty, nothing
// when it is no whole number from 0 to kMaxKeepDays.
std::optional<int> parseKeepDays(const std::string& text);

// Records 1-21.
void saveFolderPairsAndTime(FileSystem& fileSystem, const CodePage& codePage,
                            const FolderPairs& pairs, const std::string& backupTime);
// Records 31-70.
void saveDriveTable(FileSystem& fileSystem, const CodePage& codePage, const DriveTable& table);
// Record 22.
void saveKeepDays(FileSystem& fileSystem, const CodePage& codePage, int days);

// "record 65, the password of drive row 5": which record n is and what it holds.
std::string recordName(int n);

// The text without its leading and trailing blanks, as a stored time or folder is used.
std::string trimmedBlanks(const std::string& text);

} // namespace tarnwell
