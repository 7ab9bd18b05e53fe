#pragma once

#include "backup/backuphistory.h"
#include "platform/clock.h"
#include "platform/copyprimitives.h"

#include <optional>
#include <string>
#include <vector>

namespace tarnwell {

struct RestoreReport
{
    std::vector<std::string> written;  // the files put in place in the folder restored to
    std::vector<std::string> existing; // files left as they were: something is there already
    std::vector<std::string> failed;   // what could not be restored, with why
    std::uint64_t bytes = 0;
    std::uint64_t absent = 0; // files that did not exist at the time asked for
};

// Puts the content each file had at asOf (the current copy without asOf) into to, at its
// relative path; to is made when it is missing (one level). Each file is written under a
// temporary name, put on the disk and then renamed into place, with its own modification time;
// an existing file is only replaced with overwrite. Reads the backup and changes nothing in it.
// A failure of one file is reported and the rest go on; one of to itself is a RuntimeError.
RestoreReport restoreFiles(CopyPrimitives& primitives, const Clock& clock,
                           const std::vector<FileHistory>& files,
                           const std::optional<LocalDateTime>& asOf, const std::string& to,
                           bool overwrite);

} // namespace tarnwell
