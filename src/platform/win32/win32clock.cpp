#include "platform/win32/win32clock.h"

#include "platform/win32/widetext.h"
#include "platform/win32/win32error.h"
#include "platform/win32/winapi.h"

namespace tarnwell::win32 {

namespace {

SYSTEMTIME toSystemTime(const LocalDateTime& when)
{
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(when.year);
    time.wMonth = static_cast<WORD>(when.month);
    time.wDay = static_cast<WORD>(when.day);
    time.wHour = static_cast<WORD>(when.hour);
    time.wMinute = static_cast<WORD>(when.minute);
    time.wSecond = static_cast<WORD>(when.second);
    return time;
}

// GetTimeFormatEx and GetDateFormatEx share their shape; the text is at most a few dozen
// characters, but the size is asked for all the same.
template <typename Format> std::string formatted(Format format)
{
    const int needed = format(nullptr, 0);
    if (needed <= 0)
        throw lastWin32Error(Subject::File);
    std::wstring text(static_cast<std::size_t>(needed), L'\0');
    if (format(text.data(), needed) <= 0)
        throw lastWin32Error(Subject::File);
    text.resize(static_cast<std::size_t>(needed) - 1); // the terminating NUL
    return toUtf8(text);
}

} // namespace

LocalDateTime Win32Clock::now() const
{
    SYSTEMTIME time;
    GetLocalTime(&time);
    return {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

LocalDateTime Win32Clock::localTimeOf(std::int64_t secondsSince1970) const
{
    // FILETIME counts 100 ns steps since 1601; the daylight-saving rule of that date applies.
    constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
    const auto ticks =
        static_cast<ULONGLONG>((secondsSince1970 + kSecondsFrom1601To1970) * 10'000'000);
    FILETIME fileTime;
    fileTime.dwLowDateTime = static_cast<DWORD>(ticks);
    fileTime.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    SYSTEMTIME universal;
    SYSTEMTIME time;
    if (!FileTimeToSystemTime(&fileTime, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &time))
        return {1970, 1, 1, 0, 0, 0};
    return {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

std::string Win32Clock::regionalTime(const LocalDateTime& when) const
{
    const SYSTEMTIME time = toSystemTime(when);
    return formatted([&time](wchar_t* buffer, int size) {
        return GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, 0, &time, nullptr, buffer, size);
    });
}

std::string Win32Clock::regionalDate(const LocalDateTime& when) const
{
    const SYSTEMTIME time = toSystemTime(when);
    return formatted([&time](wchar_t* buffer, int size) {
        return GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, buffer,
                               size, nullptr);
    });
}

void Win32Clock::sleep(int milliseconds)
{
    Sleep(static_cast<DWORD>(milliseconds));
}

} // namespace tarnwell::win32
