#include "platform/services.h"
#include "platform/win32/win32clock.h"
#include "platform/win32/win32codepage.h"
#include "platform/win32/win32filesystem.h"
#include "platform/win32/win32logfile.h"
#include "platform/win32/win32network.h"
#include "platform/win32/win32power.h"

namespace tarnwell {

SystemServices makeSystemServices()
{
    SystemServices services;
    services.fileSystem = std::make_unique<win32::Win32FileSystem>();
    services.network = std::make_unique<win32::Win32Network>();
    services.clock = std::make_unique<win32::Win32Clock>();
    services.codePage = std::make_unique<win32::Win32CodePage>();
    services.logFile = std::make_unique<win32::Win32LogFile>();
    services.power = std::make_unique<win32::Win32Power>();
    return services;
}

} // namespace tarnwell
