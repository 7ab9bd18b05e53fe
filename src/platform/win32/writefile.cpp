#include "platform/win32/writefile.h"

#include "platform/error.h"
#include "platform/foldercopy.h"
#include "platform/win32/handles.h"
#include "platform/win32/longpath.h"
#include "platform/win32/widetext.h"
#include "platform/win32/win32error.h"
#include "platform/win32/winapi.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <sddl.h>
#include <string_view>
#include <vector>

namespace tarnwell::win32 {

namespace {

// The SID of the user this process runs as, in its text form.
std::wstring currentUserSid()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        throw lastWin32Error(Subject::File);
    FileHandle tokenCloser(token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size))
        throw lastWin32Error(Subject::File);
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text))
        throw lastWin32Error(Subject::File);
    std::wstring sid = text;
    LocalFree(text);
    return sid;
}

// A protected DACL with one entry: full access for the user who writes the file.
class OwnerOnlySecurity
{
public:
    OwnerOnlySecurity()
    {
        const std::wstring sddl = L"D:P(A;;FA;;;" + currentUserSid() + L")";
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                  &m_descriptor, nullptr))
            throw lastWin32Error(Subject::File);
        m_attributes.nLength = sizeof m_attributes;
        m_attributes.lpSecurityDescriptor = m_descriptor;
        m_attributes.bInheritHandle = FALSE;
    }
    ~OwnerOnlySecurity() { LocalFree(m_descriptor); }
    OwnerOnlySecurity(const OwnerOnlySecurity&) = delete;
    OwnerOnlySecurity& operator=(const OwnerOnlySecurity&) = delete;

    SECURITY_ATTRIBUTES* attributes() { return &m_attributes; }

private:
    PSECURITY_DESCRIPTOR m_descriptor = nullptr;
    SECURITY_ATTRIBUTES m_attributes{};
};

// Named like the folder copy's temporary files, so that one left behind by a crash is never
// copied as a file of the user.
std::wstring tempPathBeside(const std::wstring& longPath)
{
    static std::atomic<std::uint64_t> counter{0};
    const std::uint64_t unique =
        (std::uint64_t{GetCurrentProcessId()} << 32) ^ (GetTickCount64() << 12) ^ ++counter;
    return parentOfLongPath(longPath) + L"\\" + toWide(copyTempName(unique));
}

void writeAll(HANDLE file, std::string_view content)
{
    while (!content.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(content.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, content.data(), chunk, &written, nullptr))
            throw lastWin32Error(Subject::File);
        content.remove_prefix(written);
    }
}

} // namespace

void replaceFileContent(const std::wstring& longPath, const std::string& content)
{
    // Checked here because Windows refuses to move over a read-only file, but Wine run as
    // root would not.
    const DWORD existing = GetFileAttributesW(longPath.c_str());
    if (existing != INVALID_FILE_ATTRIBUTES &&
        (existing & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        throw RuntimeError(ErrorNumber::PermissionDenied);

    const std::wstring temp = tempPathBeside(longPath);
    OwnerOnlySecurity security;
    FileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, security.attributes(), CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        throw lastWin32Error(Subject::File);
    try {
        writeAll(file.get(), content);
        if (!FlushFileBuffers(file.get()) || !file.close())
            throw lastWin32Error(Subject::File);
        if (!MoveFileExW(temp.c_str(), longPath.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            throw lastWin32Error(Subject::File);
    } catch (...) {
        file.close();
        DeleteFileW(temp.c_str());
        throw;
    }
}

} // namespace tarnwell::win32
