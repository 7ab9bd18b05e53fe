#pragma once

#include "backup/backuppaths.h"
#include "platform/clock.h"
#include "platform/copyprimitives.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnwell {

// One content of a file that the backup holds: its current copy, or a version kept when a run
// replaced the copy.
struct KeptFile
{
    // The start of the run that replaced this content; none for the current copy.
    std::optional<LocalDateTime> replacedAt;
    std::string path;
    FileStamp stamp;
};

// What the backup holds of one file: the current copy first, then the versions newest first.
struct FileHistory
{
    // The file's path from the folder asked about, starting with that folder's name (or the
    // file's own name when a file was asked about).
    std::string relative;
    std::vector<KeptFile> kept;
};

// Everything the backup holds of the file or folder at where, in the order of the relative
// paths. A folder gives its files, at any depth. Leftover temporary files of a copy, links and
// what is not a file or folder are passed over. Copy and versions that cannot be listed are
// RuntimeErrors.
std::vector<FileHistory> readHistory(CopyPrimitives& primitives, const BackupPath& where);

// The content the file had at asOf: the version in the earliest dated folder later than asOf,
// or else the current copy. When that is the oldest content the backup holds and it was
// modified after asOf, the file did not exist yet as far as the backup can tell: nothing.
// Without asOf, the current copy. Times are compared in the clock's local time.
const KeptFile* contentAsOf(const FileHistory& history, const std::optional<LocalDateTime>& asOf,
                            const Clock& clock);

// "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS"; nothing when the text is not one of them.
std::optional<LocalDateTime> parseAsOfTime(std::string_view text);
// "YYYY-MM-DD HH:MM:SS"
std::string dateTimeText(const LocalDateTime& when);

// True when a comes after b.
bool isLater(const LocalDateTime& a, const LocalDateTime& b);

} // namespace tarnwell
