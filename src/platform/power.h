#pragma once

namespace tarnwell {

// Keeps an idle computer from going to sleep while a backup runs: copying files is not
// activity to the power manager, so a long run would otherwise be cut off by sleep.
class Power
{
public:
    virtual ~Power() = default;

    // From now until releaseAwake, the system stays awake (the display may still turn off).
    // The hold belongs to the calling thread, which must release it.
    virtual void holdAwake() = 0;
    virtual void releaseAwake() = 0;
};

} // namespace tarnwell
