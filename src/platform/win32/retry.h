#pragma once

#include "platform/win32/winapi.h"

#include <chrono>
#include <functional>

namespace tarnwell::win32 {

// A refusal that another program's brief hold on a file explains: a virus scanner, the search
// indexer or a cloud sync client opens a file for a moment just after it is written.
bool isTransientRefusal(DWORD code);

// Waits the given time; tests put a recorder here.
using Sleeper = std::function<void(std::chrono::milliseconds)>;
void sleepFor(std::chrono::milliseconds wait);

// Calls attempt, which returns ERROR_SUCCESS or the code of its failure, and calls it again
// while it fails with a transient refusal, waiting longer each time, for about two seconds in
// all. Returns the last code.
DWORD retryRefusals(const std::function<DWORD()>& attempt, const Sleeper& sleep = sleepFor);

} // namespace tarnwell::win32
