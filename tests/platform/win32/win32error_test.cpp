#include "platform/win32/retry.h"
#include "platform/win32/win32error.h"
#include "platform/win32/winapi.h"

#include <gtest/gtest.h>

namespace tarnwell::win32 {
namespace {

// The codes that the real-disk tests cannot provoke under Wine: full disks, network paths,
// drives without a medium, and codes the program has no number of its own for.
TEST(Win32Error, CodesThatTheDiskCannotShowMapToTheirRunTimeNumbers)
{
    struct Case
    {
        DWORD code;
        int file;   // when a file was opened
        int folder; // when a folder was on the way
    };
    const Case cases[] = {
        {ERROR_FILE_NOT_FOUND, 53, 76},  {ERROR_PATH_NOT_FOUND, 76, 76},
        {ERROR_ACCESS_DENIED, 70, 70},   {ERROR_SHARING_VIOLATION, 55, 55},
        {ERROR_LOCK_VIOLATION, 55, 55},  {ERROR_INVALID_DRIVE, 68, 68},
        {ERROR_NOT_READY, 71, 71},       {ERROR_HANDLE_DISK_FULL, 61, 61},
        {ERROR_DISK_FULL, 61, 61},       {ERROR_FILE_EXISTS, 58, 58},
        {ERROR_ALREADY_EXISTS, 58, 58},  {ERROR_BAD_NETPATH, 76, 76},
        {ERROR_BAD_NET_NAME, 76, 76},    {ERROR_INVALID_NAME, 52, 52},
        {ERROR_BAD_PATHNAME, 52, 52},    {ERROR_NO_NETWORK, 76, 76},
        {ERROR_NETNAME_DELETED, 76, 76}, {ERROR_NETWORK_UNREACHABLE, 76, 76},
        {225 /* virus */, 75, 75},       {1920 /* cannot be accessed */, 75, 75},
        {ERROR_SHARING_PAUSED, 75, 75}, // 70: would read as Permission denied
        {ERROR_WRITE_PROTECT, 19, 19},   {ERROR_IO_DEVICE, 1117, 1117},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(errorNumberFor(c.code, Subject::File), c.file) << "code " << c.code;
        EXPECT_EQ(errorNumberFor(c.code, Subject::Folder), c.folder) << "code " << c.code;
    }
    // A save whose ReplaceFileW cannot remove the old file, which another program holds.
    EXPECT_EQ(errorNumberFor(ERROR_UNABLE_TO_REMOVE_REPLACED, Subject::File), 70);
}

TEST(Win32Error, TheErrorCarriesTheRunTimeDescriptionOrTheSystemsAndTheLastErrorIsReadAtOnce)
{
    const RuntimeError error = win32Error(ERROR_SHARING_VIOLATION, Subject::File);
    EXPECT_EQ(error.number(), 55);
    EXPECT_EQ(error.description(), "In use by another program");
    // A code of no run-time number of its own keeps the system's text, without its line end.
    const RuntimeError unmapped = win32Error(ERROR_IO_DEVICE, Subject::File);
    EXPECT_EQ(unmapped.description(), systemMessage(ERROR_IO_DEVICE));
    EXPECT_FALSE(unmapped.description().empty());
    EXPECT_NE(unmapped.description().back(), '\n');

    SetLastError(ERROR_PATH_NOT_FOUND);
    const RuntimeError last = lastWin32Error(Subject::File);
    EXPECT_EQ(last.number(), 76);
    EXPECT_EQ(last.description(), "Path not found");
}

TEST(Win32Retry, BriefRefusalsAreWaitedOutForAboutTwoSecondsAndNothingElseIs)
{
    for (const DWORD code : {DWORD{ERROR_SHARING_VIOLATION}, DWORD{ERROR_FILE_NOT_FOUND}}) {
        int tries = 0;
        const DWORD last = retryRefusals([&] { return ++tries == 3 ? DWORD{ERROR_SUCCESS} : code; },
                                         [](std::chrono::milliseconds) {});
        const bool transient = code == ERROR_SHARING_VIOLATION;
        EXPECT_EQ(last, transient ? DWORD{ERROR_SUCCESS} : code);
        EXPECT_EQ(tries, transient ? 3 : 1);
    }
    std::chrono::milliseconds waited{0};
    retryRefusals([] { return DWORD{ERROR_LOCK_VIOLATION}; },
                  [&](std::chrono::milliseconds wait) { waited += wait; });
    EXPECT_GE(waited.count(), 1900);
    EXPECT_LE(waited.count(), 2100);
}

} // namespace
} // namespace tarnwell::win32
