#pragma once

#include "platform/copyprimitives.h"
#include "platform/error.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell {

// An entry of the source that the copy leaves out on purpose, with its full path: not a
// failure, but named so that nothing is skipped in silence.
struct CopyNote
{
    enum class Kind
    {
        TempName,   // a file named like a temporary file of the copy
        SystemLink, // a hidden, system link to a folder (a profile's compatibility junctions)
        OnlineOnly, // a file whose content is only in the cloud: copying it would download it
        Special,    // a device, pipe, socket or app execution alias: what names it
        LinkLoop,   // a link back to a folder being copied higher up: not entered again
    };
    Kind kind;
    std::string path;
    std::string what; // of a Special
};

struct CopyProgress
{
    std::uint64_t files = 0; // copied and in place
    std::uint64_t bytes = 0;
    std::uint64_t upToDate = 0; // left alone: their copy was up to date
    // Files whose copy differed from the source, to be replaced; heldBack of them were not
    // copied for a mass change (see CopyOptions::holdMassChange).
    std::uint64_t changed = 0;
    std::uint64_t heldBack = 0;
    // The entries left out on purpose since the report before.
    std::vector<CopyNote> notes;
};
// Called on the thread that runs the copy, now and then while it works.
using CopyProgressCallback = std::function<void(const CopyProgress&)>;

// One file or folder that a copy skipped: its path relative to the copy's source ("" for the
// source itself) and why, with the full path the error concerns. refusedByFlags: a copy in the
// destination whose own read-only flag refused its replacement.
struct CopyFailure
{
    std::string entry;
    RuntimeError error;
    bool refusedByFlags = false;
};

// A folder copy that copied what it could but not everything: the number, description and path
// are those of its first failure; failures() holds every file or folder that failed, in the
// order they failed.
class FolderCopyError : public RuntimeError
{
public:
    explicit FolderCopyError(std::vector<CopyFailure> failures)
        : RuntimeError(failures.front().error), m_failures(std::move(failures))
    {
    }
    const std::vector<CopyFailure>& failures() const noexcept { return m_failures; }
    // The failed entries alone, to copy again.
    std::vector<std::string> failedEntries() const;

private:
    std::vector<CopyFailure> m_failures;
};

struct CopyOptions
{
    int workers = 2; // files in flight at once
    // Folder listings made at once ahead of the walk, besides its own: on a share each one
    // waits for round trips.
    std::size_t listingsAhead = 8;
    std::size_t queueLimit = 64; // files listed but not yet copied
    // Written files are gathered into a batch that one thread flushes and puts in place while
    // the workers write the next. The flushing thread takes the batch as soon as it is free
    // once the batch holds readyFiles files or readyBytes bytes, once its first file has
    // waited batchInterval, or when the copy ends, so that the disk writes while the workers
    // copy; each flush costs a journal commit, so a batch is not flushed for every file. A
    // batch that holds batchFiles files or batchBytes bytes makes the workers wait for the
    // flush. A written file stays open until it is in place, so batchFiles (and the backend's
    // own limit) also bounds the files the copy holds open.
    std::size_t readyFiles = 64;
    std::uint64_t readyBytes = std::uint64_t{8} << 20;
    std::chrono::milliseconds batchInterval{100};
    std::size_t batchFiles = 4096;
    std::uint64_t batchBytes = std::uint64_t{64} << 20;
    std::chrono::milliseconds progressInterval{100};
    // Copies every file, also those whose copy is up to date.
    bool everyFile = false;
    // Where each old copy that the copy replaces is kept: versionsFolder, a dated folder below
    // versionsBase (which is there), under the path it had in the destination. Empty: none is
    // kept.
    std::string versionsBase;
    std::string versionsFolder;
    // Replaces no copy at all when the copy would replace a mass of them (isMassChange): the
    // files that would are counted as held back. The new files are copied all the same.
    bool holdMassChange = false;
};

// More than half of a folder's copies, and at least kMassChangeFiles of them, differ from
// their sources: a mistake, a damaged disk or encryption rather than a day's work.
inline constexpr std::uint64_t kMassChangeFiles = 50;
bool isMassChange(std::uint64_t changed, std::uint64_t copies);

// Copies every file and subfolder of source, recursively, into the existing folder destination,
// replacing files that exist there and deleting nothing. A file whose copy is up to date is
// left alone unless options.everyFile is set: a copy of the same size and flags whose
// modification time is the source's, as closely as the destination's file system keeps times.
// A file that cannot be copied or replaced, or a folder that cannot be listed, is skipped and
// the rest is copied; the copy then throws a FolderCopyError carrying every failure, its own
// number that of the first to fail. A source file that changed while it was copied is copied
// once more before it counts as failed. Source or destination that cannot be reached fail at
// once. A file is replaced in one atomic step and only once its new data is on the disk, so a
// failed copy, a crash or a power cut leaves the old copy or the new one, never a part. only,
// when not empty, lists the entries (relative to source, as failedEntries() names them) to copy
// instead of the whole tree. Links to folders are followed, but not a hidden, system one (the
// links Windows keeps in a profile for older programs), nor one back to a folder already being
// copied higher up on the same path, and neither the destination nor the folders in avoid (the
// destinations of the other copies of a backup) are entered when they lie inside the source.
// Each folder's copy, destination included, gets its source's flags (its permission bits)
// where the destination keeps them, once its content is in place.
// Files whose content is only in the cloud are never opened. What is left out on purpose is
// noted in the progress, which is called on the calling thread about every progressInterval and
// once at the end. Where options name a versions folder, each old copy is kept there before it
// is replaced (see VersionKeeper). The caller holds the run lock of its configuration (see
// CopyPrimitives::removeStaleTemp).
void copyFolderTree(CopyPrimitives& primitives, const std::string& source,
                    const std::string& destination, const CopyProgressCallback& progress,
                    const CopyOptions& options = {}, const std::vector<std::string>& only = {},
                    const std::vector<std::string>& avoid = {});

// Temporary files of the copy have names of one recognisable form: a leftover one is removed
// by the next copy into its folder, and a file of a source with such a name is not copied but
// noted in the progress.
std::string copyTempName(std::uint64_t unique);
bool isCopyTempName(std::string_view name);

// What the copy does with one entry of a source's listing, and so what every reader of a source
// that follows the copy's rules does with it.
enum class EntryRole
{
    Copy,     // a file to copy
    Enter,    // a folder to walk into
    Fail,     // what a link leads to cannot be reached: a failure of that entry
    LeaveOut, // left out on purpose and named: see leftOutNote
    Skip,     // gone since it was listed
};
EntryRole entryRole(const FolderEntry& entry);
// Why an entry whose role is LeaveOut is left out; path is its full path.
CopyNote leftOutNote(const FolderEntry& entry, const std::string& path);
// The failure of an entry whose role is Fail.
RuntimeError entryFailure(const FolderEntry& entry);

} // namespace tarnwell
