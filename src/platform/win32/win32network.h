#pragma once

#include "platform/network.h"

namespace tarnwell::win32 {

// Network drive connections through the Windows networking library (mpr).
class Win32Network : public Network
{
public:
    int connect(const std::string& localName, const std::string& remoteName,
                const std::string& userName, const std::string& password, bool remember) override;
    int cancel(const std::string& localName, bool forget, bool force) override;
    int lastError() const override { return m_lastError; }
    std::string errorText(int number) const override;

private:
    int m_lastError = 0;
    std::string m_providerText; // what the network provider said about ERROR_EXTENDED_ERROR
};

} // namespace tarnwell::win32
