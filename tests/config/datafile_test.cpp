#include "config/datafile.h"
#include "config/settings.h"
#include "platform/error.h"
#include "support/testworld.h"

#include <gtest/gtest.h>

namespace tarnwell {
namespace {

using test::MemoryFileSystem;

class DataFileTest : public ::testing::Test
{
protected:
    std::string bytes() { return world.fileSystem.contentOf("C:\\Work\\Config.dat"); }
    void writeRecords(const std::map<int, std::string>& records)
    {
        DataFileWriter writer(world.fileSystem, world.codePage);
        for (const auto& [n, text] : records)
            writer.writeRecord(n, text);
        writer.commit();
    }
    std::string readRecord(int n)
    {
        return DataFileReader(world.fileSystem, world.codePage).readRecord(n);
    }
    int errorNumberOf(const std::function<void()>& action)
    {
        try {
            action();
        } catch (const RuntimeError& error) {
            return error.number();
        }
        return 0;
    }

    test::TestWorld world;
};

TEST_F(DataFileTest, WorkedExampleHoldsByteForByte)
{
    writeRecords({{11, "D:\\Backup"}, {12, ""}});
    const std::string file = bytes();
    ASSERT_EQ(file.size(), 12u * 255);
    const std::string expected("\x09\x00"
                               "D:\\Backup",
                               11);
    EXPECT_EQ(file.substr(2550, 11), expected);
    EXPECT_EQ(file.substr(2805, 2), std::string("\0\0", 2));
    // Never-written records before it read as a zero-filled gap.
    EXPECT_EQ(file.substr(0, 2550), std::string(2550, '\0'));
    EXPECT_EQ(readRecord(11), "D:\\Backup");
    EXPECT_EQ(readRecord(12), "");
    EXPECT_EQ(readRecord(1), "");
}

TEST_F(DataFileTest, TextsSurviveUnchangedUpToTheLimit)
{
    const std::string longest(253, 'x');
    const std::string padded = "  1:00:00 AM ";
    const std::string accented = "C:\\Donn\xC3\xA9"
                                 "es"; // UTF-8 é is one Latin-1 byte
    writeRecords({{1, longest}, {2, padded}, {3, accented}, {4, ""}});
    EXPECT_EQ(readRecord(1), longest);
    EXPECT_EQ(readRecord(2), padded);
    EXPECT_EQ(readRecord(3), accented);
    EXPECT_EQ(bytes()[2 * 255], 10) << "the length counts code-page bytes";
    EXPECT_EQ(readRecord(4), "");
    EXPECT_EQ(readRecord(70), "") << "beyond the end of the file";
}

TEST_F(DataFileTest, TooLongTextRefusesTheWholeSave)
{
    writeRecords({{1, "old one"}, {2, "old two"}});
    const std::string before = bytes();
    DataFileWriter writer(world.fileSystem, world.codePage);
    writer.writeRecord(1, "new one");
    writer.writeRecord(2, std::string(254, 'y'));
    writer.writeRecord(3, "new three");
    EXPECT_EQ(errorNumberOf([&] { writer.commit(); }), ErrorNumber::BadRecordLength);
    EXPECT_EQ(bytes(), before) << "nothing of a refused save is written";
}

TEST_F(DataFileTest, CharacterOutsideTheCodePageIsRefusedNotReplaced)
{
    writeRecords({{1, "kept"}});
    const std::string before = bytes();
    EXPECT_EQ(errorNumberOf([&] {
                  writeRecords({{1, "C:\\\xE6\x97\xA5"}});
              }),
              ErrorNumber::InvalidProcedureCall);
    EXPECT_EQ(bytes(), before);
}

TEST_F(DataFileTest, MissingFileFailsWith53ForReading)
{
    EXPECT_EQ(errorNumberOf([&] { readRecord(1); }), ErrorNumber::FileNotFound);
    EXPECT_EQ(errorNumberOf([&] { readFolderPairs(world.fileSystem, world.codePage); }), 53);
    EXPECT_EQ(errorNumberOf([&] { readDriveTable(world.fileSystem, world.codePage); }), 53);
}

TEST_F(DataFileTest, RecordsNoWriterCouldProduceFailWith59)
{
    std::string file(3 * 255, '\0');
    file[255] = static_cast<char>(254); // record 2: length 254
    file[2 * 255] = 5;                  // record 3: fine
    file.resize(3 * 255 + 10);          // record 4: cut short
    world.fileSystem.addFile("C:\\Work\\Config.dat", file);
    EXPECT_EQ(readRecord(1), "");
    EXPECT_EQ(errorNumberOf([&] { readRecord(2); }), ErrorNumber::BadRecordLength);
    EXPECT_EQ(readRecord(3), std::string(5, '\0'));
    EXPECT_EQ(errorNumberOf([&] { readRecord(4); }), ErrorNumber::BadRecordLength);
    EXPECT_EQ(readRecord(5), "");
}

TEST_F(DataFileTest, FileCutShortInsideAUsedRecordIsRefusedByEveryReader)
{
    writeRecords({{1, "C:\\Data"}, {11, "D:\\Backup"}, {21, "1:05:00 PM"}});
    std::string file = bytes();
    file.resize(20 * 255 + 100); // inside record 21, which only some readers need
    world.fileSystem.addFile("C:\\Work\\Config.dat", file);
    EXPECT_EQ(errorNumberOf([&] { readFolderPairs(world.fileSystem, world.codePage); }), 59);
    EXPECT_EQ(errorNumberOf([&] { readBackupTime(world.fileSystem, world.codePage); }), 59);
    EXPECT_EQ(errorNumberOf([&] { readDriveTable(world.fileSystem, world.codePage); }), 59);

    file.resize(25 * 255 + 100); // inside records no reader uses
    world.fileSystem.addFile("C:\\Work\\Config.dat", file);
    EXPECT_EQ(readFolderPairs(world.fileSystem, world.codePage).targets[0], "D:\\Backup");
}

TEST_F(DataFileTest, ReaderIgnoresOldTextInTheFill)
{
    writeRecords({{1, "a much longer old value"}});
    writeRecords({{1, "short"}});
    EXPECT_EQ(readRecord(1), "short");
}

TEST_F(DataFileTest, FailedWriteLeavesTheOldFile)
{
    writeRecords({{1, "safe"}});
    const std::string before = bytes();
    world.fileSystem.failOn(MemoryFileSystem::Operation::WriteFile, "C:\\Work\\Config.dat",
                            ErrorNumber::DiskFull);
    EXPECT_EQ(errorNumberOf([&] { writeRecords({{1, "lost"}}); }), ErrorNumber::DiskFull);
    EXPECT_EQ(bytes(), before);
}

TEST_F(DataFileTest, DisjointSavesKeepEachOthersBytes)
{
    // Odd bytes in the fill and records beyond 70 belong to nobody and must survive.
    std::string file(80 * 255, '\0');
    file[25 * 255 + 100] = '\x7f';
    file[75 * 255] = 3;
    file.replace(75 * 255 + 2, 3, "far");
    world.fileSystem.addFile("C:\\Work\\Config.dat", file);

    DriveTable table;
    for (int k = 0; k < kRowCount; ++k)
        table[k] = {"\\\\srv\\share" + std::to_string(k), std::string(1, 'M' + k), "user", "pw"};
    saveDriveTable(world.fileSystem, world.codePage, table);
    const std::string afterDrives = bytes();

    FolderPairs pairs;
    pairs.sources[9] = "C:\\Ten";
    pairs.targets[9] = "D:\\Twenty";
    saveFolderPairsAndTime(world.fileSystem, world.codePage, pairs, "1:05:00 PM");
    const std::string afterFolders = bytes();

    EXPECT_EQ(afterDrives.substr(0, 30 * 255), file.substr(0, 30 * 255));
    EXPECT_EQ(afterDrives.substr(70 * 255), file.substr(70 * 255));
    EXPECT_EQ(afterFolders.substr(21 * 255), afterDrives.substr(21 * 255));

    EXPECT_EQ(readRecord(10), "C:\\Ten");
    EXPECT_EQ(readRecord(20), "D:\\Twenty");
    EXPECT_EQ(readBackupTime(world.fileSystem, world.codePage), "1:05:00 PM");
    const DriveTable read = readDriveTable(world.fileSystem, world.codePage);
    EXPECT_EQ(read[9].uncPath, "\\\\srv\\share9");
    EXPECT_EQ(read[9].drive, "V");
    EXPECT_EQ(readRecord(76), "far");
}

TEST_F(DataFileTest, FileSizesFollowWhichWindowSavedFirst)
{
    saveFolderPairsAndTime(world.fileSystem, world.codePage, FolderPairs{}, "");
    EXPECT_EQ(bytes().size(), 21u * 255);
    EXPECT_EQ(readDriveTable(world.fileSystem, world.codePage)[0].drive, "");
    saveDriveTable(world.fileSystem, world.codePage, DriveTable{});
    EXPECT_EQ(bytes().size(), 70u * 255);
}

} // namespace
} // namespace tarnwell
