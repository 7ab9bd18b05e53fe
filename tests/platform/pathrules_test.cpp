#include "platform/pathrules.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

constexpr auto W = PathStyle::Windows;
constexpr auto P = PathStyle::Posix;

TEST(PathRulesTest, NormaliseResolvesDotsAndTrailingSeparators)
{
    EXPECT_EQ(normalizePath(W, "C:\\Data\\"), "C:\\Data");
    EXPECT_EQ(normalizePath(W, "C:\\Data\\.\\Old\\..\\Docs"), "C:\\Data\\Docs");
    EXPECT_EQ(normalizePath(W, "D:\\Backup\\\\x"), "D:\\Backup\\x");
    EXPECT_EQ(normalizePath(W, "C:/Data/Docs"), "C:\\Data\\Docs");
    EXPECT_EQ(normalizePath(W, "E:"), "E:\\");
    EXPECT_EQ(normalizePath(W, "E:\\..\\.."), "E:\\");
    EXPECT_EQ(normalizePath(W, "\\\\srv\\share\\dir\\"), "\\\\srv\\share\\dir");
    EXPECT_EQ(normalizePath(W, "Data"), "Data");
    EXPECT_EQ(normalizePath(W, "..\\Data"), "..\\Data");
    EXPECT_EQ(normalizePath(P, "/home/u/"), "/home/u");
    EXPECT_EQ(normalizePath(P, "/../x"), "/x");
    EXPECT_EQ(normalizePath(P, "a\\b"), "a\\b") << "a backslash is a name character on POSIX";
}

TEST(PathRulesTest, RootsAndLastComponents)
{
    EXPECT_TRUE(isRootPath(W, "E:\\"));
    EXPECT_TRUE(isRootPath(W, "E:"));
    EXPECT_TRUE(isRootPath(W, "\\\\srv\\share\\"));
    EXPECT_TRUE(isRootPath(W, "\\\\srv\\share"));
    EXPECT_FALSE(isRootPath(W, "C:\\Data"));
    EXPECT_FALSE(isRootPath(W, "Data"));
    EXPECT_TRUE(isRootPath(P, "/"));
    EXPECT_TRUE(isRootPath(P, "//"));
    EXPECT_FALSE(isRootPath(P, "/home"));

    EXPECT_EQ(lastComponent(W, "C:\\Data\\Docs\\"), "Docs");
    EXPECT_EQ(lastComponent(W, "C:\\Data\\Docs\\.."), "Data");
    EXPECT_EQ(lastComponent(W, "E:\\"), "");
    EXPECT_EQ(lastComponent(W, "Docs"), "Docs");
    EXPECT_EQ(lastComponent(P, "/srv/data/"), "data");
}

TEST(PathRulesTest, JoinUsesExactlyOneSeparator)
{
    EXPECT_EQ(joinPath(W, "D:\\Backup", "Docs"), "D:\\Backup\\Docs");
    EXPECT_EQ(joinPath(W, "D:\\Backup\\", "Docs"), "D:\\Backup\\Docs");
    EXPECT_EQ(joinPath(W, "D:\\Backup\\\\", "\\Docs"), "D:\\Backup\\Docs");
    EXPECT_EQ(joinPath(W, "D:\\", "Docs"), "D:\\Docs");
    EXPECT_EQ(joinPath(P, "/", "x"), "/x");
    EXPECT_EQ(joinPath(P, "/b/", "x"), "/b/x");
}

TEST(PathRulesTest, DriveLetters)
{
    EXPECT_EQ(driveLetterOf("x:\\"), 'X');
    EXPECT_EQ(driveLetterOf("X"), 0);
    EXPECT_EQ(driveLetterOf("1:"), 0);
    EXPECT_EQ(driveLetterOf("\\\\srv\\s"), 0);
}

} // namespace
} // namespace tarnwell
