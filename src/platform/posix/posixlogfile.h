#pragma once

#include "platform/logfile.h"

namespace tarnwell::posix {

// Appends with O_APPEND, so that every line lands whole at the end even when two programs
// write the same log.
class PosixLogFile : public LogFile
{
public:
    void append(const std::string& path, const std::string& text) override;
    std::uint64_t size(const std::string& path) override;
    void rename(const std::string& from, const std::string& to) override;
    std::string read(const std::string& path) override;
    void remove(const std::string& path) override;
};

} // namespace tarnwell::posix
