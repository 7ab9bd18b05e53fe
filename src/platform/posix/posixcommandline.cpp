#include "platform/commandline.h"

#include <unistd.h>

namespace tarnwell {

std::vector<std::string> commandLineArguments(int argc, char** argv)
{
    // The arguments come as the bytes given; UTF-8 is the norm here.
    return std::vector<std::string>(argv + 1, argv + argc);
}

void useUtf8Console()
{
    // A terminal shows what the locale says; there is nothing to switch.
}

bool stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

} // namespace tarnwell
