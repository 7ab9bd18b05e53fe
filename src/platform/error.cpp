#include "platform/error.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <utility>

namespace tarnwell {

namespace {

struct ErrorText
{
    int number;
    std::string_view description;
};

// Every number the program raises, with its classic description.
constexpr ErrorText kErrorTexts[] = {
    {ErrorNumber::InvalidProcedureCall, "Invalid procedure call or argument"},
    {ErrorNumber::OutOfMemory, "Out of memory"},
    {ErrorNumber::InternalError, "Internal error"},
    {ErrorNumber::BadFileName, "Bad file name or number"},
    {ErrorNumber::FileNotFound, "File not found"},
    {ErrorNumber::FileInUse, "In use by another program"},
    {ErrorNumber::DeviceIo, "Device I/O error"},
    {ErrorNumber::FileAlreadyExists, "File already exists"},
    {ErrorNumber::BadRecordLength, "Bad record length"},
    {ErrorNumber::DiskFull, "Disk full"},
    {ErrorNumber::BadRecordNumber, "Bad record number"},
    {ErrorNumber::TooManyFiles, "Too many files"},
    {ErrorNumber::DeviceUnavailable, "Device unavailable"},
    {ErrorNumber::PermissionDenied, "Permission denied"},
    {ErrorNumber::DiskNotReady, "Disk not ready"},
    {ErrorNumber::PathFileAccessError, "Path/File access error"},
    {ErrorNumber::PathNotFound, "Path not found"},
    {ErrorNumber::PathTooLong, "Path too long"},
};

} // namespace

std::string errorDescription(int number)
{
    const auto found =
        std::find_if(std::begin(kErrorTexts), std::end(kErrorTexts),
                     [number](const ErrorText& text) { return text.number == number; });
    if (found == std::end(kErrorTexts))
        return "Application-defined or object-defined error";
    return std::string(found->description);
}

bool isProgramErrorNumber(int number)
{
    return std::any_of(std::begin(kErrorTexts), std::end(kErrorTexts),
                       [number](const ErrorText& text) { return text.number == number; });
}

RuntimeError::RuntimeError(int number) : RuntimeError(number, errorDescription(number)) {}

RuntimeError::RuntimeError(int number, std::string description)
    : m_number(number), m_description(std::move(description))
{
}

RuntimeError& RuntimeError::concerning(std::string path)
{
    if (m_path.empty())
        m_path = std::move(path);
    return *this;
}

std::string errorReport(int number, std::string_view description, std::string_view suffix)
{
    std::string text = std::to_string(number);
    text += ' ';
    text += description;
    text += suffix;
    return text;
}

std::string errorReport(const RuntimeError& error, std::string_view suffix)
{
    return errorReport(error.number(), error.description(), suffix);
}

std::string errorReportWithPath(const RuntimeError& error)
{
    if (error.path().empty())
        return errorReport(error);
    return errorReport(error, ": " + error.path());
}

RuntimeError toRuntimeError(const std::exception& error)
{
    if (const auto* runtime = dynamic_cast<const RuntimeError*>(&error))
        return *runtime;
    if (dynamic_cast<const std::bad_alloc*>(&error))
        return RuntimeError(ErrorNumber::OutOfMemory);
    return RuntimeError(ErrorNumber::InternalError,
                        errorDescription(ErrorNumber::InternalError) + ": " + error.what());
}

} // namespace tarnwell
