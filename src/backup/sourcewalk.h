#pragma once

#include "copy/foldercopy.h"
#include "platform/copyprimitives.h"

#include <string>
#include <vector>

namespace tarnwell {

// What a walk of a source meets, in the order the backup copies it: a folder, then its files,
// then its subfolders one after another.
class SourceVisitor
{
public:
    virtual ~SourceVisitor() = default;
    // Before the files of the folder at relative ("" for the source).
    virtual void folder(const std::string& relative) = 0;
    // A file the backup copies, with the stamp its listing gave.
    virtual void file(const std::string& relative, const FolderEntry& entry) = 0;
    // What the backup leaves out on purpose.
    virtual void leftOut(const CopyNote& note) = 0;
    // A folder that could not be listed or entered, or an entry that could not be looked up.
    virtual void failed(const std::string& relative, const RuntimeError& error) = 0;
};

// Walks source as the backup copies it: the same files, the same entries left out, links to
// folders followed as the copy follows them, and the folders in avoided (the copies of the
// pairs, the versions folders) never entered. Holds only the listings of the current path.
void walkSource(CopyPrimitives& primitives, const std::string& source,
                const std::vector<FolderId>& avoided, SourceVisitor& visitor);

} // namespace tarnwell
