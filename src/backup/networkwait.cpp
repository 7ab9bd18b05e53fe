#include "backup/networkwait.h"

#include "platform/error.h"
#include "platform/pathrules.h"

#include <algorithm>
#include <utility>

namespace tarnwell {

namespace {

// The folder a missing target would be made in; "" for a root or a bare name.
std::string parentFolder(PathStyle style, const std::string& path)
{
    SplitPath split = splitPath(style, path);
    if (split.root.empty() || split.components.empty())
        return {};
    split.components.pop_back();
    std::string parent = normalizePath(style, split.root);
    for (const std::string& name : split.components)
        parent = joinPath(style, parent, name);
    return parent;
}

} // namespace

NetworkWait::NetworkWait(FileSystem& fileSystem, Clock& clock,
                         std::function<void(const std::string& line)> notice)
    : m_fileSystem(fileSystem), m_clock(clock), m_notice(std::move(notice))
{
}

bool NetworkWait::found(const std::string& path)
{
    try {
        return !path.empty() && !m_fileSystem.probe(path, ProbeMask::All).empty();
    } catch (const RuntimeError&) {
        return false; // a share that does not answer yet, a drive not ready
    }
}

bool NetworkWait::ready(const std::string& source, const std::string& target)
{
    return found(source) &&
           (found(target) || found(parentFolder(m_fileSystem.pathStyle(), target)));
}

void NetworkWait::forPair(int pair, const std::string& source, const std::string& target)
{
    if (m_waitedSeconds >= kLimitSeconds || ready(source, target))
        return;
    const std::string label = "Pair " + std::to_string(pair) + ": ";
    m_notice(label + "waiting for " + (found(source) ? target : source) +
             " to be reachable (up to " + std::to_string(kLimitSeconds / 60) +
             " minutes, for the network)");
    const LocalDateTime start = m_clock.now();
    std::int64_t slept = 0; // milliseconds
    std::int64_t waited = 0;
    bool nowReady = false;
    while (!nowReady && m_waitedSeconds + waited < kLimitSeconds) {
        m_clock.sleep(kStepMilliseconds);
        slept += kStepMilliseconds;
        // A probe of a share that does not answer takes time of its own, which only the clock
        // sees; the sleeps bound the wait should the clock be set back meanwhile.
        waited =
            std::max(secondsSinceEpoch(m_clock.now()) - secondsSinceEpoch(start), slept / 1000);
        nowReady = ready(source, target);
    }
    m_waitedSeconds += waited;
    const std::string after = std::to_string(waited) + " s";
    m_notice(label +
             (nowReady ? "reachable after " + after : "still not reachable after " + after));
}

} // namespace tarnwell
