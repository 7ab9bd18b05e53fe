#include "config/timefields.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tarnwell {
namespace {

struct Case
{
    std::string typed;
    std::string shown; // the field's text after leaving it
    bool accepted;
};

void expectChecks(FieldCheck (*check)(const std::string&), const std::vector<Case>& cases,
                  const std::string& message)
{
    for (const Case& c : cases) {
        const FieldCheck result = check(c.typed);
        EXPECT_EQ(result.text, c.shown) << "typed '" << c.typed << "'";
        EXPECT_EQ(result.accepted, c.accepted) << "typed '" << c.typed << "'";
        EXPECT_EQ(result.message, c.accepted ? "" : message) << "typed '" << c.typed << "'";
    }
}

TEST(TimeFieldsTest, HourLosesLeadingZerosAndTakesOneToTwelve)
{
    expectChecks(checkHour,
                 {{"", "12", true},
                  {"5", "5", true},
                  {"05", "5", true},
                  {"012", "12", true},
                  {"1", "1", true},
                  {"12", "12", true},
                  {"0", "0", false},
                  {"00", "0", false},
                  {"13", "13", false},
                  {"0013", "13", false},
                  {"99999999999999999999", "99999999999999999999", false},
                  {"abc", "abc", false},
                  {"1.5", "1.5", false},
                  {" 5", " 5", false},
                  {"+5", "+5", false},
                  {"-1", "-1", false}},
                 "The Hours field must be between 1 and 12.");
}

TEST(TimeFieldsTest, MinutesAndSecondsAreTwoDigitsFromZeroToFiftyNine)
{
    const std::vector<Case> cases = {
        {"", "00", true},      {"7", "07", true},     {"0", "00", true},   {"005", "05", true},
        {"059", "59", true},   {"59", "59", true},    {"60", "60", false}, {"61", "61", false},
        {"0060", "60", false}, {"100", "100", false}, {"x", "x", false},   {"  ", "  ", false},
        {"4.0", "4.0", false}};
    expectChecks(checkMinute, cases, "The Minutes field must be between 0 and 59.");
    expectChecks(checkSecond, cases, "The seconds field must be between 0 and 59.");
}

TEST(TimeFieldsTest, AmPmTakesOnlyUpperCaseAfterLowerCaseIsMended)
{
    expectChecks(checkAmPm,
                 {{"", "AM", true},
                  {"am", "AM", true},
                  {"pm", "PM", true},
                  {"AM", "AM", true},
                  {"PM", "PM", true},
                  {"Pm", "Pm", false},
                  {"aM", "aM", false},
                  {"P.M.", "P.M.", false},
                  {" PM", " PM", false}},
                 "This box must be either AM or PM");
}

TEST(TimeFieldsTest, CheckedFieldsJoinIntoTheClockForm)
{
    EXPECT_EQ(joinBackupTime(checkHour("").text, checkMinute("").text, checkSecond("").text,
                             checkAmPm("").text),
              "12:00:00 AM");
    EXPECT_EQ(joinBackupTime(checkHour("05").text, checkMinute("7").text, checkSecond("").text,
                             checkAmPm("pm").text),
              "5:07:00 PM");
}

} // namespace
} // namespace tarnwell
