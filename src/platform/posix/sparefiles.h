#pragma once

#include "platform/posix/unixfile.h"

#include <mutex>
#include <string>
#include <vector>

namespace tarnwell::posix {

// Old copies that a replacement swapped out, kept under their temporary names to be rewritten
// with a following file: rewriting a file costs the file system far less than deleting one
// and making another. Whatever is left is deleted at the end. Safe to share between threads.
class SpareFiles
{
public:
    SpareFiles() = default;
    ~SpareFiles();
    SpareFiles(const SpareFiles&) = delete;
    SpareFiles& operator=(const SpareFiles&) = delete;

    struct Spare
    {
        FileHandle file; // open for writing and emptied
        std::string path;
    };
    // A spare to write instead of making temp: one in temp's folder keeps its own name, one
    // from elsewhere is moved to temp. No file when there is none fit for rewriting.
    Spare take(const std::string& temp);
    void add(std::string path);

private:
    std::mutex m_mutex;
    std::vector<std::string> m_paths;
};

} // namespace tarnwell::posix
