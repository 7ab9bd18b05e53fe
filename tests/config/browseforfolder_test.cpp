#include "config/browseforfolder.h"
#include "platform/error.h"
#include "support/testworld.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

// A dialog that cannot be shown.
class BrokenFolderDialog : public FolderDialog
{
public:
    std::string chooseFolder(const std::string&) override
    {
        throw RuntimeError(ErrorNumber::OutOfMemory, "Out of memory");
    }
};

TEST(BrowseForFolderTest, GivesTheChosenFolderOrEmptyOnCancel)
{
    test::TestWorld world;
    test::ScriptedFolderDialog dialog;
    dialog.answers = {"C:\\", "\\\\server\\share\\Data"};
    EXPECT_EQ(BrowseForFolder(dialog, world.messageBox, kSourcePrompt), "C:\\");
    EXPECT_EQ(BrowseForFolder(dialog, world.messageBox, kUncPathPrompt), "\\\\server\\share\\Data");
    EXPECT_EQ(BrowseForFolder(dialog, world.messageBox, kTargetPrompt), "");
    EXPECT_EQ(dialog.prompts,
              (std::vector<std::string>{"Select The Source Folder", "Select The UNC Path",
                                        "Select The Target Folder"}));
    EXPECT_TRUE(world.messageBox.messages.empty());
}

TEST(BrowseForFolderTest, FailureIsReportedAndGivesEmpty)
{
    test::TestWorld world;
    BrokenFolderDialog dialog;
    EXPECT_EQ(BrowseForFolder(dialog, world.messageBox, kSourcePrompt), "");
    ASSERT_EQ(world.messageBox.messages.size(), 1u);
    const test::RecordedMessage& report = world.messageBox.messages[0];
    EXPECT_EQ(report.text, "7 Out of memory");
    EXPECT_EQ(report.title, "Tarnwell");
    EXPECT_EQ(report.icon, MessageIcon::None);
}

} // namespace
} // namespace tarnwell
