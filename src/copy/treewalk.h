#pragma once

#include "copy/copyworkers.h"
#include "copy/folderlistings.h"
#include "copy/quickcheck.h"
#include "platform/copyprimitives.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell {

// The walk of one copy: goes through the source tree one folder at a time on the calling
// thread, makes the folders of the destination, removes leftover temporary files and hands
// the files to the workers, leaving alone those whose copy is up to date when it checks. The
// listings of the folders it enters next are made ahead on a few threads; besides those, only
// the listings of the current folder are held.
class TreeWalk
{
public:
    // check: whether to leave up-to-date copies alone, comparing what the target keeps.
    // avoided: the destination and the other folders never to enter.
    // listingsAhead: how many listings are made at once ahead of the walk.
    TreeWalk(CopyPrimitives& primitives, CopyWorkers& workers, std::vector<FolderId> avoided,
             bool check, const TargetKeeps& kept, std::size_t listingsAhead);

    // Walks the whole source, or only the entries that failed the time before.
    void run(const std::string& source, FolderId sourceId, const std::string& destination,
             const std::vector<std::string>& only);
    // Gives the folders made or found with other flags than their source's (as far as the
    // target keeps them) their source's flags; called once every file is in place.
    void giveFolderFlags();
    // Takes over the folders whose flags an earlier walk of the same copy has not given yet,
    // to give them when this walk's files are in place too.
    void takeFolderFlagsOf(TreeWalk& earlier);

private:
    void copyAgain(const std::string& source, const std::string& destination,
                   const std::string& relative);
    // destinationExisted: the destination folder was there before, so it may hold copies and
    // leftovers.
    void copyContents(const std::string& source, const std::string& destination,
                      const std::string& relative, bool destinationExisted);
    // Asks for the listings of the subfolders among entries, and of their copies that copies
    // (when known) holds.
    void listSubfoldersAhead(const std::vector<FolderEntry>& entries, const std::string& source,
                             const std::string& destination, const FolderCopies* copies);
    void enterFolder(const std::string& source, const std::string& destination,
                     const std::string& relative);
    // false when the folder is not entered.
    bool makeFolderCopy(const std::string& source, const std::string& destination,
                        const std::string& relative);
    // Removes the leftover temporary files of folder and gathers what it holds; false when it
    // could not be listed.
    bool scanDestination(const std::string& folder, FolderCopies& copies);
    void enqueue(const std::string& source, const std::string& destination,
                 const std::string& folder, const std::string& relative, bool replacing);
    std::string join(const std::string& folder, const std::string& name) const;
    // name's path below the copy's source, in the folder at relative.
    std::string below(const std::string& relative, const std::string& name) const;

    struct FolderFlags
    {
        std::string path;
        std::string relative;
        std::uint32_t flags;
    };

    CopyPrimitives& m_primitives;
    CopyWorkers& m_workers;
    FolderListings m_listings;
    std::vector<FolderFlags> m_folderFlags; // in the order the folders were entered
    std::vector<FolderId> m_openFolders;    // the source folders on the current path
    std::vector<FolderId> m_avoided;
    bool m_check;
    TargetKeeps m_kept;
    std::uint64_t m_nextTemp = 0;
};

} // namespace tarnwell
