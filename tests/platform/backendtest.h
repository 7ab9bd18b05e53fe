#pragma once

#include "platform/services.h"
#include "tempfolder.h"

#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell::test {

// A test on the real backend of this build, in a fresh temporary folder. Paths are composed
// with the backend's own path style, so the same tests run on every backend.
class BackendTest : public ::testing::Test
{
  protected:
    // The temporary folder joined with names.
    std::string at(std::initializer_list<std::string_view> names) const;
    std::string join(const std::string& base, std::string_view name) const;

    void makeFolder(const std::string& path) const;
    // Makes the folders on the way too.
    void makeFile(const std::string& path, const std::string& content = "x") const;
    // Hidden by name where names hide, and by the hidden flag where there is one.
    void makeHidden(const std::string& path) const;

    // Every name the listing of folder gives with mask, "." and ".." left out.
    std::vector<std::string> listing(const std::string& folder, int mask) const;

    SystemServices services = makeSystemServices();
    FileSystem& fileSystem = *services.fileSystem;
    TempFolder temp;
};

} // namespace tarnwell::test
