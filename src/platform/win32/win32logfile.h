#pragma once

#include "platform/logfile.h"

namespace tarnwell::win32 {

// Appends through a handle opened for appending only, so that every line lands whole at the
// end even when two programs write the same log.
class Win32LogFile : public LogFile
{
public:
    void append(const std::string& path, const std::string& text) override;
    std::uint64_t size(const std::string& path) override;
    void rename(const std::string& from, const std::string& to) override;
    std::string read(const std::string& path) override;
    void remove(const std::string& path) override;
};

} // namespace tarnwell::win32
