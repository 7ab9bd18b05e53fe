#pragma once

#include "platform/network.h"

namespace tarnwell::posix {

// There are no network drive letters here: every connection is refused as not supported, and
// there is never a connection to cancel.
class PosixNetwork : public Network
{
public:
    // The numbers the Windows networking layer gives for the same situations.
    static constexpr int kNotSupported = 50;
    static constexpr int kNotConnected = 2250;

    int connect(const std::string& localName, const std::string& remoteName,
                const std::string& userName, const std::string& password, bool remember) override;
    int cancel(const std::string& localName, bool forget, bool force) override;
    int lastError() const override { return m_lastError; }
    std::string errorText(int number) const override;

private:
    int m_lastError = 0;
};

} // namespace tarnwell::posix
