#pragma once

#include "platform/network.h"
#include "support/memoryfilesystem.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace tarnwell::test {

// Network shares in memory. A connected share shows up in the MemoryFileSystem under its drive
// letter. Every call is recorded with its arguments; refusals can be scripted by number.
class MemoryNetwork : public Network
{
public:
    // The Windows numbers the real networking layer answers with.
    static constexpr int kAccessDenied = 5;
    static constexpr int kBadNetPath = 53;
    static constexpr int kBadNetName = 67;
    static constexpr int kAlreadyAssigned = 85;
    static constexpr int kInvalidPassword = 86;
    static constexpr int kSessionCredentialConflict = 1219;
    static constexpr int kLogonFailure = 1326;
    static constexpr int kNotConnected = 2250;

    struct Call
    {
        std::string function; // "connect" or "cancel"
        std::string localName;
        std::string remoteName;
        std::string userName;
        std::string password;
        bool remember = false; // connect: remember; cancel: forget
        bool force = false;
    };

    explicit MemoryNetwork(MemoryFileSystem& fileSystem) : m_fileSystem(fileSystem) {}

    // A share that exists on the network; its files live in the MemoryFileSystem.
    void addShare(const std::string& uncRoot);
    // The next connect of localName (or every one, times = -1) fails with number.
    void refuseConnect(const std::string& localName, int number, int times = -1);
    void refuseCancel(const std::string& localName, int number, int times = -1);
    // The next connect or cancel of localName raises run-time error number instead of
    // answering, as when the networking library cannot be loaded.
    void raiseOnNextCall(const std::string& localName, int number);

    const std::vector<Call>& calls() const { return m_calls; }
    // Connections that come back at the next logon: local name -> remote name.
    const std::map<std::string, std::string>& remembered() const { return m_remembered; }
    const std::map<std::string, std::string>& connections() const { return m_connections; }

    int connect(const std::string& localName, const std::string& remoteName,
                const std::string& userName, const std::string& password, bool remember) override;
    int cancel(const std::string& localName, bool forget, bool force) override;
    int lastError() const override { return m_lastError; }
    // The English texts Windows gives for connections refused so; empty for any other.
    std::string errorText(int number) const override;

private:
    int finish(int number);
    void raiseIfScripted(const std::string& localName);
    static bool takeRefusal(std::map<std::string, std::pair<int, int>>& refusals,
                            const std::string& key, int& number);

    MemoryFileSystem& m_fileSystem;
    std::set<std::string> m_shares;                               // upper-case roots
    std::map<std::string, std::pair<int, int>> m_connectRefusals; // name -> number, times
    std::map<std::string, std::pair<int, int>> m_cancelRefusals;
    std::map<std::string, std::string> m_connections; // "X:" -> remote name
    std::map<std::string, std::string> m_remembered;
    std::vector<Call> m_calls;
    std::map<std::string, int> m_raises; // upper-case local name -> run-time error number
    int m_lastError = 0;
};

} // namespace tarnwell::test
