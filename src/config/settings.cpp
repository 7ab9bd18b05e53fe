#include "config/settings.h"

#include "config/datafile.h"
#include "platform/error.h"

#include <vector>

namespace tarnwell {

namespace {

constexpr int kFirstSource = kFirstSourceRecord;
constexpr int kFirstTarget = kFirstTargetRecord;
constexpr int kFirstUncPath = 31;
constexpr int kFirstDrive = 41;
constexpr int kFirstUserName = 51;
constexpr int kFirstPassword = 61;

// The drive table's columns in the order they are stored.
struct DriveColumn
{
    int firstRecord;
    std::string DriveRow::*field;
    const char* name;
};
constexpr DriveColumn kDriveColumns[] = {
    {kFirstUncPath, &DriveRow::uncPath, "UNC path"},
    {kFirstDrive, &DriveRow::drive, "drive letter"},
    {kFirstUserName, &DriveRow::userName, "user name"},
    {kFirstPassword, &DriveRow::password, "password"},
};

constexpr int kLastPassword = kFirstPassword + kRowCount - 1;

bool isUsedRecord(int n)
{
    return (n >= kFirstSource && n <= kKeepDaysRecord) ||
           (n >= kFirstUncPath && n <= kLastPassword);
}

// 59, saying which record is damaged and what it holds.
RuntimeError badRecord(int n)
{
    return RuntimeError(ErrorNumber::BadRecordLength,
                        errorDescription(ErrorNumber::BadRecordLength) + " (" + recordName(n) +
                            ")");
}

// Records first..last. A file cut short inside any record that some reader uses is damaged for
// every reader alike (59), whichever of its records this reader needs.
std::vector<std::string> readRecords(FileSystem& fileSystem, const CodePage& codePage, int first,
                                     int last, std::vector<int>* invalid = nullptr)
{
    std::uint64_t size = 0;
    std::vector<std::string> texts;
    try {
        texts = DataFileReader(fileSystem, codePage).readRecords(first, last, &size, invalid);
    } catch (const BadRecordError& error) {
        throw badRecord(error.record());
    }
    const int cut = static_cast<int>(size / kRecordLength) + 1;
    if (size % kRecordLength != 0 && isUsedRecord(cut))
        throw badRecord(cut);
    return texts;
}

} // namespace

FolderPairs readFolderPairs(FileSystem& fileSystem, const CodePage& codePage)
{
    FolderPairs pairs;
    const std::vector<std::string> texts = readRecords(
        fileSystem, codePage, kFirstSource, kFirstTarget + kRowCount - 1, &pairs.invalidRecords);
    for (int k = 0; k < kRowCount; ++k) {
        pairs.sources[k] = texts[kFirstSource - 1 + k];
        pairs.targets[k] = texts[kFirstTarget - 1 + k];
    }
    return pairs;
}

std::string readBackupTime(FileSystem& fileSystem, const CodePage& codePage)
{
    return trimmedBlanks(
        readRecords(fileSystem, codePage, kBackupTimeRecord, kBackupTimeRecord).front());
}

std::string readKeepDaysText(FileSystem& fileSystem, const CodePage& codePage)
{
    return trimmedBlanks(
        readRecords(fileSystem, codePage, kKeepDaysRecord, kKeepDaysRecord).front());
}

std::optional<int> parseKeepDays(const std::string& text)
{
    if (text.empty())
        return kDefaultKeepDays;
    if (text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int days = std::stoi(text);
    if (days > kMaxKeepDays)
        return std::nullopt;
    return days;
}

DriveTable readDriveTable(FileSystem& fileSystem, const CodePage& codePage)
{
    const std::vector<std::string> texts =
        readRecords(fileSystem, codePage, kFirstUncPath, kLastPassword);
    DriveTable table;
    for (const DriveColumn& column : kDriveColumns) {
        for (int k = 0; k < kRowCount; ++k)
            table[k].*column.field = texts[column.firstRecord - kFirstUncPath + k];
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

void saveKeepDays(FileSystem& fileSystem, const CodePage& codePage, int days)
{
    if (days < 0 || days > kMaxKeepDays)
        throw RuntimeError(ErrorNumber::InvalidProcedureCall,
                           "keep-days must be a whole number from 0 to " +
                               std::to_string(kMaxKeepDays));
    DataFileWriter file(fileSystem, codePage);
    file.writeRecord(kKeepDaysRecord, std::to_string(days));
    file.commit();
}

std::string recordName(int n)
{
    const auto row = [n](int first) { return std::to_string(n - first + 1); };
    std::string meaning = "a record no one uses";
    if (n >= kFirstSource && n < kFirstTarget)
        meaning = "the source of folder pair " + row(kFirstSource);
    else if (n >= kFirstTarget && n < kBackupTimeRecord)
        meaning = "the target of folder pair " + row(kFirstTarget);
    else if (n == kBackupTimeRecord)
        meaning = "the backup time";
    else if (n == kKeepDaysRecord)
        meaning = "the days versions are kept";
    for (const DriveColumn& column : kDriveColumns) {
        if (n >= column.firstRecord && n < column.firstRecord + kRowCount)
            meaning =
                std::string("the ") + column.name + " of drive row " + row(column.firstRecord);
    }
    return "record " + std::to_string(n) + ", " + meaning;
}

std::string trimmedBlanks(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace tarnwell
