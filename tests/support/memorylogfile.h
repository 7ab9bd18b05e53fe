#pragma once

#include "platform/error.h"
#include "platform/logfile.h"
#include "support/memoryfilesystem.h"

namespace tarnwell::test {

// The log service on the in-memory file system, so that what is appended can be read back
// through it. A renamed or removed file leaves an empty one behind, which reads as none.
// Every call fails with failWith when it is not 0.
class MemoryLogFile : public LogFile
{
public:
    explicit MemoryLogFile(MemoryFileSystem& fileSystem) : m_fileSystem(fileSystem) {}

    void append(const std::string& path, const std::string& text) override
    {
        check();
        m_fileSystem.addFile(path, content(path) + text);
    }
    std::uint64_t size(const std::string& path) override
    {
        check();
        return content(path).size();
    }
    void rename(const std::string& from, const std::string& to) override
    {
        check();
        m_fileSystem.addFile(to, content(from));
        m_fileSystem.addFile(from, "");
    }
    std::string read(const std::string& path) override
    {
        check();
        return content(path);
    }
    void remove(const std::string& path) override
    {
        check();
        m_fileSystem.addFile(path, "");
    }

    std::string content(const std::string& path) const
    {
        return m_fileSystem.exists(path) ? m_fileSystem.contentOf(path) : std::string();
    }

    int failWith = 0;

private:
    void check() const
    {
        if (failWith != 0)
            throw RuntimeError(failWith);
    }

    MemoryFileSystem& m_fileSystem;
};

} // namespace tarnwell::test
