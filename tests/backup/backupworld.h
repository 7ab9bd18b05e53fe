#pragma once

#include "backup/startbackup.h"
#include "config/settings.h"
#include "support/testworld.h"

#include <cstdint>
#include <string>

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

} // namespace tarnwell::test
