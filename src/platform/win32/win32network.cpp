#include "platform/win32/win32network.h"

#include "platform/win32/widetext.h"
#include "platform/win32/win32error.h"
#include "platform/win32/winapi.h"

#include <iterator>
#include <winnetwk.h>

namespace tarnwell::win32 {

namespace {

// An empty user name or password means "the logged-on user's own", which the networking
// library takes from a null pointer; an empty text would mean "no password at all".
const wchar_t* orNull(const std::wstring& text)
{
    return text.empty() ? nullptr : text.c_str();
}

// A password in wide form, wiped before its memory is given back.
class SecretText
{
public:
    explicit SecretText(const std::string& utf8) : m_text(toWide(utf8)) {}
    ~SecretText() { SecureZeroMemory(m_text.data(), m_text.size() * sizeof(wchar_t)); }
    SecretText(const SecretText&) = delete;
    SecretText& operator=(const SecretText&) = delete;

    const std::wstring& text() const { return m_text; }

private:
    std::wstring m_text;
};

} // namespace

int Win32Network::connect(const std::string& localName, const std::string& remoteName,
                          const std::string& userName, const std::string& password, bool remember)
{
    std::wstring local = toWide(localName);
    std::wstring remote = toWide(remoteName);
    const std::wstring user = toWide(userName);
    const SecretText secret(password);

    NETRESOURCEW resource{};
    resource.dwScope = RESOURCE_GLOBALNET;
    resource.dwType = RESOURCETYPE_DISK;
    resource.dwDisplayType = RESOURCEDISPLAYTYPE_SHARE;
    resource.dwUsage = RESOURCEUSAGE_CONNECTABLE;
    resource.lpLocalName = local.data();
    resource.lpRemoteName = remote.data();
    resource.lpComment = nullptr;
    resource.lpProvider = nullptr;

    // The result is the error number: not every implementation sets the thread's last error.
    const DWORD result = WNetAddConnection2W(&resource, orNull(secret.text()), orNull(user),
                                             remember ? CONNECT_UPDATE_PROFILE : 0);
    m_lastError = static_cast<int>(result);
    m_providerText.clear();
    if (result == ERROR_EXTENDED_ERROR) {
        // The provider keeps its own code and text; the system's text would only say so.
        DWORD code = 0;
        wchar_t text[512] = {};
        wchar_t provider[128] = {};
        if (WNetGetLastErrorW(&code, text, std::size(text), provider, std::size(provider)) ==
                NO_ERROR &&
            text[0] != L'\0')
            m_providerText = toUtf8(std::wstring(provider) + L": " + text);
    }
    return m_lastError;
}

std::string Win32Network::errorText(int number) const
{
    if (number == ERROR_EXTENDED_ERROR && !m_providerText.empty())
        return m_providerText;
    return systemMessage(static_cast<unsigned long>(number));
}

int Win32Network::cancel(const std::string& localName, bool forget, bool force)
{
    const std::wstring name = toWide(localName);
    const DWORD result = WNetCancelConnection2W(name.c_str(), forget ? CONNECT_UPDATE_PROFILE : 0,
                                                force ? TRUE : FALSE);
    m_lastError = static_cast<int>(result);
    return m_lastError;
}

} // namespace tarnwell::win32
