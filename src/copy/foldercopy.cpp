#include "copy/foldercopy.h"

#include "copy/copyworkers.h"
#include "copy/treewalk.h"

#include <algorithm>
#include <exception>
#include <random>

namespace tarnwell {

namespace {

constexpr std::string_view kTempPrefix = ".tarnwell-";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr std::size_t kTempDigits = 16;

} // namespace

void copyFolderTree(CopyPrimitives& primitives, const std::string& source,
                    const std::string& destination, const CopyProgressCallback& progress,
                    const CopyOptions& options, const std::vector<std::string>& only,
                    const std::vector<std::string>& avoid)
{
    // Without both ends there is nothing to copy at all: that fails at once.
    const FolderId sourceId = primitives.folderId(source);
    const FolderId destinationId = primitives.folderId(destination);
    std::vector<FolderId> avoided{destinationId};
    for (const std::string& folder : avoid) {
        try {
            avoided.push_back(primitives.folderId(folder));
        } catch (const RuntimeError&) {
            // Not there, so not in the source either.
        }
    }
    // Found once per copy: a tree that crosses into another file system is judged as its top.
    TargetKeeps kept;
    if (!options.everyFile) {
        std::random_device entropy;
        const std::string probe =
            joinPath(primitives.pathStyle(), destination,
                     copyTempName((std::uint64_t{entropy()} << 32) ^ entropy()));
        try {
            kept = primitives.targetKeeps(destination, probe);
        } catch (const RuntimeError&) {
            // Everything is then compared: at worst a copy is made again.
        }
    }
    std::vector<CopyFailure> failures;
    const auto collect = [&](CopyWorkers& workers, const std::function<void()>& whenPlaced) {
        try {
            workers.finish(whenPlaced);
        } catch (const FolderCopyError& error) {
            failures.insert(failures.end(), error.failures().begin(), error.failures().end());
        }
    };
    const auto walk = [&](TreeWalk& tree, CopyWorkers& workers,
                          const std::vector<std::string>& entries) {
        try {
            tree.run(source, sourceId, destination, entries);
        } catch (...) {
            workers.failFatally(std::current_exception());
        }
    };
    CopyWorkers workers(primitives, progress, options);
    TreeWalk tree(primitives, workers, avoided, !options.everyFile, kept, options.listingsAhead);
    walk(tree, workers, only);
    // Held back: the files that would replace a copy, copied now unless they are a mass change.
    // The folders get their own flags once the last of their files is in place.
    std::vector<std::string> held;
    bool massChange = false;
    collect(workers, [&] {
        held = workers.takeHeld();
        massChange = isMassChange(held.size(), workers.copies());
        if (held.empty() || massChange)
            tree.giveFolderFlags();
    });
    CopyProgress first = workers.totals();
    if (massChange) {
        first.heldBack = held.size();
        if (progress)
            progress(first);
    } else if (!held.empty()) {
        CopyOptions again = options;
        again.holdMassChange = false;
        const CopyProgressCallback more = [&](const CopyProgress& second) {
            CopyProgress both = second;
            both.files += first.files;
            both.bytes += first.bytes;
            both.upToDate = first.upToDate;
            both.changed = first.changed;
            if (progress)
                progress(both);
        };
        CopyWorkers replacing(primitives, more, again);
        TreeWalk replacingTree(primitives, replacing, avoided, !options.everyFile, kept,
                               options.listingsAhead);
        replacingTree.takeFolderFlagsOf(tree);
        walk(replacingTree, replacing, held);
        collect(replacing, [&] { replacingTree.giveFolderFlags(); });
    }
    if (!failures.empty())
        throw FolderCopyError(std::move(failures));
}

bool isMassChange(std::uint64_t changed, std::uint64_t copies)
{
    return changed >= kMassChangeFiles && changed * 2 > copies;
}

std::vector<std::string> FolderCopyError::failedEntries() const
{
    std::vector<std::string> entries;
    for (const CopyFailure& failure : m_failures)
        entries.push_back(failure.entry);
    return entries;
}

std::string copyTempName(std::uint64_t unique)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name(kTempPrefix);
    for (int shift = 60; shift >= 0; shift -= 4)
        name += kDigits[(unique >> shift) & 0xF];
    name += kTempSuffix;
    return name;
}

EntryRole entryRole(const FolderEntry& entry)
{
    switch (entry.type) {
    case FolderEntry::Type::Folder:
        // Windows keeps such links in a profile for older programs; they lead to folders
        // copied under their own names, and their access list refuses listing.
        return entry.link && entry.hiddenSystem ? EntryRole::LeaveOut : EntryRole::Enter;
    case FolderEntry::Type::Failed:
        return EntryRole::Fail;
    case FolderEntry::Type::Other:
        return entry.what.empty() ? EntryRole::Skip : EntryRole::LeaveOut;
    case FolderEntry::Type::File:
        // Reading an online-only file would download it.
        return entry.onlineOnly || isCopyTempName(entry.name) ? EntryRole::LeaveOut
                                                              : EntryRole::Copy;
    }
    return EntryRole::Skip;
}

CopyNote leftOutNote(const FolderEntry& entry, const std::string& path)
{
    if (entry.type == FolderEntry::Type::Folder)
        return {CopyNote::Kind::SystemLink, path, {}};
    if (entry.type == FolderEntry::Type::Other)
        return {CopyNote::Kind::Special, path, entry.what};
    if (entry.onlineOnly)
        return {CopyNote::Kind::OnlineOnly, path, {}};
    return {CopyNote::Kind::TempName, path, {}};
}

RuntimeError entryFailure(const FolderEntry& entry)
{
    return entry.failure.value_or(RuntimeError(ErrorNumber::PathFileAccessError));
}

bool isCopyTempName(std::string_view name)
{
    if (name.size() != kTempPrefix.size() + kTempDigits + kTempSuffix.size() ||
        !name.starts_with(kTempPrefix) || !name.ends_with(kTempSuffix))
        return false;
    const std::string_view digits = name.substr(kTempPrefix.size(), kTempDigits);
    return std::all_of(digits.begin(), digits.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

} // namespace tarnwell
