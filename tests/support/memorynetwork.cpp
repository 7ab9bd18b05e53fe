#include "support/memorynetwork.h"

#include "platform/error.h"
#include "support/text.h"

#include <algorithm>

namespace tarnwell::test {

namespace {

std::string shareKey(const std::string& remoteName)
{
    return upper(normalizePath(PathStyle::Windows, remoteName));
}

// "X:" alone, in any case, is a local name the layer accepts.
bool isLocalName(const std::string& name)
{
    return name.size() == 2 && driveLetterOf(name) != 0;
}

} // namespace

void MemoryNetwork::addShare(const std::string& uncRoot)
{
    m_fileSystem.addShare(uncRoot);
    m_shares.insert(shareKey(uncRoot));
}

void MemoryNetwork::refuseConnect(const std::string& localName, int number, int times)
{
    m_connectRefusals[upper(localName)] = {number, times};
}

void MemoryNetwork::refuseCancel(const std::string& localName, int number, int times)
{
    m_cancelRefusals[upper(localName)] = {number, times};
}

bool MemoryNetwork::takeRefusal(std::map<std::string, std::pair<int, int>>& refusals,
                                const std::string& key, int& number)
{
    auto it = refusals.find(key);
    if (it == refusals.end())
        return false;
    number = it->second.first;
    if (it->second.second > 0 && --it->second.second == 0)
        refusals.erase(it);
    return true;
}

void MemoryNetwork::raiseOnNextCall(const std::string& localName, int number)
{
    m_raises[upper(localName)] = number;
}

void MemoryNetwork::raiseIfScripted(const std::string& localName)
{
    auto it = m_raises.find(upper(localName));
    if (it == m_raises.end())
        return;
    const int number = it->second;
    m_raises.erase(it);
    throw RuntimeError(number);
}

int MemoryNetwork::finish(int number)
{
    m_lastError = number;
    return number;
}

int MemoryNetwork::connect(const std::string& localName, const std::string& remoteName,
                           const std::string& userName, const std::string& password, bool remember)
{
    m_calls.push_back({"connect", localName, remoteName, userName, password, remember, false});
    raiseIfScripted(localName);
    int refused = 0;
    if (takeRefusal(m_connectRefusals, upper(localName), refused))
        return finish(refused);
    if (!isLocalName(localName))
        return finish(kBadNetName);
    if (remoteName.empty() || !m_shares.count(shareKey(remoteName)))
        return finish(kBadNetName);
    if (m_fileSystem.hasDrive(localName[0]))
        return finish(kAlreadyAssigned);
    m_fileSystem.connectDrive(localName[0], remoteName);
    m_connections[upper(localName)] = remoteName;
    if (remember)
        m_remembered[upper(localName)] = remoteName;
    return finish(0);
}

int MemoryNetwork::cancel(const std::string& localName, bool forget, bool force)
{
    m_calls.push_back({"cancel", localName, {}, {}, {}, forget, force});
    raiseIfScripted(localName);
    int refused = 0;
    if (takeRefusal(m_cancelRefusals, upper(localName), refused))
        return finish(refused);
    const std::string key = upper(localName);
    // Only network connections can be cancelled; a local disk is "not connected".
    if (!isLocalName(localName) || !m_connections.count(key))
        return finish(kNotConnected);
    m_fileSystem.disconnectDrive(localName[0]);
    m_connections.erase(key);
    if (forget)
        m_remembered.erase(key);
    return finish(0);
}

std::string MemoryNetwork::errorText(int number) const
{
    static const std::map<int, std::string> texts = {
        {kBadNetPath, "The network path was not found."},
        {kBadNetName, "The network name cannot be found."},
        {kAlreadyAssigned, "The local device name is already in use."},
        {kInvalidPassword, "The specified network password is not correct."},
        {kSessionCredentialConflict,
         "Multiple connections to a server or shared resource by the same user, using more than "
         "one user name, are not allowed."},
        {kLogonFailure, "The user name or password is incorrect."},
    };
    const auto found = texts.find(number);
    return found == texts.end() ? std::string() : found->second;
}

} // namespace tarnwell::test
