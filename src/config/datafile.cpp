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
    : m_codePage(codePage), m_bytes(fileSystem.readFile(path))
{
}

std::string DataFileReader::readRecord(int n) const
{
    const std::size_t offset = recordOffset(n);
    if (offset >= m_bytes.size())
        return {};
    if (m_bytes.size() - offset < kRecordLength)
        throw RuntimeError(ErrorNumber::BadRecordLength);
    const auto low = static_cast<unsigned char>(m_bytes[offset]);
    const auto high = static_cast<unsigned char>(m_bytes[offset + 1]);
    const std::size_t length = low | (high << 8);
    if (length > kMaxTextLength)
        throw RuntimeError(ErrorNumber::BadRecordLength);
    return m_codePage.fromAnsi(std::string_view(m_bytes).substr(offset + 2, length));
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
        bytes = m_fileSystem.readFile(m_path);
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
