#include "config/datafile.h"

#include "platform/error.h"

#include <utility>
#include <vector>

namespace tarnwell {

namespace {

std::size_t recordOffset(int n)
{
    if (n < 1)
        throw RuntimeError(ErrorNumber::BadRecordNumber);
    return static_cast<std::size_t>(n - 1) * kRecordLength;
}

} // namespace

DataFileReader::DataFileReader(FileSystem& fileSystem, const CodePage& codePage,
                               const std::string& path)
    : m_fileSystem(fileSystem), m_codePage(codePage), m_path(path)
{
}

std::vector<std::string> DataFileReader::readRecords(int first, int last, std::uint64_t* fileSize,
                                                     std::vector<int>* invalid) const
{
    const std::size_t start = recordOffset(first);
    if (last < first)
        throw RuntimeError(ErrorNumber::BadRecordNumber);
    const std::size_t span = recordOffset(last) + kRecordLength - start;
    const FileRange range = m_fileSystem.readFileRange(m_path, start, span, kMaxDataFileSize);
    if (fileSize)
        *fileSize = range.fileSize;

    const std::string_view bytes = range.bytes;
    std::vector<std::string> texts;
    for (std::size_t offset = 0; offset < span; offset += kRecordLength) {
        if (offset >= bytes.size()) {
            texts.emplace_back();
            continue;
        }
        const int record = first + static_cast<int>(offset / kRecordLength);
        if (bytes.size() - offset < kRecordLength)
            throw BadRecordError(record);
        const auto low = static_cast<unsigned char>(bytes[offset]);
        const auto high = static_cast<unsigned char>(bytes[offset + 1]);
        const std::size_t length = low | (high << 8);
        if (length > kMaxTextLength)
            throw BadRecordError(record);
        const std::string_view text = bytes.substr(offset + 2, length);
        if (invalid && !m_codePage.isValidAnsi(text))
            invalid->push_back(record);
        texts.push_back(m_codePage.fromAnsi(text));
    }
    return texts;
}

std::string DataFileReader::readRecord(int n) const
{
    return readRecords(n, n).front();
}

DataFileWriter::DataFileWriter(FileSystem& fileSystem, const CodePage& codePage,
                               const std::string& path)
    : m_fileSystem(fileSystem), m_codePage(codePage), m_path(path)
{
}

void DataFileWriter::writeRecord(int n, const std::string& text)
{
    recordOffset(n);
    m_records[n] = text;
}

void DataFileWriter::commit()
{
    // Convert and check everything before touching the file.
    std::vector<std::pair<std::size_t, std::string>> encoded;
    for (const auto& [n, text] : m_records) {
        std::string ansi = m_codePage.toAnsi(text);
        if (ansi.size() > static_cast<std::size_t>(kMaxTextLength))
            throw RuntimeError(ErrorNumber::BadRecordLength);
        encoded.emplace_back(recordOffset(n), std::move(ansi));
    }

    std::string bytes;
    try {
        bytes = m_fileSystem.readFileRange(m_path, 0, kMaxDataFileSize, kMaxDataFileSize).bytes;
    } catch (const RuntimeError& error) {
        if (error.number() != ErrorNumber::FileNotFound)
            throw;
    }

    for (const auto& [offset, ansi] : encoded) {
        if (bytes.size() < offset + kRecordLength)
            bytes.resize(offset + kRecordLength, '\0');
        std::string record(kRecordLength, '\0');
        record[0] = static_cast<char>(ansi.size() & 0xff);
        record[1] = static_cast<char>((ansi.size() >> 8) & 0xff);
        record.replace(2, ansi.size(), ansi);
        bytes.replace(offset, kRecordLength, record);
    }
    m_fileSystem.writeFileAtomically(m_path, bytes);
    m_records.clear();
}

} // namespace tarnwell
