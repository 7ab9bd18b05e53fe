#include "config/settings.h"

#include "config/datafile.h"

namespace tarnwell {

namespace {

constexpr int kFirstSource = 1;
constexpr int kFirstTarget = 11;
constexpr int kFirstUncPath = 31;
constexpr int kFirstDrive = 41;
constexpr int kFirstUserName = 51;
constexpr int kFirstPassword = 61;

// The drive table's columns in the order they are stored.
struct DriveColumn
{
    int firstRecord;
    std::string DriveRow::*field;
};
constexpr DriveColumn kDriveColumns[] = {
    {kFirstUncPath, &DriveRow::uncPath},
    {kFirstDrive, &DriveRow::drive},
    {kFirstUserName, &DriveRow::userName},
    {kFirstPassword, &DriveRow::password},
};

} // namespace

FolderPairs readFolderPairs(FileSystem& fileSystem, const CodePage& codePage)
{
    DataFileReader file(fileSystem, codePage);
    FolderPairs pairs;
    for (int k = 0; k < kRowCount; ++k)
        pairs.sources[k] = file.readRecord(kFirstSource + k);
    for (int k = 0; k < kRowCount; ++k)
        pairs.targets[k] = file.readRecord(kFirstTarget + k);
    return pairs;
}

std::string readBackupTime(FileSystem& fileSystem, const CodePage& codePage)
{
    return DataFileReader(fileSystem, codePage).readRecord(kBackupTimeRecord);
}

DriveTable readDriveTable(FileSystem& fileSystem, const CodePage& codePage)
{
    DataFileReader file(fileSystem, codePage);
    DriveTable table;
    for (const DriveColumn& column : kDriveColumns) {
        for (int k = 0; k < kRowCount; ++k)
            table[k].*column.field = file.readRecord(column.firstRecord + k);
    }
    return table;
}

void saveFolderPairsAndTime(FileSystem& fileSystem, const CodePage& codePage,
                            const FolderPairs& pairs, const std::string& backupTime)
{
    DataFileWriter file(fileSystem, codePage);
    for (int k = 0; k < kRowCount; ++k)
        file.writeRecord(kFirstSource + k, pairs.sources[k]);
    for (int k = 0; k < kRowCount; ++k)
        file.writeRecord(kFirstTarget + k, pairs.targets[k]);
    file.writeRecord(kBackupTimeRecord, backupTime);
    file.commit();
}

void saveDriveTable(FileSystem& fileSystem, const CodePage& codePage, const DriveTable& table)
{
    DataFileWriter file(fileSystem, codePage);
    for (const DriveColumn& column : kDriveColumns) {
        for (int k = 0; k < kRowCount; ++k)
            file.writeRecord(column.firstRecord + k, table[k].*column.field);
    }
    file.commit();
}

std::string trimmedBlanks(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace tarnwell
