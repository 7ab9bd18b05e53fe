#include "cli/cli.h"
#include "platform/commandline.h"
#include "platform/services.h"

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

namespace {

// tarnwell-task, the same program for Task Scheduler, is built with this true.
constexpr bool kScheduled = TARNWELL_SCHEDULED;

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
    tarnwell::useUtf8Console();
    try {
        tarnwell::SystemServices system = tarnwell::makeSystemServices();
        tarnwell::CliPlatform platform{*system.fileSystem, *system.network, *system.clock,
                                       *system.codePage,   changeDirectory, system.logFile.get(),
                                       system.power.get(), kScheduled};
        return tarnwell::runCli(tarnwell::commandLineArguments(argc, argv), platform, std::cout,
                                std::cerr, tarnwell::stderrIsTerminal());
    } catch (const std::exception& error) {
        std::cerr << "tarnwell-cli: " << error.what() << "\n";
        return tarnwell::CliExit::CouldNotRun;
    }
}
