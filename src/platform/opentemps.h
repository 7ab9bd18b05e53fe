#pragma once

#include "platform/error.h"

#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

namespace tarnwell {

// The temporary files of a copy that are still open. Each stays open, and so locked, from its
// copy until it replaces its destination or is discarded: the lock is what tells another run
// that it is live. Worker threads and the flushing thread use it at once.
template <typename Handle> class OpenTemps
{
public:
    void add(const std::string& temp, Handle handle)
    {
        std::lock_guard lock(m_mutex);
        m_handles.emplace(temp, std::move(handle));
    }

    // The raw handle of an open temporary file; an internal error when it is not open.
    auto get(const std::string& temp)
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_handles.find(temp);
        if (found == m_handles.end())
            throw RuntimeError(ErrorNumber::InternalError);
        return found->second.get();
    }

    // Takes the handle out to be closed, or an empty one when temp is not open.
    Handle take(const std::string& temp)
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_handles.find(temp);
        if (found == m_handles.end())
            return Handle{};
        Handle handle = std::move(found->second);
        m_handles.erase(found);
        return handle;
    }

private:
    std::mutex m_mutex;
    std::unordered_map<std::string, Handle> m_handles;
};

} // namespace tarnwell
