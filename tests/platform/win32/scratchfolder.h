#pragma once

#include <string>

namespace tarnwell::test {

// A new empty folder under the Windows temp folder, removed with everything in it (read-only,
// hidden and long-path entries included) when the object goes.
class ScratchFolder
{
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder as a plain UTF-8 path, e.g. C:\users\me\Temp\tarnwell-1234-1.
    const std::string& path() const { return m_path; }
    // path() + "\" + name.
    std::string operator/(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};

// An empty drive for the object's length: under Wine the test runner provides one (its
// contents are the tests' to clean up), on Windows the given folder becomes one. letter() is 0
// when there is none.
class EmptyDrive
{
public:
    explicit EmptyDrive(const std::string& folder);
    ~EmptyDrive();
    EmptyDrive(const EmptyDrive&) = delete;
    EmptyDrive& operator=(const EmptyDrive&) = delete;

    char letter() const { return m_letter; }

private:
    char m_letter = 0;
    std::wstring m_device;
    std::wstring m_target;
};

// Direct checks on the real disk, apart from the code under test.
std::wstring longForm(const std::string& absolutePath); // "\\?\" + the path, in UTF-16
bool existsOnDisk(const std::string& path);
unsigned long attributesOnDisk(const std::string& path); // INVALID_FILE_ATTRIBUTES if missing
void writeOnDisk(const std::string& path, const std::string& content);
// A drive letter that nothing uses, or 0 when all from K to Y are taken.
char unusedDriveLetter();

} // namespace tarnwell::test
