#include "platform/error.h"

#include <new>
#include <utility>

namespace tarnwell {

std::string errorDescription(int number)
{
    switch (number) {
    case 5:
        return "Invalid procedure call or argument";
    case 6:
        return "Overflow";
    case 7:
        return "Out of memory";
    case 9:
        return "Subscript out of range";
    case 13:
        return "Type mismatch";
    case 51:
        return "Internal error";
    case 52:
        return "Bad file name or number";
    case 53:
        return "File not found";
    case 54:
        return "Bad file mode";
    case 55:
        return "File already open";
    case 57:
        return "Device I/O error";
    case 58:
        return "File already exists";
    case 59:
        return "Bad record length";
    case 61:
        return "Disk full";
    case 62:
        return "Input past end of file";
    case 63:
        return "Bad record number";
    case 67:
        return "Too many files";
    case 68:
        return "Device unavailable";
    case 70:
        return "Permission denied";
    case 71:
        return "Disk not ready";
    case 74:
        return "Can't rename with different drive";
    case 75:
        return "Path/File access error";
    case 76:
        return "Path not found";
    default:
        return "Application-defined or object-defined error";
    }
}

RuntimeError::RuntimeError(int number) : RuntimeError(number, errorDescription(number)) {}

RuntimeError::RuntimeError(int number, std::string description)
    : m_number(number), m_description(std::move(description))
{
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
