#include "cli/cli.h"
#include "platform/services.h"

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>
#else
#include <unistd.h>
#endif

namespace {

// The arguments in UTF-8, as the logic keeps every text.
std::vector<std::string> arguments(int argc, char** argv)
{
    std::vector<std::string> args;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide && i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string text(size > 0 ? size - 1 : 0, '\0');
        if (size > 1)
            WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, text.data(), size, nullptr, nullptr);
        args.push_back(text);
    }
    LocalFree(wide);
#else
    args.assign(argv + 1, argv + argc);
#endif
    return args;
}

bool stderrIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) == 1;
#endif
}

bool changeDirectory(const std::string& dir)
{
    std::error_code error;
    std::filesystem::current_path(std::filesystem::path(std::u8string(dir.begin(), dir.end())),
                                  error);
    return !error;
}

} // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
#endif
    try {
        tarnwell::SystemServices system = tarnwell::makeSystemServices();
        tarnwell::CliPlatform platform{*system.fileSystem, *system.network, *system.clock,
                                       *system.codePage,   changeDirectory, system.logFile.get()};
        return tarnwell::runCli(arguments(argc, argv), platform, std::cout, std::cerr,
                                stderrIsTerminal());
    } catch (const std::exception& error) {
        std::cerr << "tarnwell-cli: " << error.what() << "\n";
        return tarnwell::CliExit::CouldNotRun;
    }
}
