#include "platform/posix/posixnetwork.h"

namespace tarnwell::posix {

int PosixNetwork::connect(const std::string&, const std::string&, const std::string&,
                          const std::string&, bool)
{
    m_lastError = kNotSupported;
    return m_lastError;
}

int PosixNetwork::cancel(const std::string&, bool, bool)
{
    m_lastError = kNotConnected;
    return m_lastError;
}

std::string PosixNetwork::errorText(int number) const
{
    switch (number) {
    case kNotSupported:
        return "The request is not supported: drive letters exist only on Windows; mount the "
               "share and use its path.";
    case kNotConnected:
        return "This network connection does not exist.";
    default:
        return {};
    }
}

} // namespace tarnwell::posix
