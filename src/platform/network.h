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
    // The system's own text for one of these error numbers, without a line end, so that a
    // refused connection can say what to mend; empty when there is none.
    virtual std::string errorText(int number) const
    {
        (void)number;
        return {};
    }
};

} // namespace tarnwell
