#pragma once

#include <string>

namespace tarnwell {

// Network drive connections. Both calls return 0 or the platform's error number.
class Network
{
public:
    virtual ~Network() = default;

    // localName is a drive letter and ":"; remember makes the connection come back at logon.
    virtual int connect(const std::string& localName, const std::string& remoteName,
                        const std::string& userName, const std::string& password,
                        bool remember) = 0;
    // forget also removes a remembered connection; force breaks one with open files.
    virtual int cancel(const std::string& localName, bool forget, bool force) = 0;
    // The error number of the last call, 0 after a success.
    virtual int lastError() const = 0;
};

} // namespace tarnwell
