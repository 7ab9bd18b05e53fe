#include "platform/runlog.h"

#include "platform/error.h"
#include "platform/printable.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace tarnwell {

namespace {

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

void RunLog::begin(const std::string& command, const std::string& trigger, bool holdsLock)
{
    m_failed = false;
    m_holdsLock = holdsLock;
    m_started = m_clock.now();
    try {
        if (holdsLock && m_file.size(m_path) >= kRunLogLimit)
            m_file.rename(m_path, m_path + ".1");
    } catch (const std::exception&) {
        // A log that cannot be rotated grows on; the append below says when it cannot.
    }
    if (holdsLock)
        takeHeldBack();
    append(header(m_started, command, trigger));
}

void RunLog::refused(const std::string& command, const std::string& trigger,
                     const std::string& reason)
{
    // The running command's block, when it is this program's, keeps its own state.
    std::string block;
    for (const std::string& line : {header(m_clock.now(), command, trigger),
                                    std::string(kRunLogRefusal) + reason, std::string()})
        block += printable(line) + "\n";
    try {
        m_file.append(m_path + kHeldBackSuffix, block);
    } catch (const std::exception& error) {
        if (m_onFailure)
            m_onFailure("cannot write the run log " + m_path + kHeldBackSuffix + ": " +
                        errorReport(toRuntimeError(error)));
    }
}

void RunLog::takeHeldBack()
{
    // Renamed before it is read: a command refused meanwhile starts a new file, which the
    // next holder takes.
    const std::string heldBack = m_path + kHeldBackSuffix;
    const std::string taken = heldBack + ".taken";
    try {
        moveIntoLog(taken); // left by a holder that crashed while it took them in
        if (m_file.size(heldBack) == 0)
            return;
        m_file.rename(heldBack, taken);
        moveIntoLog(taken);
    } catch (const std::exception&) {
        // Left where they are for the next holder; the log's own appends say when it fails.
    }
}

void RunLog::moveIntoLog(const std::string& path)
{
    if (m_file.size(path) == 0)
        return;
    m_file.append(m_path, m_file.read(path));
    m_file.remove(path);
}

std::string RunLog::header(const LocalDateTime& started, const std::string& command,
                           const std::string& trigger)
{
    return std::string(kRunLogBlockStart) + timestamp(started) + " " + command + ", started by " +
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
        std::max<std::int64_t>(0, secondsSinceEpoch(m_clock.now()) - secondsSinceEpoch(m_started));
    append("Duration: " + std::to_string(seconds) + " s");
    append("");
    if (m_holdsLock)
        takeHeldBack();
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
                         const std::string& trigger, bool holdsLock)
    : m_log(services.runLog),
      m_shownBy(services.messageBox), m_services{services.fileSystem,
                                                 services.network,
                                                 services.clock,
                                                 services.codePage,
                                                 m_log ? static_cast<MessageBox&>(*this)
                                                       : services.messageBox,
                                                 services.runLog,
                                                 services.power}
{
    if (m_log)
        m_log->begin(command, trigger, holdsLock);
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
