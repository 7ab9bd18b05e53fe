#pragma once

#include "platform/win32/winapi.h"

#include <string>

namespace tarnwell::win32 {

// A protected DACL with one entry: full access for the user who writes the file.
class OwnerOnlySecurity
{
public:
    OwnerOnlySecurity();
    ~OwnerOnlySecurity();
    OwnerOnlySecurity(const OwnerOnlySecurity&) = delete;
    OwnerOnlySecurity& operator=(const OwnerOnlySecurity&) = delete;

    SECURITY_ATTRIBUTES* attributes() { return &m_attributes; }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
    SECURITY_ATTRIBUTES m_attributes{};
};

// The two ways a save puts its new file in place, as virtual calls so that tests see which one
// a save makes; the program uses them as they are.
class PlaceCalls
{
public:
    virtual ~PlaceCalls() = default;
    // ReplaceFileW: the new file takes the old one's place, and with it the old one's access
    // list and attributes. Both files closed.
    virtual bool replaceFile(const std::wstring& replaced, const std::wstring& replacement);
    // MoveFileExW, written through: the new file moves to a name where no file is.
    virtual bool moveFile(const std::wstring& from, const std::wstring& to);
};

// Replaces the content of the file at longPath in one atomic step: the content goes to a new
// file beside it, is flushed, and the new file then takes the old one's place. On any failure
// the old file is left as it was and the new one removed. A read-only file or a folder in the
// way gives 70. A file saved for the first time is readable and writable by its owner only, as
// is the new one while it is written; an existing file keeps the access list and the
// attributes it had (ReplaceFileW carries them over). The new ones of earlier saves that were
// killed are removed first; a live one never.
void replaceFileContent(const std::wstring& longPath, const std::string& content);
void replaceFileContent(const std::wstring& longPath, const std::string& content,
                        PlaceCalls& calls);

} // namespace tarnwell::win32
