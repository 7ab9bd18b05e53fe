#pragma once

#include "copy/copyworkers.h"
#include "platform/copyprimitives.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell {

// The walk of one copy: goes through the source tree one folder at a time on the calling
// thread, makes the folders of the destination, removes leftover temporary files and hands
// the files to the workers. Only the listing of the current folder is held.
class TreeWalk
{
public:
    TreeWalk(CopyPrimitives& primitives, CopyWorkers& workers, FolderId destinationId);

    // Walks the whole source, or only the entries that failed the time before.
    void run(const std::string& source, FolderId sourceId, const std::string& destination,
             const std::vector<std::string>& only);

private:
    void copyAgain(const std::string& source, const std::string& destination,
                   const std::string& relative);
    void copyContents(const std::string& source, const std::string& destination,
                      const std::string& relative);
    void enterFolder(const std::string& source, const std::string& destination,
                     const std::string& relative);
    void removeStaleTemps(const std::string& folder);
    void enqueue(const std::string& source, const std::string& destination,
                 const std::string& folder, const std::string& relative);
    std::string join(const std::string& folder, const std::string& name) const;

    CopyPrimitives& m_primitives;
    CopyWorkers& m_workers;
    std::vector<FolderId> m_openFolders; // the source folders on the current path
    FolderId m_destinationId;
    std::uint64_t m_nextTemp = 0;
};

} // namespace tarnwell
