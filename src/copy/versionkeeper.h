#pragma once

#include "platform/copyprimitives.h"

#include <set>
#include <string>
#include <vector>

namespace tarnwell {

// Keeps the old copies that one copy replaces in its dated versions folder, each under the
// path it had inside the destination. Called on the copy's flushing thread only.
//
// Order against a power cut: the old copy gets its second name (or is moved) first, the
// folders that gained a name are flushed with the batch's data, and only then is the new copy
// renamed over the old one. At any moment the last good content is in the destination, among
// the versions, or (with a hard link) in both.
class VersionKeeper
{
public:
    // datedFolder: T/.tarnwell-versions/<F>/<run>, made with the folders above it as needed up
    // to base (T), which is there.
    VersionKeeper(CopyPrimitives& primitives, std::string base, std::string datedFolder);

    // Keeps what is at destination, whose path inside the copy is relative. True when an old
    // copy was kept now; false when nothing was there, or this run kept it already (its
    // version, the content from before the run, stays). Throws the failure, naming the path.
    bool keep(const std::string& destination, const std::string& relative);
    // The folders that gained a name since the last call: to flush before the replacing.
    std::vector<std::string> takeFoldersToFlush();

private:
    // Makes folder and those above it that this keeper has not seen yet.
    void makeFolders(const std::string& folder);
    std::string parentOf(const std::string& path) const;

    CopyPrimitives& m_primitives;
    PathStyle m_style;
    std::string m_base;
    std::string m_datedFolder;
    std::set<std::string> m_present; // folders known to be there
    std::set<std::string> m_toFlush;
};

} // namespace tarnwell
