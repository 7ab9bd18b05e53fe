#pragma once

#include <string>

namespace tarnwell {

// Title of the input-check message boxes.
inline constexpr const char* kCheckTitle = "Oops";

// What leaving a field of the time window does: the text to write back into the field, and
// whether it is accepted. A refused field shows message and gets the focus back.
struct FieldCheck
{
    std::string text;
    bool accepted = false;
    std::string message;
};

// Empty becomes "12"; leading zeros go but one digit stays (05 -> 5, 012 -> 12, 00 -> 0).
// Accepts a whole number 1 to 12.
FieldCheck checkHour(const std::string& text);

// Empty becomes "00"; a number is written with exactly two digits (7 -> 07, 005 -> 05).
// Accepts a whole number 0 to 59.
FieldCheck checkMinute(const std::string& text);
FieldCheck checkSecond(const std::string& text);

// Empty becomes "AM", "am" and "pm" become upper case; accepts exactly "AM" or "PM".
FieldCheck checkAmPm(const std::string& text);

// The backup-time text: "h:mm:ss AM". Joins the checked field texts as they stand.
std::string joinBackupTime(const std::string& hour, const std::string& minute,
                           const std::string& second, const std::string& amPm);

} // namespace tarnwell
