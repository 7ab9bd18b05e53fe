#include "platform/error.h"
#include "platform/errortrap.h"
#include "support/fakes.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace tarnwell {
namespace {

TEST(RuntimeErrorTest, CatalogueHasTheClassicDescriptions)
{
    const std::pair<int, const char*> expected[] = {
        {5, "Invalid procedure call or argument"},
        {52, "Bad file name or number"},
        {53, "File not found"},
        {57, "Device I/O error"},
        {58, "File already exists"},
        {59, "Bad record length"},
        {61, "Disk full"},
        {63, "Bad record number"},
        {67, "Too many files"},
        {68, "Device unavailable"},
        {70, "Permission denied"},
        {71, "Disk not ready"},
        {75, "Path/File access error"},
        {76, "Path not found"},
    };
    for (const auto& [number, description] : expected) {
        EXPECT_EQ(RuntimeError(number).description(), description) << number;
        EXPECT_EQ(RuntimeError(number).number(), number);
    }
}

TEST(RuntimeErrorTest, ReportIsNumberBlankDescriptionSuffix)
{
    EXPECT_EQ(errorReport(RuntimeError(53), " in Form_Load"), "53 File not found in Form_Load");
    EXPECT_EQ(errorReport(RuntimeError(70)), "70 Permission denied");
    EXPECT_EQ(errorReport(2250, "custom", ""), "2250 custom");
}

TEST(RuntimeErrorTest, PathNamesTheDeepestPlaceAndStaysOutOfTheReport)
{
    RuntimeError error(61);
    error.concerning("D:\\Backup\\a.txt").concerning("D:\\Backup");
    EXPECT_EQ(error.path(), "D:\\Backup\\a.txt");
    EXPECT_EQ(errorReport(error), "61 Disk full");
    EXPECT_EQ(errorReportWithPath(error), "61 Disk full: D:\\Backup\\a.txt");
    EXPECT_EQ(errorReportWithPath(RuntimeError(76)), "76 Path not found");
}

TEST(RuntimeErrorTest, ErrorTrapReportsAndReturnsFalse)
{
    test::RecordingMessageBox box;
    EXPECT_TRUE(errorTrap(box, " in X", [] {}));
    EXPECT_TRUE(box.messages.empty());

    EXPECT_FALSE(errorTrap(box, " in cmdClose_Click", [] { throw RuntimeError(76); }));
    EXPECT_FALSE(errorTrap(box, "", [] { throw std::runtime_error("boom"); }));
    ASSERT_EQ(box.messages.size(), 2u);
    EXPECT_EQ(box.messages[0].text, "76 Path not found in cmdClose_Click");
    EXPECT_EQ(box.messages[0].title, "Tarnwell");
    EXPECT_EQ(box.messages[0].icon, MessageIcon::None);
    EXPECT_EQ(box.messages[1].text.rfind("51 ", 0), 0u);
    EXPECT_NE(box.messages[1].text.find("boom"), std::string::npos);
}

} // namespace
} // namespace tarnwell
