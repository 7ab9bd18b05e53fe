#include "wine.h"

#include "platform/filesystem.h"
#include "platform/win32/winapi.h"

namespace tarnwell::test {

bool runningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

int archiveNoise()
{
    return runningUnderWine() ? Attribute::Archive : 0;
}

} // namespace tarnwell::test
