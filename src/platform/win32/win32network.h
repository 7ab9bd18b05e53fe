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

private:
    int m_lastError = 0;
};

} // namespace tarnwell::win32
