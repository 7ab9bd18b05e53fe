#include "platform/win32/win32power.h"

#include "platform/win32/winapi.h"

namespace tarnwell::win32 {

void Win32Power::holdAwake()
{
    // Continuous until changed again by this thread; the display is left to its own timer.
    SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
}

void Win32Power::releaseAwake()
{
    SetThreadExecutionState(ES_CONTINUOUS);
}

} // namespace tarnwell::win32
