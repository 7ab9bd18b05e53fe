#pragma once

#include <filesystem>
#include <string>

namespace tarnwell::test {

// A fresh folder under the system's temporary folder, removed with all it holds at the end.
class TempFolder
{
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's path as UTF-8 text, as the platform services take it.
    const std::string& path() const { return m_path; }

  private:
    std::filesystem::path m_native;
    std::string m_path;
};

// Conversions between the program's UTF-8 path texts and the standard library's paths.
std::filesystem::path nativePath(const std::string& utf8);
std::string utf8Path(const std::filesystem::path& path);

// Writes and reads a file's bytes directly, beside the services under test.
void writeBytes(const std::string& path, const std::string& content);
std::string readBytes(const std::string& path);

// Every path below folder, relative and with "/" between names, sorted; files as
// "name=content", folders as "name/".
std::string describeTree(const std::string& folder);

} // namespace tarnwell::test
