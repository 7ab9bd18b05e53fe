#pragma once

#include <exception>
#include <string>
#include <string_view>

namespace tarnwell {

// The run-time error numbers that the program raises and keys on. Each has its description in
// the one table of error.cpp.
namespace ErrorNumber {
constexpr int InvalidProcedureCall = 5;
constexpr int OutOfMemory = 7;
constexpr int InternalError = 51;
constexpr int BadFileName = 52;
constexpr int FileNotFound = 53;
constexpr int FileInUse = 55; // another program holds it and lets no one else read it
constexpr int DeviceIo = 57;
constexpr int FileAlreadyExists = 58;
constexpr int BadRecordLength = 59;
constexpr int DiskFull = 61;
constexpr int BadRecordNumber = 63;
constexpr int TooManyFiles = 67;
constexpr int DeviceUnavailable = 68;
constexpr int PermissionDenied = 70;
constexpr int DiskNotReady = 71;
constexpr int PathFileAccessError = 75;
constexpr int PathNotFound = 76;
constexpr int PathTooLong = 77; // longer than the platform allows: not a bad name, skipped alone
} // namespace ErrorNumber

// The classic description of a run-time error number, or a generic text for an unknown one.
std::string errorDescription(int number);
// True for the numbers of the table above, which the program raises and keys on.
bool isProgramErrorNumber(int number);

// The one exception type of the program: every failure carries a number and a description,
// and may name the file or folder it concerns. The path is for logs and the command line; the
// window's texts are built from the number and description alone.
class RuntimeError : public std::exception
{
public:
    explicit RuntimeError(int number);
    RuntimeError(int number, std::string description);

    int number() const noexcept { return m_number; }
    const std::string& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_description.c_str(); }

    const std::string& path() const noexcept { return m_path; }
    // Names the path unless a deeper layer has already named a more precise one.
    RuntimeError& concerning(std::string path);

private:
    int m_number;
    std::string m_description;
    std::string m_path;
};

// "number description[suffix]": the text of every error report.
std::string errorReport(int number, std::string_view description, std::string_view suffix = {});
std::string errorReport(const RuntimeError& error, std::string_view suffix = {});
// The report followed by the path the error concerns, when it names one: "61 Disk full: D:\x".
std::string errorReportWithPath(const RuntimeError& error);

// Turns any exception into a run-time error, so that an error trap can report it.
RuntimeError toRuntimeError(const std::exception& error);

} // namespace tarnwell
