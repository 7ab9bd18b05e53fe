// Two processes working from one Config.dat: the second run does not start.
#include "../backendtest.h"
#include "cli/cli.h"
#include "config/runlock.h"
#include "config/settings.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace tarnwell::test {
namespace {

// Makes folder the working directory, where Config.dat is looked for, for the object's life.
class WorkingDirectory
{
public:
    explicit WorkingDirectory(const std::string& folder) : m_old(std::filesystem::current_path())
    {
        std::filesystem::current_path(nativePath(folder));
    }
    ~WorkingDirectory() { std::filesystem::current_path(m_old); }

private:
    std::filesystem::path m_old;
};

using RunLockOnDisk = BackendTest;

TEST_F(RunLockOnDisk, ACommandFindingAnotherProcessRunningDoesNotStart)
{
    const WorkingDirectory here(temp.path());
    saveFolderPairsAndTime(fileSystem, *services.codePage, FolderPairs{}, "");
    CliPlatform platform{fileSystem, *services.network, *services.clock, *services.codePage,
                         [](const std::string&) { return true; }};
    const auto run = [&](const char* command, std::string& err) {
        std::ostringstream out;
        std::ostringstream errors;
        const int status = runCli({command}, platform, out, errors, false);
        err = errors.str();
        return status;
    };

    // The other process: a run that holds the lock until it is killed.
    int held[2];
    ASSERT_EQ(::pipe(held), 0);
    const pid_t other = ::fork();
    if (other == 0) {
        const RunLock lock(*makeSystemServices().fileSystem);
        const char taken = lock.otherRunning() ? 'n' : 'y';
        [[maybe_unused]] const ssize_t sent = ::write(held[1], &taken, 1);
        ::pause();
        ::_exit(0);
    }
    char taken = 0;
    ASSERT_EQ(::read(held[0], &taken, 1), 1);
    ASSERT_EQ(taken, 'y');

    const std::string refusal =
        "Tarnwell: another backup or drive command is running for this Config.dat\n";
    std::string err;
    for (const char* command : {"backup", "map-drives", "disconnect-drives"}) {
        EXPECT_EQ(run(command, err), CliExit::CouldNotRun) << command;
        EXPECT_EQ(err, refusal) << command;
    }

    ::kill(other, SIGKILL);
    ASSERT_EQ(::waitpid(other, nullptr, 0), other);
    ::close(held[0]);
    ::close(held[1]);
    EXPECT_EQ(run("backup", err), CliExit::Success) << "the lock died with its process: " << err;
}

} // namespace
} // namespace tarnwell::test
