#pragma once

#include "platform/power.h"

namespace tarnwell::win32 {

// The thread's execution state: the system is required while a hold lasts.
class Win32Power : public Power
{
public:
    void holdAwake() override;
    void releaseAwake() override;
};

} // namespace tarnwell::win32
