#pragma once

#include "platform/codepage.h"
#include "platform/error.h"
#include "platform/filesystem.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tarnwell {

// Config.dat: fixed records of 255 bytes, numbered from 1. Each holds a 2-byte little-endian
// length and that many bytes of text in the ANSI code page; the rest is fill.
inline constexpr const char* kDataFileName = "Config.dat";
inline constexpr int kRecordLength = 255;
inline constexpr int kMaxTextLength = kRecordLength - 2;
// Ten times what the program ever writes; anything larger is no configuration of ours.
inline constexpr std::uint64_t kMaxDataFileSize = 1024 * 1024;

// A record that no writer could have produced (length above 253, cut short by the end): 59.
class BadRecordError : public RuntimeError
{
public:
    explicit BadRecordError(int record)
        : RuntimeError(ErrorNumber::BadRecordLength), m_record(record)
    {
    }
    int record() const noexcept { return m_record; }

private:
    int m_record;
};

// Reads records of the data file where they lie; nothing else of the file is read. Each read
// fails with 53 when the file does not exist, and with 75 when it is no regular file or is
// larger than kMaxDataFileSize.
class DataFileReader
{
public:
    DataFileReader(FileSystem& fileSystem, const CodePage& codePage,
                   const std::string& path = kDataFileName);

    // The texts of records first..last, read in one go; "" beyond the end of the file or for a
    // never-written gap. A record that no writer could have produced fails with a
    // BadRecordError. fileSize, when given, receives the file's size; invalid, when given, the
    // numbers of the records whose bytes are not valid text in the code page (their texts are
    // what the code page makes of them).
    std::vector<std::string> readRecords(int first, int last, std::uint64_t* fileSize = nullptr,
                                         std::vector<int>* invalid = nullptr) const;
    std::string readRecord(int n) const;

private:
    FileSystem& m_fileSystem;
    const CodePage& m_codePage;
    std::string m_path;
};

// Collects the records of one save and writes them in one step. Every text is converted and
// checked before the file is touched: a text over 253 bytes fails with 59 and nothing changes;
// an existing file that is no regular file or larger than kMaxDataFileSize is refused (75).
// Records not written here keep their bytes exactly.
class DataFileWriter
{
public:
    DataFileWriter(FileSystem& fileSystem, const CodePage& codePage,
                   const std::string& path = kDataFileName);

    void writeRecord(int n, const std::string& text);
    void commit();

private:
    FileSystem& m_fileSystem;
    const CodePage& m_codePage;
    std::string m_path;
    std::map<int, std::string> m_records;
};

} // namespace tarnwell
