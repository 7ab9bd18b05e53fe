#include "copy/versionlayout.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

TEST(VersionLayout, DatedFolderNamesReadBackAndEverythingElseIsNotOne)
{
    const LocalDateTime when{2026, 3, 9, 7, 5, 3};
    EXPECT_EQ(runStampName(when), "2026-03-09 070503");
    const auto back = parseRunStampName(runStampName(when));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(runStampName(*back), "2026-03-09 070503");

    for (const char* other : {"2026-03-09 0705", "2026-03-09T070503", "2026-13-09 070503",
                              "2026-03-09 250503", "report.docx", "2026-03-09 07050x"})
        EXPECT_FALSE(parseRunStampName(other).has_value()) << other;
}

TEST(VersionLayout, DaysCountByTheCalendarAcrossMonthsAndLeapYears)
{
    EXPECT_EQ(daysBetween({2026, 12, 8, 23, 59, 0}, {2026, 12, 9, 0, 1, 0}), 1);
    EXPECT_EQ(daysBetween({2024, 2, 28}, {2024, 3, 1}), 2);
    EXPECT_EQ(daysBetween({2025, 12, 31}, {2026, 1, 30}), 30);
    EXPECT_EQ(daysBetween({2026, 1, 30}, {2025, 12, 31}), -30);
}

TEST(VersionLayout, VersionsLieBesideTheCopyInTheTarget)
{
    EXPECT_EQ(pairVersionsFolder(PathStyle::Windows, "E:\\", "Documents"),
              "E:\\.tarnwell-versions\\Documents");
    EXPECT_EQ(pairVersionsFolder(PathStyle::Posix, "/mnt/usb/backup", "(DriveRoot)"),
              "/mnt/usb/backup/.tarnwell-versions/(DriveRoot)");
}

} // namespace
} // namespace tarnwell
