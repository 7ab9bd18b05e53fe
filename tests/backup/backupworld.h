#pragma once

#include "backup/startbackup.h"
#include "config/settings.h"
#include "support/testworld.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tarnwell::test {

// A workstation with a source tree C:\Data\Docs (a.txt, Sub\b.txt), a second disk D: holding
// the folder D:\Backup, and a Config.dat written from the pairs and drive rows a test sets.
class BackupWorld : public TestWorld
{
public:
    BackupWorld()
    {
        fileSystem.addDrive('D');
        fileSystem.addFile("C:\\Data\\Docs\\a.txt", "alpha");
        fileSystem.addFile("C:\\Data\\Docs\\Sub\\b.txt", "beta!");
        fileSystem.addFolder("D:\\Backup");
    }

    void setPair(int row, const std::string& source, const std::string& target)
    {
        pairs.sources[row - 1] = source;
        pairs.targets[row - 1] = target;
    }
    void setDrive(int row, const DriveRow& drive) { drives[row - 1] = drive; }

    // Writes Config.dat and forgets the probes and changes made so far.
    void writeConfig()
    {
        saveFolderPairsAndTime(fileSystem, codePage, pairs, "1:05:00 PM");
        saveDriveTable(fileSystem, codePage, drives);
        fileSystem.clearRecords();
    }

    FolderPairs pairs;
    DriveTable drives;
};

// Passes everything to the in-memory file system, counts the folder copies started, and
// answers probes of the paths in probeAliases as probes of what they stand for.
class ForwardingFileSystem : public FileSystem
{
public:
    explicit ForwardingFileSystem(FileSystem& inner) : m_inner(inner) {}

    PathStyle pathStyle() const override { return m_inner.pathStyle(); }
    std::string probe(const std::string& path, int mask) override
    {
        const auto alias = probeAliases.find(path);
        return m_inner.probe(alias == probeAliases.end() ? path : alias->second, mask);
    }
    std::string next() override { return m_inner.next(); }
    int attributes(const std::string& path) override { return m_inner.attributes(path); }
    void setAttributes(const std::string& path, int attributes) override
    {
        m_inner.setAttributes(path, attributes);
    }
    void makeDirectory(const std::string& path) override { m_inner.makeDirectory(path); }
    CopyPrimitives& copyPrimitives() override
    {
        ++copies;
        return m_inner.copyPrimitives();
    }
    std::string readFile(const std::string& path) override { return m_inner.readFile(path); }
    FileRange readFileRange(const std::string& path, std::uint64_t offset, std::size_t length,
                            std::uint64_t maxSize) override
    {
        return m_inner.readFileRange(path, offset, length, maxSize);
    }
    std::unique_ptr<FileReader> openForReading(const std::string& path) override
    {
        return m_inner.openForReading(path);
    }
    std::string currentDirectory() override { return m_inner.currentDirectory(); }
    void writeFileAtomically(const std::string& path, const std::string& content) override
    {
        m_inner.writeFileAtomically(path, content);
    }
    std::unique_ptr<FileLock> tryLockFile(const std::string& path) override
    {
        return m_inner.tryLockFile(path);
    }

    int copies = 0;
    std::map<std::string, std::string> probeAliases;

private:
    FileSystem& m_inner;
};

} // namespace tarnwell::test
