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

// Replaces the content of the file at longPath in one atomic step: the content goes to a new
// file beside it, which then takes the old one's place. On any failure the old file is left as
// it was and the new one removed. A read-only file or a folder in the way gives 70. The file
// is readable and writable by its owner only, and so is the new one while it exists. The new
// ones of earlier saves that were killed are removed first; a live one never.
void replaceFileContent(const std::wstring& longPath, const std::string& content);

} // namespace tarnwell::win32
