#include "copy/folderlistings.h"

namespace tarnwell {

namespace {

// Listings made ahead and not yet taken; the pool waits beyond this, so that a walk held up by
// its workers does not gather the listings of a whole tree.
constexpr std::size_t kHeldAhead = 256;

} // namespace

FolderListings::FolderListings(CopyPrimitives& primitives, std::size_t threads)
    : m_primitives(primitives), m_threads(threads)
{
}

FolderListings::~FolderListings()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_pool)
        thread.join();
}

void FolderListings::prefetch(const std::string& folder, bool withStamps)
{
    if (m_threads == 0)
        return;
    {
        std::lock_guard lock(m_mutex);
        Listing& listing = m_listings[folder];
        if (listing.state != Listing::Queued)
            return; // being made: taking it waits for it
        listing.withStamps = withStamps;
        listing.order = ++m_order;
        m_asked.emplace_back(folder, listing.order);
    }
    if (m_pool.empty()) {
        for (std::size_t i = 0; i < m_threads; ++i)
            m_pool.emplace_back([this] { work(); });
    }
    m_changed.notify_one();
}

std::vector<FolderEntry> FolderListings::take(const std::string& folder, bool withStamps)
{
    {
        std::unique_lock lock(m_mutex);
        auto found = m_listings.find(folder);
        if (found != m_listings.end() && found->second.state == Listing::Running)
            m_changed.wait(lock, [&] { return found->second.state == Listing::Done; });
        if (found != m_listings.end()) {
            Listing listing = std::move(found->second);
            m_listings.erase(found);
            if (listing.state == Listing::Done) {
                --m_done;
                m_changed.notify_all();
                if (listing.withStamps || !withStamps) {
                    if (listing.failure)
                        std::rethrow_exception(listing.failure);
                    return std::move(listing.entries);
                }
            }
        }
    }
    return m_primitives.listFolder(folder, withStamps);
}

void FolderListings::forget(const std::string& folder)
{
    std::unique_lock lock(m_mutex);
    auto found = m_listings.find(folder);
    if (found == m_listings.end())
        return;
    if (found->second.state == Listing::Running)
        m_changed.wait(lock, [&] { return found->second.state == Listing::Done; });
    if (found->second.state == Listing::Done) {
        --m_done;
        m_changed.notify_all();
    }
    m_listings.erase(found);
}

void FolderListings::work()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock,
                       [this] { return m_stop || (!m_asked.empty() && m_done < kHeldAhead); });
        if (m_stop)
            return;
        const auto [folder, order] = std::move(m_asked.back());
        m_asked.pop_back();
        auto found = m_listings.find(folder);
        if (found == m_listings.end() || found->second.state != Listing::Queued ||
            found->second.order != order)
            continue;
        Listing& listing = found->second;
        listing.state = Listing::Running;
        const bool withStamps = listing.withStamps;
        lock.unlock();
        std::vector<FolderEntry> entries;
        std::exception_ptr failure;
        try {
            entries = m_primitives.listFolder(folder, withStamps);
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        // Only the walk removes a listing, and it waits for one that is being made.
        listing.entries = std::move(entries);
        listing.failure = failure;
        listing.state = Listing::Done;
        ++m_done;
        m_changed.notify_all();
    }
}

} // namespace tarnwell
