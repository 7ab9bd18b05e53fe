#pragma once

#include <cstdint>
#include <string>

namespace tarnwell {

// A text file that only grows at its end, such as the run log. Every call opens the file, does
// its work and closes it, so nothing stays open between lines and a crash can cut at most the
// text of the append it interrupted. Failures are RuntimeErrors.
class LogFile
{
public:
    virtual ~LogFile() = default;

    // Adds text at the end of the regular file at path in one write, creating the file
    // readable and writable by its owner only.
    virtual void append(const std::string& path, const std::string& text) = 0;
    // The size of the file at path in bytes; 0 when there is none.
    virtual std::uint64_t size(const std::string& path) = 0;
    // Gives the file at from the name to, replacing a file of that name.
    virtual void rename(const std::string& from, const std::string& to) = 0;
    // The whole content of the file at path; empty when there is none.
    virtual std::string read(const std::string& path) = 0;
    // Removes the file at path; nothing when there is none.
    virtual void remove(const std::string& path) = 0;
};

} // namespace tarnwell
