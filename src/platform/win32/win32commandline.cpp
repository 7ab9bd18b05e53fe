#include "platform/commandline.h"
#include "platform/win32/widetext.h"
#include "platform/win32/winapi.h"

#include <cstdio>
#include <io.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

namespace tarnwell {

std::vector<std::string> commandLineArguments(int, char**)
{
    // argv holds the ANSI code page's version of the arguments, which loses characters.
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide && i < count; ++i)
        arguments.push_back(win32::toUtf8(wide[i]));
    LocalFree(wide);
    return arguments;
}

void useUtf8Console()
{
    SetConsoleOutputCP(CP_UTF8);
}

bool stderrIsTerminal()
{
    return _isatty(_fileno(stderr)) != 0;
}

} // namespace tarnwell
