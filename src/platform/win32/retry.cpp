#include "platform/win32/retry.h"

#include <thread>

namespace tarnwell::win32 {

namespace {

// 2,032 ms of waiting in all; the first tries come soon, as most holds last milliseconds.
constexpr std::chrono::milliseconds kWaits[] = {
    std::chrono::milliseconds(16),  std::chrono::milliseconds(32),  std::chrono::milliseconds(64),
    std::chrono::milliseconds(128), std::chrono::milliseconds(256), std::chrono::milliseconds(512),
    std::chrono::milliseconds(1024)};

} // namespace

bool isTransientRefusal(DWORD code)
{
    return code == ERROR_ACCESS_DENIED || code == ERROR_SHARING_VIOLATION ||
           code == ERROR_LOCK_VIOLATION || code == ERROR_UNABLE_TO_REMOVE_REPLACED;
}

void sleepFor(std::chrono::milliseconds wait)
{
    std::this_thread::sleep_for(wait);
}

DWORD retryRefusals(const std::function<DWORD()>& attempt, const Sleeper& sleep)
{
    DWORD code = attempt();
    for (const std::chrono::milliseconds wait : kWaits) {
        if (!isTransientRefusal(code))
            break;
        sleep(wait);
        code = attempt();
    }
    return code;
}

} // namespace tarnwell::win32
