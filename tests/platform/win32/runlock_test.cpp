// The lock of a backup run or drive command, held by one process and met by another.
#include "platform/win32/widetext.h"
#include "platform/win32/win32filesystem.h"
#include "platform/win32/winapi.h"
#include "scratchfolder.h"

#include <gtest/gtest.h>
#include <string>

namespace tarnwell::win32 {
namespace {

using test::ScratchFolder;

constexpr const wchar_t* kLockVariable = L"TARNWELL_TEST_LOCK";
constexpr const wchar_t* kHeldVariable = L"TARNWELL_TEST_LOCK_HELD";

std::wstring environmentText(const wchar_t* name)
{
    wchar_t value[1024];
    const DWORD length = GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

// Started as a second process by the test below: takes the lock, says so, and waits to be
// killed.
TEST(RunLockHolder, DISABLED_HoldsTheLockUntilKilled)
{
    const std::wstring path = environmentText(kLockVariable);
    const std::wstring event = environmentText(kHeldVariable);
    ASSERT_FALSE(path.empty() || event.empty()) << "started by hand";
    Win32FileSystem fs;
    const auto lock = fs.tryLockFile(toUtf8(path));
    ASSERT_TRUE(lock);
    HANDLE held = OpenEventW(EVENT_MODIFY_STATE, FALSE, event.c_str());
    ASSERT_NE(held, nullptr);
    SetEvent(held);
    Sleep(120000);
}

TEST(RunLockTest, ASecondProcessFindsTheLockTakenUntilTheHolderDies)
{
    ScratchFolder scratch;
    const std::string lockPath = scratch / "Config.dat.lock";
    const std::wstring eventName = L"tarnwell-lock-held-" + std::to_wstring(GetCurrentProcessId());
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, eventName.c_str());
    ASSERT_NE(held, nullptr);
    SetEnvironmentVariableW(kLockVariable, toWide(lockPath).c_str());
    SetEnvironmentVariableW(kHeldVariable, eventName.c_str());
    wchar_t self[MAX_PATH + 1];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH + 1), 0u);
    std::wstring command = L"\"" + std::wstring(self) +
                           L"\" --gtest_filter=RunLockHolder.DISABLED_HoldsTheLockUntilKilled"
                           L" --gtest_also_run_disabled_tests";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION other{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &other));
    const bool taken = WaitForSingleObject(held, 60000) == WAIT_OBJECT_0;

    Win32FileSystem fs;
    if (taken) {
        EXPECT_FALSE(fs.tryLockFile(lockPath)) << "the other process holds it";
    }
    TerminateProcess(other.hProcess, 1);
    WaitForSingleObject(other.hProcess, 60000);
    CloseHandle(other.hThread);
    CloseHandle(other.hProcess);
    CloseHandle(held);
    ASSERT_TRUE(taken) << "the other process took no lock";
    EXPECT_TRUE(fs.tryLockFile(lockPath)) << "the lock dies with its process";
}

} // namespace
} // namespace tarnwell::win32
