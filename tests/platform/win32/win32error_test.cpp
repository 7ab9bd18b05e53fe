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
        {ERROR_FILE_NOT_FOUND, 53, 76}, {ERROR_PATH_NOT_FOUND, 76, 76},
        {ERROR_ACCESS_DENIED, 70, 70},  {ERROR_SHARING_VIOLATION, 70, 70},
        {ERROR_LOCK_VIOLATION, 70, 70}, {ERROR_INVALID_DRIVE, 68, 68},
        {ERROR_NOT_READY, 71, 71},      {ERROR_HANDLE_DISK_FULL, 61, 61},
        {ERROR_DISK_FULL, 61, 61},      {ERROR_FILE_EXISTS, 58, 58},
        {ERROR_ALREADY_EXISTS, 58, 58}, {ERROR_BAD_NETPATH, 76, 76},
        {ERROR_BAD_NET_NAME, 76, 76},   {ERROR_INVALID_NAME, 52, 52},
        {ERROR_BAD_PATHNAME, 52, 52},   {ERROR_NO_NETWORK, 75, 75},
        {ERROR_WRITE_PROTECT, 75, 75},  {ERROR_GEN_FAILURE, 75, 75},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(errorNumberFor(c.code, Subject::File), c.file) << "code " << c.code;
        EXPECT_EQ(errorNumberFor(c.code, Subject::Folder), c.folder) << "code " << c.code;
    }
    // A save whose ReplaceFileW cannot remove the old file, which another program holds.
    EXPECT_EQ(errorNumberFor(ERROR_UNABLE_TO_REMOVE_REPLACED, Subject::File), 70);
}

TEST(Win32Error, TheErrorCarriesTheRunTimeDescriptionAndTheLastErrorIsReadAtOnce)
{
    const RuntimeError error = win32Error(ERROR_SHARING_VIOLATION, Subject::File);
    EXPECT_EQ(error.number(), 70);
    EXPECT_EQ(error.description(), "Permission denied");

    SetLastError(ERROR_PATH_NOT_FOUND);
    const RuntimeError last = lastWin32Error(Subject::File);
    EXPECT_EQ(last.number(), 76);
    EXPECT_EQ(last.description(), "Path not found");
}

} // namespace
} // namespace tarnwell::win32
