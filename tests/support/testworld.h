#pragma once

#include "platform/services.h"
#include "support/fakes.h"
#include "support/memoryfilesystem.h"
#include "support/memorynetwork.h"

namespace tarnwell::test {

// One in-memory workstation: file system, network, clock, code page and message boxes.
struct TestWorld
{
    MemoryFileSystem fileSystem;
    MemoryNetwork network{fileSystem};
    FakeClock clock;
    Latin1CodePage codePage;
    RecordingMessageBox messageBox;
    Services services{fileSystem, network, clock, codePage, messageBox};
};

} // namespace tarnwell::test
