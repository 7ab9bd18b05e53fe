#include "platform/error.h"
#include "platform/win32/win32codepage.h"

#include <gtest/gtest.h>

namespace tarnwell::win32 {
namespace {

// The description of a refusal, or "" when the text was accepted.
std::string refusal(const CodePage& codePage, const std::string& utf8)
{
    try {
        codePage.toAnsi(utf8);
        return {};
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), ErrorNumber::InvalidProcedureCall);
        return error.description();
    }
}

TEST(Win32CodePage, WesternTextRoundTripsThroughCodePage1252)
{
    const Win32CodePage codePage(1252);
    const std::string utf8 = "Gr\xC3\xBC\xC3\x9F"
                             "e \xE2\x82\xAC 5"; // Grüße € 5
    const std::string ansi = codePage.toAnsi(utf8);
    EXPECT_EQ(ansi, "Gr\xFC\xDF"
                    "e \x80 5");
    EXPECT_EQ(codePage.fromAnsi(ansi), utf8);
    EXPECT_EQ(codePage.toAnsi(""), "");
    EXPECT_EQ(codePage.fromAnsi(""), "");
}

TEST(Win32CodePage, ACharacterOutsideTheCodePageIsRefusedNeverReplaced)
{
    const Win32CodePage western(1252);
    // "ł" would best-fit to "l", "日" and the emoji would become "?".
    for (const std::string text : {"\xC5\x82"
                                   "odz",
                                   "\xE6\x97\xA5",
                                   "a\xF0\x9F\x98\x80"
                                   "b"}) {
        const std::string description = refusal(western, text);
        EXPECT_NE(description.find("1252"), std::string::npos) << description;
        EXPECT_EQ(description.find(text), std::string::npos) << "the text must not be shown";
    }
    const Win32CodePage central(1250);
    EXPECT_EQ(refusal(central, "\xC5\x81\xC3\xB3"
                               "d\xC5\xBA"),
              ""); // Łódź
    EXPECT_EQ(central.fromAnsi(central.toAnsi("\xC5\x81\xC3\xB3"
                                              "d\xC5\xBA")),
              "\xC5\x81\xC3\xB3"
              "d\xC5\xBA");
}

TEST(Win32CodePage, ASecretIsNotRepeatedInTheRefusal)
{
    const Win32CodePage western(1252);
    const std::string description = refusal(western, "hunter2\xE2\x9C\x93"); // hunter2✓
    EXPECT_FALSE(description.empty());
    EXPECT_EQ(description.find("hunter2"), std::string::npos);
}

TEST(Win32CodePage, InvalidUtf8IsRefused)
{
    const Win32CodePage western(1252);
    EXPECT_FALSE(refusal(western, "abc\xC3").empty());
}

TEST(Win32CodePage, DoubleByteCodePagesWork)
{
    const Win32CodePage japanese(932);
    const std::string utf8 = "\xE6\x97\xA5\xE6\x9C\xAC"; // 日本
    const std::string ansi = japanese.toAnsi(utf8);
    EXPECT_EQ(ansi, "\x93\xFA\x96\x7B");
    EXPECT_EQ(japanese.fromAnsi(ansi), utf8);
    EXPECT_TRUE(japanese.isValidAnsi(ansi));
    EXPECT_FALSE(japanese.isValidAnsi(ansi + "\x82")) << "a lead byte without its second byte";
}

} // namespace
} // namespace tarnwell::win32
