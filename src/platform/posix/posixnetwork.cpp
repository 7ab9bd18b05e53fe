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

} // namespace tarnwell::posix
