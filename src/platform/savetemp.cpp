#include "platform/savetemp.h"

#include <algorithm>
#include <cctype>

namespace tarnwell {

namespace {

constexpr std::string_view kSuffix = ".tmp";
constexpr std::size_t kDigits = 16;

bool sameLetters(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::string saveTempName(std::string_view fileName, std::uint64_t unique)
{
    static const char hex[] = "0123456789abcdef";
    std::string name = ".";
    name += fileName;
    name += '-';
    for (int shift = 60; shift >= 0; shift -= 4)
        name += hex[(unique >> shift) & 0xf];
    name += kSuffix;
    return name;
}

bool isSaveTempOf(std::string_view name, std::string_view fileName)
{
    const std::size_t length = 1 + fileName.size() + 1 + kDigits + kSuffix.size();
    if (name.size() != length || name.front() != '.' || !name.ends_with(kSuffix) ||
        name[1 + fileName.size()] != '-' || !sameLetters(name.substr(1, fileName.size()), fileName))
        return false;
    const std::string_view digits = name.substr(2 + fileName.size(), kDigits);
    return std::all_of(digits.begin(), digits.end(),
                       [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
}

} // namespace tarnwell
