#include "expecterror.h"
#include "platform/savetemp.h"
#include "platform/win32/longpath.h"
#include "platform/win32/widetext.h"
#include "platform/win32/win32filesystem.h"
#include "platform/win32/winapi.h"
#include "platform/win32/writefile.h"
#include "scratchfolder.h"
#include "wine.h"

#include <aclapi.h>
#include <algorithm>
#include <gtest/gtest.h>
#include <sddl.h>
#include <string>
#include <vector>

namespace tarnwell::win32 {
namespace {

using test::attributesOnDisk;
using test::EmptyDrive;
using test::expectRuntimeError;
using test::longForm;
using test::ScratchFolder;
using test::writeOnDisk;

// Names in a folder, straight from the disk, "." and ".." left out.
std::vector<std::wstring> namesOnDisk(const std::string& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const std::wstring pattern = longForm(folder) + (folder.ends_with('\\') ? L"*" : L"\\*");
    HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return names;
}

// The SIDs that the file's access list lets in, and whether it ignores the folder's list.
struct AccessList
{
    std::vector<std::wstring> allowed;
    bool isProtected = false;
};

AccessList accessListOf(const std::string& path)
{
    AccessList list;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL dacl = nullptr;
    std::wstring wide = longForm(path);
    if (GetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return list;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    list.isProtected = (control & SE_DACL_PROTECTED) != 0;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace) ||
            static_cast<ACE_HEADER*>(ace)->AceType != ACCESS_ALLOWED_ACE_TYPE)
            continue;
        wchar_t* sid = nullptr;
        ConvertSidToStringSidW(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart, &sid);
        list.allowed.emplace_back(sid ? sid : L"?");
        LocalFree(sid);
    }
    LocalFree(descriptor);
    return list;
}

std::wstring currentUser()
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    unsigned char buffer[256];
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
    CloseHandle(token);
    wchar_t* sid = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid);
    std::wstring text = sid ? sid : L"";
    LocalFree(sid);
    return text;
}

// Gives a file's access list: full access for the current user, reading for everyone.
void letEveryoneRead(const std::string& path)
{
    const std::wstring sddl = L"D:P(A;;FA;;;" + currentUser() + L")(A;;FR;;;WD)";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
    std::wstring wide = longForm(path);
    EXPECT_EQ(SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, dacl, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    LocalFree(descriptor);
}

// Makes each call that puts a saved file in place, and writes it down.
class RecordingPlaceCalls : public PlaceCalls
{
public:
    bool replaceFile(const std::wstring& replaced, const std::wstring& replacement) override
    {
        calls.push_back(L"replace " + replaced + L" by " + replacement);
        return PlaceCalls::replaceFile(replaced, replacement);
    }
    bool moveFile(const std::wstring& from, const std::wstring& to) override
    {
        calls.push_back(L"move " + from + L" to " + to);
        return PlaceCalls::moveFile(from, to);
    }

    std::vector<std::wstring> calls;
};

// "move " or "replace " and the temporary file a save put in place, with "*" for its number.
std::wstring callWithTemp(std::wstring call)
{
    const std::size_t number = call.find(L"Config.dat-");
    const std::size_t end = call.find(L".tmp", number);
    if (number != std::wstring::npos && end != std::wstring::npos)
        call.replace(number + 11, end - number - 11, L"*");
    return call;
}

class WriteFileTest : public ::testing::Test
{
protected:
    ScratchFolder scratch;
    Win32FileSystem fs;
};

TEST_F(WriteFileTest, NewAndReplacedFilesHoldExactlyTheContentAndNothingIsLeftBeside)
{
    std::string binary = "line 1\r\nline 2\n";
    binary += std::string("\0\xff\x80", 3);
    fs.writeFileAtomically(scratch / "Config.dat", binary);
    EXPECT_EQ(fs.readFile(scratch / "Config.dat"), binary);

    const std::string longer(300000, 'x');
    fs.writeFileAtomically(scratch / "Config.dat", longer);
    EXPECT_EQ(fs.readFile(scratch / "Config.dat"), longer);
    fs.writeFileAtomically(scratch / "Config.dat", "short");
    EXPECT_EQ(fs.readFile(scratch / "Config.dat"), "short");
    fs.writeFileAtomically(scratch / "Config.dat", "");
    EXPECT_EQ(fs.readFile(scratch / "Config.dat"), "");

    EXPECT_EQ(namesOnDisk(scratch.path()), std::vector<std::wstring>{L"Config.dat"});
}

TEST_F(WriteFileTest, LeftoversOfKilledSavesGoWithTheNextSaveButALiveOneStays)
{
    fs.writeFileAtomically(scratch / "Config.dat", "old");
    const std::string stale = saveTempName("Config.dat", 1);
    const std::string live = saveTempName("Config.dat", 2);
    writeOnDisk(scratch / stale, "passwords of a killed save");
    writeOnDisk(scratch / live, "being written");
    // A save that is writing keeps its file open, shared for its final move only.
    HANDLE writing = CreateFileW(longForm(scratch / live).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writing, INVALID_HANDLE_VALUE);

    fs.writeFileAtomically(scratch / "Config.dat", "new");
    CloseHandle(writing);
    EXPECT_EQ(fs.readFile(scratch / "Config.dat"), "new");
    std::vector<std::wstring> names = namesOnDisk(scratch.path());
    std::sort(names.begin(), names.end());
    const std::vector<std::wstring> expected = {L".Config.dat-0000000000000002.tmp", L"Config.dat"};
    EXPECT_EQ(names, expected);
}

TEST_F(WriteFileTest, OnlyTheWritingUserMayOpenTheFile)
{
    if (test::runningUnderWine())
        GTEST_SKIP() << "Wine keeps no access lists on files; it derives them from Unix modes";
    fs.writeFileAtomically(scratch / "Config.dat", "secret");
    const AccessList list = accessListOf(scratch / "Config.dat");
    EXPECT_TRUE(list.isProtected) << "the folder's permissions must not be inherited";
    EXPECT_EQ(list.allowed, std::vector<std::wstring>{currentUser()});
    fs.writeFileAtomically(scratch / "Config.dat", "replaced");
    EXPECT_EQ(accessListOf(scratch / "Config.dat").allowed,
              std::vector<std::wstring>{currentUser()});
}

TEST_F(WriteFileTest, AnExistingFileIsReplacedWithReplaceFileAndANewOneMovedIn)
{
    const std::wstring config = longForm(scratch / "Config.dat");
    const std::wstring temp = longForm(scratch.path()) + L"\\.Config.dat-*.tmp";
    RecordingPlaceCalls calls;
    replaceFileContent(config, "first", calls);
    replaceFileContent(config, "second", calls);
    ASSERT_EQ(calls.calls.size(), 2u);
    EXPECT_EQ(callWithTemp(calls.calls[0]), L"move " + temp + L" to " + config);
    EXPECT_EQ(callWithTemp(calls.calls[1]), L"replace " + config + L" by " + temp);
    EXPECT_EQ(fs.readFile(scratch / "Config.dat"), "second");
    EXPECT_EQ(namesOnDisk(scratch.path()), std::vector<std::wstring>{L"Config.dat"});
}

TEST_F(WriteFileTest, ASaveKeepsTheFlagsTheUserGaveTheFile)
{
    writeOnDisk(scratch / "Config.dat", "old");
    ASSERT_TRUE(SetFileAttributesW(longForm(scratch / "Config.dat").c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    fs.writeFileAtomically(scratch / "Config.dat", "new");
    EXPECT_EQ(fs.readFile(scratch / "Config.dat"), "new");
    EXPECT_EQ(attributesOnDisk(scratch / "Config.dat") & ~static_cast<DWORD>(test::archiveNoise()),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    EXPECT_EQ(namesOnDisk(scratch.path()), std::vector<std::wstring>{L"Config.dat"});
}

TEST_F(WriteFileTest, ASaveKeepsTheAccessListTheUserGaveTheFile)
{
    if (test::runningUnderWine())
        GTEST_SKIP() << "Wine keeps no access lists on files; the ReplaceFileW call is checked";
    fs.writeFileAtomically(scratch / "Config.dat", "old");
    letEveryoneRead(scratch / "Config.dat");
    fs.writeFileAtomically(scratch / "Config.dat", "new");
    const AccessList list = accessListOf(scratch / "Config.dat");
    EXPECT_EQ(list.allowed, (std::vector<std::wstring>{currentUser(), L"S-1-1-0"}));
    EXPECT_EQ(fs.readFile(scratch / "Config.dat"), "new");
}

TEST_F(WriteFileTest, AFileInTheRootOfADriveIsSavedWithItsTemporaryFileBesideIt)
{
    // Tarnwell run from the root of a USB stick: Config.dat is D:\Config.dat.
    fs.makeDirectory(scratch / "Drive");
    const EmptyDrive drive(scratch / "Drive");
    ASSERT_NE(drive.letter(), 0) << "no empty drive to test with";
    const std::wstring root = {L'\\', L'\\', L'?', L'\\', static_cast<wchar_t>(drive.letter()),
                               L':',  L'\\'};
    wchar_t here[MAX_PATH + 1];
    GetCurrentDirectoryW(MAX_PATH + 1, here);
    ASSERT_TRUE(SetCurrentDirectoryW(root.substr(4).c_str()));
    RecordingPlaceCalls calls;
    try {
        replaceFileContent(toLongPath("Config.dat"), "first", calls);
        replaceFileContent(toLongPath("Config.dat"), "second", calls);
    } catch (const RuntimeError& error) {
        ADD_FAILURE() << error.description();
    }
    SetCurrentDirectoryW(here);
    ASSERT_EQ(calls.calls.size(), 2u);
    EXPECT_EQ(callWithTemp(calls.calls[0]),
              L"move " + root + L".Config.dat-*.tmp to " + root + L"Config.dat");
    EXPECT_EQ(callWithTemp(calls.calls[1]),
              L"replace " + root + L"Config.dat by " + root + L".Config.dat-*.tmp");
    const std::string config = win32::toUtf8(root.substr(4)) + "Config.dat";
    EXPECT_EQ(fs.readFile(config), "second");
    EXPECT_EQ(namesOnDisk(win32::toUtf8(root.substr(4))), std::vector<std::wstring>{L"Config.dat"});
    DeleteFileW((root + L"Config.dat").c_str()); // the drive is left empty for the next test
}

TEST_F(WriteFileTest, AReadOnlyFileIsRefusedAndKept)
{
    writeOnDisk(scratch / "Config.dat", "old");
    ASSERT_TRUE(
        SetFileAttributesW(longForm(scratch / "Config.dat").c_str(), FILE_ATTRIBUTE_READONLY));
    expectRuntimeError(ErrorNumber::PermissionDenied,
                       [&] { fs.writeFileAtomically(scratch / "Config.dat", "new"); });
    EXPECT_EQ(fs.readFile(scratch / "Config.dat"), "old");
    EXPECT_EQ(namesOnDisk(scratch.path()), std::vector<std::wstring>{L"Config.dat"});
}

TEST_F(WriteFileTest, AFolderInTheWayOrAMissingFolderFails)
{
    fs.makeDirectory(scratch / "Config.dat");
    expectRuntimeError(ErrorNumber::PermissionDenied,
                       [&] { fs.writeFileAtomically(scratch / "Config.dat", "x"); });
    expectRuntimeError(ErrorNumber::PathNotFound,
                       [&] { fs.writeFileAtomically(scratch / "missing\\Config.dat", "x"); });
    EXPECT_EQ(namesOnDisk(scratch.path()), std::vector<std::wstring>{L"Config.dat"});
    EXPECT_NE(attributesOnDisk(scratch / "Config.dat") & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST_F(WriteFileTest, NonAsciiNamesAreKept)
{
    const std::string name = "Gr\xC3\xBC\xC3\x9F"
                             "e \xE6\x97\xA5\xE8\xA8\x98.txt"; // Grüße 日記.txt
    fs.writeFileAtomically(scratch / name, "text");
    EXPECT_EQ(namesOnDisk(scratch.path()),
              std::vector<std::wstring>{L"Gr\u00FC\u00DFe \u65E5\u8A18.txt"});
    EXPECT_EQ(fs.probe(scratch / name, ProbeMask::Folders), name);
}

} // namespace
} // namespace tarnwell::win32
