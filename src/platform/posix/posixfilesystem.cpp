#include "platform/posix/posixfilesystem.h"

#include "platform/posix/oserror.h"
#include "platform/posix/posixcopy.h"
#include "platform/posix/unixfile.h"
#include "platform/savetemp.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwell::posix {

namespace {

bool isHiddenName(const std::string& name)
{
    return !name.empty() && name[0] == '.' && name != "." && name != "..";
}

// A Windows drive text ("X:", "X:\..."): there are no drive letters here.
bool isDriveText(const std::string& path)
{
    return driveLetterOf(path) && (path.size() == 2 || path[2] == '\\');
}

std::vector<std::string> listNames(const std::string& folder, int mask)
{
    FileStatus info{};
    if (::stat(folder.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        throw pathError(errno, folder);
    }
    std::vector<std::string> names;
    Directory directory(folder);
    while (const struct dirent* item = directory.read()) {
        std::string name = item->d_name;
        // "." and ".." begin with a dot too, so they come only with the hidden mask.
        if (name[0] == '.' && !(mask & Attribute::Hidden))
            continue;
        if (!(mask & Attribute::Directory)) {
            FileStatus entry{};
            const std::string path = folder + "/" + name;
            if (::stat(path.c_str(), &entry) == 0 && S_ISDIR(entry.st_mode))
                continue;
        }
        names.push_back(std::move(name));
    }
    std::reverse(names.begin(), names.end());
    return names;
}

std::string parentFolder(const std::string& path)
{
    const std::string::size_type slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// flock: tied to the open file, so it dies with the process, and two opens of one file
// exclude each other within one process too. False when LOCK_NB finds it taken.
bool lockWhole(int descriptor, int operation)
{
    for (;;) {
        if (::flock(descriptor, operation) == 0)
            return true;
        if (errno == EWOULDBLOCK)
            return false;
        if (errno != EINTR)
            throw errnoError(errno);
    }
}

class HeldLock : public FileLock
{
public:
    explicit HeldLock(FileHandle file) : m_file(std::move(file)) {}

private:
    FileHandle m_file; // closing it releases the lock
};

// The folder's lock for the moment it is held; none when the folder cannot be opened, where
// no save can clear leftovers either.
class FolderTurn
{
public:
    explicit FolderTurn(const std::string& folder)
        : m_folder(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_folder)
            lockWhole(m_folder.get(), LOCK_EX);
    }

private:
    FileHandle m_folder;
};

// Removes the temporary files that saves of fileName left behind when they were killed. A live
// save holds the lock of its own, so one whose lock can be taken is stale. Housekeeping only:
// whatever cannot be looked at or removed stays.
void removeStaleSaveTemps(const std::string& folder, const std::string& fileName)
{
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return;
    while (const struct dirent* item = ::readdir(listing)) {
        if (!isSaveTempOf(item->d_name, fileName))
            continue;
        const std::string temp = joinPath(PathStyle::Posix, folder, item->d_name);
        FileHandle leftover(::open(temp.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (leftover && ::flock(leftover.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlink(temp.c_str());
    }
    ::closedir(listing);
}

void syncFolder(const std::string& folder)
{
    FileHandle handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle)
        ::fsync(handle.get()); // the rename is in place already; this only makes it durable
}

} // namespace

std::string PosixFileSystem::probe(const std::string& path, int mask)
{
    m_listing.clear();
    if (path.empty() || isDriveText(path))
        return {};
    const std::string::size_type slash = path.find_last_of('/');
    const std::string last = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (last == "*" || last == "*.*") {
        m_listing = listNames(slash == std::string::npos ? "." : path.substr(0, slash + 1), mask);
        return next();
    }
    FileStatus info{};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        throw pathError(errno, path);
    }
    const std::string name = lastComponent(PathStyle::Posix, path);
    return name.empty() ? normalizePath(PathStyle::Posix, path) : name;
}

std::string PosixFileSystem::next()
{
    if (m_listing.empty())
        return {};
    std::string name = std::move(m_listing.back());
    m_listing.pop_back();
    return name;
}

int PosixFileSystem::attributes(const std::string& path)
{
    FileStatus info{};
    if (::lstat(path.c_str(), &info) != 0)
        throw pathError(errno, path);
    int flags = Attribute::Normal;
    if (S_ISLNK(info.st_mode)) {
        // The link itself: whether it leads to a folder, and nothing of what it leads to.
        FileStatus target{};
        const bool toFolder = ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        return Attribute::ReparsePoint | (toFolder ? Attribute::Directory : 0);
    }
    if (S_ISDIR(info.st_mode))
        flags |= Attribute::Directory;
    if (!(info.st_mode & S_IWUSR))
        flags |= Attribute::ReadOnly;
    if (isHiddenName(lastComponent(PathStyle::Posix, path)))
        flags |= Attribute::Hidden;
    return flags;
}

void PosixFileSystem::setAttributes(const std::string& path, int attributes)
{
    FileStatus info{};
    if (::lstat(path.c_str(), &info) != 0)
        throw pathError(errno, path);
    // A link has no flags of its own, and what it leads to is not reached through it.
    if (S_ISLNK(info.st_mode))
        return;
    // Only the read-only flag has a counterpart here; hidden follows the name.
    const mode_t permissions = info.st_mode & 07777;
    const mode_t wanted =
        (attributes & Attribute::ReadOnly) ? permissions & ~mode_t{0222} : permissions | S_IWUSR;
    if (wanted != permissions && ::chmod(path.c_str(), wanted) != 0)
        throw pathError(errno, path);
}

void PosixFileSystem::makeDirectory(const std::string& path)
{
    if (::mkdir(path.c_str(), 0777) != 0)
        throw errnoError(errno);
}

std::string PosixFileSystem::readFile(const std::string& path)
{
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file)
        throw pathError(errno, path);
    std::string content;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw errnoError(errno);
        if (got == 0)
            return content;
        content.append(buffer, static_cast<std::size_t>(got));
    }
}

FileRange PosixFileSystem::readFileRange(const std::string& path, std::uint64_t offset,
                                         std::size_t length, std::uint64_t maxSize)
{
    FileStatus info{};
    FileHandle file = openRegularFile(path, O_RDONLY, info);
    FileRange range =
        sizedFileRange(path, static_cast<std::uint64_t>(info.st_size), offset, length, maxSize);
    std::size_t done = 0;
    while (done < range.bytes.size()) {
        const ssize_t got = ::pread(file.get(), range.bytes.data() + done,
                                    range.bytes.size() - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw errnoError(errno).concerning(path);
        if (got == 0)
            break; // cut short since it was measured
        done += static_cast<std::size_t>(got);
    }
    range.bytes.resize(done);
    return range;
}

namespace {

class PosixFileReader : public FileReader
{
public:
    PosixFileReader(FileHandle file, std::string path)
        : m_file(std::move(file)), m_path(std::move(path))
    {
        // Read through once: the kernel may read far ahead.
        ::posix_fadvise(m_file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    }

    std::size_t read(char* buffer, std::size_t size) override
    {
        for (;;) {
            const ssize_t got = ::read(m_file.get(), buffer, size);
            if (got >= 0)
                return static_cast<std::size_t>(got);
            if (errno != EINTR)
                throw errnoError(errno).concerning(m_path);
        }
    }

private:
    FileHandle m_file;
    std::string m_path;
};

} // namespace

std::unique_ptr<FileReader> PosixFileSystem::openForReading(const std::string& path)
{
    FileStatus info{};
    FileHandle file = openRegularFile(path, O_RDONLY, info);
    return std::make_unique<PosixFileReader>(std::move(file), path);
}

std::string PosixFileSystem::currentDirectory()
{
    std::string buffer(256, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            throw errnoError(errno);
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::char_traits<char>::length(buffer.c_str()));
    return buffer;
}

void PosixFileSystem::writeFileAtomically(const std::string& path, const std::string& content)
{
    FileStatus old{};
    const bool exists = ::stat(path.c_str(), &old) == 0;
    if (!exists && errno != ENOENT)
        throw pathError(errno, path);
    // A rename would pass over a read-only file; refuse as an overwrite would.
    if (exists && !(old.st_mode & S_IWUSR))
        throw RuntimeError(ErrorNumber::PermissionDenied);

    const std::string folder = parentFolder(path);
    const std::string fileName = lastComponent(PathStyle::Posix, path);
    std::random_device entropy;
    const std::string temp =
        joinPath(PathStyle::Posix, folder,
                 saveTempName(fileName, (std::uint64_t{entropy()} << 32) ^ entropy()));
    FileHandle file = [&] {
        // Saves into one folder take turns here, so that none finds another's temporary file
        // in the moment between its creation and its lock.
        const FolderTurn turn(folder);
        removeStaleSaveTemps(folder, fileName);
        // Owner-only until it is the file itself: it holds what the file holds.
        FileHandle created(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!created)
            throw errnoError(errno);
        lockWhole(created.get(), LOCK_EX);
        return created;
    }();
    TempFileGuard guard(temp);
    writeAll(file.get(), content.data(), content.size());
    if (::fsync(file.get()) != 0)
        throw errnoError(errno);
    if (::rename(temp.c_str(), path.c_str()) != 0)
        throw pathError(errno, path);
    guard.release();
    if (exists) {
        if (::fchmod(file.get(), old.st_mode & 07777) != 0)
            throw errnoError(errno);
        // Only works for root; a user's file written by root stays the user's.
        [[maybe_unused]] const int ignored = ::fchown(file.get(), old.st_uid, old.st_gid);
    }
    file.close();
    syncFolder(folder);
}

std::unique_ptr<FileLock> PosixFileSystem::tryLockFile(const std::string& path)
{
    FileHandle file(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file)
        throw pathError(errno, path);
    if (!lockWhole(file.get(), LOCK_EX | LOCK_NB))
        return nullptr;
    return std::make_unique<HeldLock>(std::move(file));
}

} // namespace tarnwell::posix
