#include "platform/runlog.h"

#include "platform/error.h"
#include "platform/printable.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace tarnwell {

namespace {

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
std::int64_t daysSinceEpoch(int year, int month, int day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::int64_t secondsOf(const LocalDateTime& when)
{
    return daysSinceEpoch(when.year, when.month, when.day) * 86400 + when.hour * 3600 +
           when.minute * 60 + when.second;
}

std::string timestamp(const LocalDateTime& when)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", when.year, when.month,
                  when.day, when.hour, when.minute, when.second);
    return text;
}

} // namespace

RunLog::RunLog(LogFile& file, const Clock& clock, FailureHandler onFailure, std::string path)
    : m_file(file), m_clock(clock), m_onFailure(std::move(onFailure)), m_path(std::move(path))
{
}

void RunLog::begin(const std::string& command, const std::string& trigger, bool rotate)
{
    m_failed = false;
    m_started = m_clock.now();
    try {
        if (rotate && m_file.size(m_path) >= kRunLogLimit)
            m_file.rename(m_path, m_path + ".1");
    } catch (const std::exception&) {
        // A log that cannot be rotated grows on; the append below says when it cannot.
    }
    append(header(command, trigger));
}

void RunLog::refused(const std::string& command, const std::string& trigger,
                     const std::string& reason)
{
    m_failed = false;
    m_started = m_clock.now();
    appendLines({header(command, trigger), std::string(kRunLogRefusal) + reason, ""});
}

std::string RunLog::header(const std::string& command, const std::string& trigger) const
{
    return std::string(kRunLogBlockStart) + timestamp(m_started) + " " + command + ", started by " +
           trigger;
}

void RunLog::write(const std::string& label, const std::string& text)
{
    append(label + ": " + text);
}

void RunLog::end()
{
    // The clock is the wall clock; a change of time during the run must not give a negative.
    const std::int64_t seconds =
        std::max<std::int64_t>(0, secondsOf(m_clock.now()) - secondsOf(m_started));
    append("Duration: " + std::to_string(seconds) + " s");
    append("");
}

void RunLog::appendLines(const std::vector<std::string>& lines)
{
    if (m_failed)
        return;
    std::string text;
    for (const std::string& line : lines)
        text += printable(line) + "\n";
    try {
        m_file.append(m_path, text);
    } catch (const std::exception& error) {
        m_failed = true;
        if (m_onFailure)
            m_onFailure("cannot write the run log " + m_path + ": " +
                        errorReport(toRuntimeError(error)));
    }
}

RunLogBlock::RunLogBlock(const Services& services, const std::string& command,
                         const std::string& trigger, bool rotate)
    : m_log(services.runLog),
      m_shownBy(services.messageBox), m_services{services.fileSystem,
                                                 services.network,
                                                 services.clock,
                                                 services.codePage,
                                                 m_log ? static_cast<MessageBox&>(*this)
                                                       : services.messageBox,
                                                 services.runLog}
{
    if (m_log)
        m_log->begin(command, trigger, rotate);
}

RunLogBlock::~RunLogBlock()
{
    if (m_log)
        m_log->end();
}

void RunLogBlock::write(const std::string& label, const std::string& text)
{
    if (m_log)
        m_log->write(label, text);
}

void RunLogBlock::show(const std::string& text, const std::string& title, MessageIcon icon)
{
    // Recorded first: a message box waits for the user, and the program may end meanwhile.
    write("Message", text);
    m_shownBy.show(text, title, icon);
}

} // namespace tarnwell
