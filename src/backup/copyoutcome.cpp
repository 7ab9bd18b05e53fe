#include "backup/copyoutcome.h"

#include <algorithm>

namespace tarnwell {

FailureKind failureKind(const RuntimeError& error)
{
    switch (error.number()) {
    case ErrorNumber::PathNotFound:
        return FailureKind::Missing;
    case ErrorNumber::BadFileName:
    case ErrorNumber::FileNotFound:
    case ErrorNumber::FileInUse:
    case ErrorNumber::FileAlreadyExists:
    case ErrorNumber::PermissionDenied:
    case ErrorNumber::PathFileAccessError:
    case ErrorNumber::PathTooLong:
        return FailureKind::OfThatEntry;
    default:
        return FailureKind::Unexpected;
    }
}

const CopyFailure& leadingFailure(const std::vector<CopyFailure>& failures)
{
    return *std::min_element(failures.begin(), failures.end(),
                             [](const CopyFailure& a, const CopyFailure& b) {
                                 const FailureKind kindA = failureKind(a.error);
                                 const FailureKind kindB = failureKind(b.error);
                                 if (kindA != kindB)
                                     return kindA > kindB;
                                 return a.entry < b.entry;
                             });
}

std::string copyFailureFragment(const CopyFailure& leading, const std::string& source,
                                const std::string& target)
{
    // Path not found keeps the run's own text; a description from the platform may differ.
    const std::string what = failureKind(leading.error) == FailureKind::Missing
                                 ? errorDescription(ErrorNumber::PathNotFound)
                                 : leading.error.description();
    return ", " + what + " (" + source + " " + target;
}

std::string copyNoteText(const CopyNote& note)
{
    switch (note.kind) {
    case CopyNote::Kind::TempName:
        return note.path + " was not copied: its name is that of a temporary file of the copy";
    case CopyNote::Kind::SystemLink:
        return note.path + " was not followed: a hidden, system link that Windows keeps for "
                           "older programs";
    case CopyNote::Kind::OnlineOnly:
        return note.path + " was left out: it is online-only, and copying it would download it";
    case CopyNote::Kind::Special:
        return note.path + " was not copied: it is " + note.what;
    case CopyNote::Kind::LinkLoop:
        return note.path + " was not entered: it leads back to a folder being copied";
    }
    return note.path;
}

} // namespace tarnwell
