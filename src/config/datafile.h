#pragma once

#include "platform/codepage.h"
#include "platform/filesystem.h"

#include <map>
#include <string>

namespace tarnwell {

// Config.dat: fixed records of 255 bytes, numbered from 1. Each holds a 2-byte little-endian
// length and that many bytes of text in the ANSI code page; the rest is fill.
inline constexpr const char* kDataFileName = "Config.dat";
inline constexpr int kRecordLength = 255;
inline constexpr int kMaxTextLength = kRecordLength - 2;

// An open data file for reading. Opening fails with 53 when the file does not exist.
class DataFileReader
{
public:
    DataFileReader(FileSystem& fileSystem, const CodePage& codePage,
                   const std::string& path = kDataFileName);

    // The text of record n; "" beyond the end of the file or for a never-written gap. A record
    // that no writer could have produced (length above 253, cut short by the end) fails with 59.
    std::string readRecord(int n) const;

private:
    const CodePage& m_codePage;
    std::string m_bytes;
};

// Collects the records of one save and writes them in one step. Every text is converted and
// checked before the file is touched: a text over 253 bytes fails with 59 and nothing changes.
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
