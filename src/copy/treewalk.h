#pragma once

#include "copy/copyworkers.h"
#include "copy/quickcheck.h"
#include "platform/copyprimitives.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell {

// The walk of one copy: goes through the source tree one folder at a time on the calling
// thread, makes the folders of the destination, removes leftover temporary files and hands
// the files to the workers, leaving alone those whose copy is up to date when it checks. Only
// the listings of the current folder are held.
class TreeWalk
{
public:
    // check: whether to leave up-to-date copies alone, comparing what the target keeps.
    // avoided: the destination and the other folders never to enter.
    TreeWalk(CopyPrimitives& primitives, CopyWorkers& workers, std::vector<FolderId> avoided,
             bool check, const TargetKeeps& kept);

    // Walks the whole source, or only the entries that failed the time before.
    void run(const std::string& source, FolderId sourceId, const std::string& destination,
             const std::vector<std::string>& only);

private:
    void copyAgain(const std::string& source, const std::string& destination,
                   const std::string& relative);
    // destinationExisted: the destination folder was there before, so it may hold copies and
    // leftovers.
    void copyContents(const std::string& source, const std::string& destination,
                      const std::string& relative, bool destinationExisted);
    void enterFolder(const std::string& source, const std::string& destination,
                     const std::string& relative);
    // Removes the leftover temporary files of folder and gathers what it holds; false when it
    // could not be listed.
    bool scanDestination(const std::string& folder, FolderCopies& copies);
    void enqueue(const std::string& source, const std::string& destination,
                 const std::string& folder, const std::string& relative, bool replacing);
    std::string join(const std::string& folder, const std::string& name) const;
    // name's path below the copy's source, in the folder at relative.
    std::string below(const std::string& relative, const std::string& name) const;

    CopyPrimitives& m_primitives;
    CopyWorkers& m_workers;
    std::vector<FolderId> m_openFolders; // the source folders on the current path
    std::vector<FolderId> m_avoided;
    bool m_check;
    TargetKeeps m_kept;
    std::uint64_t m_nextTemp = 0;
};

} // namespace tarnwell
