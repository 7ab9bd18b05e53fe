#pragma once

#include "platform/copyprimitives.h"

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tarnwell {

// Listings of the folders the walk will enter next, made ahead on a few threads: on a share
// each listing waits for several round trips, and many can wait at once. The walk still takes
// every listing in its own order and decides everything itself; a listing it needs that is
// not made yet it makes itself. The most recently asked for is made first, so that a walk
// that goes depth first finds the folders it enters next ready. Only a bounded number of
// made listings are held.
class FolderListings
{
public:
    // threads: how many listings are made at once besides the walk's own; 0 makes none ahead.
    FolderListings(CopyPrimitives& primitives, std::size_t threads);
    ~FolderListings();
    FolderListings(const FolderListings&) = delete;
    FolderListings& operator=(const FolderListings&) = delete;

    // Lists folder ahead, with stamps if asked.
    void prefetch(const std::string& folder, bool withStamps);
    // The listing of folder, as CopyPrimitives::listFolder gives it (and throws); one made
    // ahead without stamps is not taken when stamps are asked for.
    std::vector<FolderEntry> take(const std::string& folder, bool withStamps);
    // The walk will not take folder's listing.
    void forget(const std::string& folder);

private:
    struct Listing
    {
        bool withStamps = false;
        enum State
        {
            Queued,
            Running,
            Done
        } state = Queued;
        std::vector<FolderEntry> entries;
        std::exception_ptr failure;
        std::uint64_t order = 0; // when it was asked for
    };
    void work();

    CopyPrimitives& m_primitives;
    std::size_t m_threads;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::string, Listing> m_listings;
    // The folders asked for, the latest last; one taken or forgotten since (another order) is
    // passed over.
    std::vector<std::pair<std::string, std::uint64_t>> m_asked;
    std::size_t m_done = 0; // made and not yet taken
    std::uint64_t m_order = 0;
    bool m_stop = false;
    std::vector<std::thread> m_pool; // started with the first listing asked for ahead
};

} // namespace tarnwell
