// The attribute reset on the real disk, where links lead out of the tree.
#include "../backendtest.h"
#include "backup/attrtree.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwell::test {
namespace {

mode_t modeOf(const std::string& path)
{
    struct stat info
    {
    };
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

using AttrTreeOnDisk = BackendTest;

TEST_F(AttrTreeOnDisk, LinksAreNeitherEnteredNorChangedNorStopTheWalk)
{
    // Read-only files outside the target, reached by links inside it.
    makeFile(at({"Outside", "kept.txt"}));
    makeFile(at({"Outside", "Deeper", "kept.txt"}));
    makeFile(at({"alone.txt"}));
    const std::string target = at({"Backup"});
    makeFile(at({"Backup", "a.txt"}));
    makeFile(at({"Backup", "Sub", "z.txt"}));
    ASSERT_EQ(::symlink("../Outside", at({"Backup", "folder-link"}).c_str()), 0);
    ASSERT_EQ(::symlink("../alone.txt", at({"Backup", "file-link"}).c_str()), 0);
    ASSERT_EQ(::symlink("..", at({"Backup", "Sub", "loop"}).c_str()), 0);
    ASSERT_EQ(::symlink("nowhere", at({"Backup", "0-dangling"}).c_str()), 0);
    ASSERT_EQ(::symlink("Backup", at({"Target-link"}).c_str()), 0);
    const std::string outsideFiles[] = {at({"Outside", "kept.txt"}),
                                        at({"Outside", "Deeper", "kept.txt"}), at({"alone.txt"})};
    const std::string insideFiles[] = {at({"Backup", "a.txt"}), at({"Backup", "Sub", "z.txt"})};
    for (const std::string& file : outsideFiles)
        ::chmod(file.c_str(), 0444);

    for (const std::string& given : {target, at({"Target-link"})}) {
        for (const std::string& file : insideFiles)
            ::chmod(file.c_str(), 0444);
        EXPECT_EQ(AttrTree(fileSystem, given), 0) << given;
        for (const std::string& file : insideFiles)
            EXPECT_EQ(modeOf(file), 0644u) << file;
        for (const std::string& file : outsideFiles)
            EXPECT_EQ(modeOf(file), 0444u) << file << " changed through a link";
    }
}

} // namespace
} // namespace tarnwell::test
