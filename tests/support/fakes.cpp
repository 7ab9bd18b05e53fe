#include "support/fakes.h"

#include "platform/error.h"

#include <chrono>
#include <cstdio>

namespace tarnwell::test {

std::vector<std::string> RecordingMessageBox::texts() const
{
    std::vector<std::string> result;
    for (const RecordedMessage& message : messages)
        result.push_back(message.text);
    return result;
}

LocalDateTime FakeClock::localTimeOf(std::int64_t secondsSince1970) const
{
    using namespace std::chrono;
    const sys_seconds moment{seconds{secondsSince1970}};
    const sys_days day = floor<days>(moment);
    const year_month_day date{day};
    const hh_mm_ss time{moment - day};
    return {static_cast<int>(date.year()),
            static_cast<int>(unsigned{date.month()}),
            static_cast<int>(unsigned{date.day()}),
            static_cast<int>(time.hours().count()),
            static_cast<int>(time.minutes().count()),
            static_cast<int>(time.seconds().count())};
}

std::string FakeClock::regionalTime(const LocalDateTime& when) const
{
    int hour12 = when.hour % 12 == 0 ? 12 : when.hour % 12;
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d:%02d %s", hour12, when.minute, when.second,
                  when.hour < 12 ? "AM" : "PM");
    return text;
}

void FakeClock::sleep(int milliseconds)
{
    const int seconds = current.second + milliseconds / 1000;
    current.second = seconds % 60;
    current.minute += seconds / 60;
    current.hour += current.minute / 60;
    current.minute %= 60;
    if (afterSleep)
        afterSleep();
}

std::string FakeClock::regionalDate(const LocalDateTime& when) const
{
    return std::to_string(when.month) + "/" + std::to_string(when.day) + "/" +
           std::to_string(when.year);
}

std::string Latin1CodePage::toAnsi(std::string_view utf8) const
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            const auto next = static_cast<unsigned char>(utf8[++i]);
            out += static_cast<char>(((c & 0x03) << 6) | (next & 0x3F));
        } else {
            throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                               "The text has a character that the code page cannot hold");
        }
    }
    return out;
}

std::string Latin1CodePage::fromAnsi(std::string_view ansi) const
{
    std::string out;
    for (char ch : ansi) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string ScriptedFolderDialog::chooseFolder(const std::string& prompt)
{
    prompts.push_back(prompt);
    if (answers.empty())
        return {};
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
}

} // namespace tarnwell::test
