#include "config/timefields.h"

#include <algorithm>

namespace tarnwell {

namespace {

// Plain decimal digits only: blanks, signs and fractions are not a whole number here, so
// that every accepted field joins into the one text form the scheduler compares.
bool isWholeNumber(const std::string& text)
{
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string withoutLeadingZeros(const std::string& digits)
{
    const std::size_t firstKept = std::min(digits.find_first_not_of('0'), digits.size() - 1);
    return digits.substr(firstKept);
}

// A number of at most two significant digits after the zeros went, so it cannot overflow.
bool inRange(const std::string& digits, int low, int high)
{
    const std::string value = withoutLeadingZeros(digits);
    if (value.size() > 2)
        return false;
    const int number = std::stoi(value);
    return number >= low && number <= high;
}

FieldCheck checkTwoDigitField(const std::string& text, const char* message)
{
    FieldCheck check;
    check.text = text.empty() ? "00" : text;
    if (!isWholeNumber(check.text)) {
        check.message = message;
        return check;
    }
    check.text = withoutLeadingZeros(check.text);
    if (check.text.size() < 2)
        check.text.insert(0, 1, '0');
    check.accepted = inRange(check.text, 0, 59);
    if (!check.accepted)
        check.message = message;
    return check;
}

} // namespace

FieldCheck checkHour(const std::string& text)
{
    FieldCheck check;
    check.text = text.empty() ? "12" : text;
    if (isWholeNumber(check.text)) {
        check.text = withoutLeadingZeros(check.text);
        check.accepted = inRange(check.text, 1, 12);
    }
    if (!check.accepted)
        check.message = "The Hours field must be between 1 and 12.";
    return check;
}

FieldCheck checkMinute(const std::string& text)
{
    return checkTwoDigitField(text, "The Minutes field must be between 0 and 59.");
}

FieldCheck checkSecond(const std::string& text)
{
    return checkTwoDigitField(text, "The seconds field must be between 0 and 59.");
}

FieldCheck checkAmPm(const std::string& text)
{
    FieldCheck check;
    check.text = text;
    if (check.text.empty() || check.text == "am")
        check.text = "AM";
    else if (check.text == "pm")
        check.text = "PM";
    check.accepted = check.text == "AM" || check.text == "PM";
    if (!check.accepted)
        check.message = "This box must be either AM or PM";
    return check;
}

std::string joinBackupTime(const std::string& hour, const std::string& minute,
                           const std::string& second, const std::string& amPm)
{
    return hour + ":" + minute + ":" + second + " " + amPm;
}

} // namespace tarnwell
