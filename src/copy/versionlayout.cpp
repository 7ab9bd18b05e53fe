#include "copy/versionlayout.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace tarnwell {

namespace {

bool readNumber(std::string_view text, std::size_t at, std::size_t width, int& value)
{
    if (at + width > text.size())
        return false;
    const char* first = text.data() + at;
    const char* last = first + width;
    const auto [end, error] = std::from_chars(first, last, value);
    return error == std::errc{} && end == last;
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
long daysFromCivil(int year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const long era = (year >= 0 ? year : year - 399) / 400;
    const long yearOfEra = year - era * 400;
    const long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

} // namespace

bool isVersionsFolderName(PathStyle style, std::string_view name)
{
    if (style != PathStyle::Windows)
        return name == kVersionsFolderName;
    return std::equal(
        name.begin(), name.end(), kVersionsFolderName.begin(), kVersionsFolderName.end(),
        [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

std::string versionsRoot(PathStyle style, const std::string& target)
{
    return joinPath(style, target, kVersionsFolderName);
}

std::string pairVersionsFolder(PathStyle style, const std::string& target,
                               const std::string& copyName)
{
    return joinPath(style, versionsRoot(style, target), copyName);
}

std::string runStampName(const LocalDateTime& when)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d%02d%02d", when.year, when.month, when.day,
                  when.hour, when.minute, when.second);
    return text;
}

std::optional<LocalDateTime> parseRunStampName(std::string_view name)
{
    LocalDateTime when;
    if (name.size() != 17 || name[4] != '-' || name[7] != '-' || name[10] != ' ' ||
        !readNumber(name, 0, 4, when.year) || !readNumber(name, 5, 2, when.month) ||
        !readNumber(name, 8, 2, when.day) || !readNumber(name, 11, 2, when.hour) ||
        !readNumber(name, 13, 2, when.minute) || !readNumber(name, 15, 2, when.second))
        return std::nullopt;
    if (when.month < 1 || when.month > 12 || when.day < 1 || when.day > 31 || when.hour > 23 ||
        when.minute > 59 || when.second > 59)
        return std::nullopt;
    return when;
}

long daysBetween(const LocalDateTime& from, const LocalDateTime& to)
{
    return daysFromCivil(to.year, to.month, to.day) -
           daysFromCivil(from.year, from.month, from.day);
}

} // namespace tarnwell
