#include "../tempfolder.h"
#include "platform/posix/oserror.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace tarnwell::posix {
namespace {

TEST(OsErrorTest, ErrnoValuesMapToRunTimeNumbers)
{
    const std::pair<int, int> expected[] = {
        {EACCES, 70}, {EPERM, 70},  {EROFS, 70},  {ENOSPC, 61},       {EDQUOT, 61},  {EEXIST, 58},
        {EIO, 57},    {EINVAL, 52}, {EILSEQ, 52}, {ENAMETOOLONG, 77}, {ENOTDIR, 76}, {EMFILE, 67},
        {ENFILE, 67}, {EBUSY, 75},  {ELOOP, 75},  {EFBIG, 75},
    };
    for (const auto& [code, number] : expected) {
        EXPECT_EQ(errorNumberForErrno(code, false), number) << code;
        EXPECT_EQ(errorNumberForErrno(code, true), number) << code;
        EXPECT_EQ(errnoError(code).description(), errorDescription(number));
    }
    EXPECT_EQ(errorNumberForErrno(ENOENT, true), 53);
    EXPECT_EQ(errorNumberForErrno(ENOENT, false), 76);
    EXPECT_EQ(errnoError(ENOSPC).description(), "Disk full");
}

TEST(OsErrorTest, MissingEntryIsFileNotFoundOnlyWhenItsFolderExists)
{
    test::TempFolder temp;
    EXPECT_EQ(pathError(ENOENT, temp.path() + "/none.dat").number(), 53);
    EXPECT_EQ(pathError(ENOENT, temp.path() + "/Gone/none.dat").number(), 76);
    EXPECT_EQ(pathError(ENOENT, temp.path() + "/Gone/Deeper/none.dat").number(), 76);
    EXPECT_EQ(pathError(EACCES, temp.path() + "/none.dat").number(), 70);
}

} // namespace
} // namespace tarnwell::posix
