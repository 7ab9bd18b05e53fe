// The folder copy's keeping of old copies and removal of kept versions on a POSIX system.
#include "platform/posix/oserror.h"
#include "platform/posix/posixcopy.h"

#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwell::posix {

namespace {

// link(2) refuses these where the file system has no hard links (FAT, exFAT: EPERM), a file
// has as many as it may have (EMLINK), or protected_hardlinks forbids linking another user's
// file (EPERM): a rename keeps the file all the same.
bool noHardLink(int code)
{
    return code == EPERM || code == EMLINK || code == EOPNOTSUPP || code == ENOSYS;
}

// Renames from to to unless something is at to; the run lock keeps other runs out meanwhile.
int renameWithoutReplacing(const char* from, const char* to)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
#endif
    FileStatus info{};
    if (::lstat(to, &info) == 0)
        return EEXIST;
    return ::rename(from, to) == 0 ? 0 : errno;
}

// Empties the folder open at descriptor and closes it; entries are never followed.
void emptyFolder(int descriptor, const std::string& path)
{
    DIR* listing = ::fdopendir(descriptor);
    if (!listing) {
        const int code = errno;
        ::close(descriptor);
        throw pathError(code, path).concerning(path);
    }
    struct Closer
    {
        DIR* listing;
        ~Closer() { ::closedir(listing); }
    } closer{listing};
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(listing);
        if (!entry) {
            if (errno != 0)
                throw pathError(errno, path).concerning(path);
            return;
        }
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string child = path + "/" + name;
        FileStatus info{};
        if (::fstatat(descriptor, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            throw pathError(errno, child).concerning(child);
        if (S_ISDIR(info.st_mode)) {
            const int inner =
                ::openat(descriptor, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (inner < 0)
                throw pathError(errno, child).concerning(child);
            emptyFolder(inner, child);
            if (::unlinkat(descriptor, name.c_str(), AT_REMOVEDIR) != 0)
                throw pathError(errno, child).concerning(child);
        } else if (::unlinkat(descriptor, name.c_str(), 0) != 0) {
            throw pathError(errno, child).concerning(child);
        }
    }
}

} // namespace

int linkCall(const char* existing, const char* name)
{
    return ::link(existing, name) == 0 ? 0 : errno;
}

CopyPrimitives::Kept PosixCopyPrimitives::keepVersion(const std::string& copy,
                                                      const std::string& version)
{
    FileStatus info{};
    if (::lstat(copy.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return Kept::Nothing;
        throw pathError(errno, copy).concerning(copy);
    }
    if (S_ISDIR(info.st_mode))
        throw RuntimeError(ErrorNumber::PermissionDenied).concerning(copy);
    int code = m_linkCall(copy.c_str(), version.c_str());
    if (code == 0)
        return Kept::Linked;
    if (code == EEXIST)
        throw RuntimeError(ErrorNumber::FileAlreadyExists).concerning(version);
    if (!noHardLink(code))
        throw pathError(code, version).concerning(version);
    code = renameWithoutReplacing(copy.c_str(), version.c_str());
    if (code == EEXIST)
        throw RuntimeError(ErrorNumber::FileAlreadyExists).concerning(version);
    if (code != 0)
        throw pathError(code, version).concerning(version);
    return Kept::Moved;
}

void PosixCopyPrimitives::removeTree(const std::string& folder)
{
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (descriptor < 0) {
        const int code = errno;
        // O_NOFOLLOW on a link: ELOOP, or ENOTDIR when it leads to no folder.
        if (code == ELOOP || code == ENOTDIR)
            throw RuntimeError(ErrorNumber::PermissionDenied).concerning(folder);
        throw pathError(code, folder).concerning(folder);
    }
    emptyFolder(descriptor, folder);
    if (::rmdir(folder.c_str()) != 0)
        throw pathError(errno, folder).concerning(folder);
}

} // namespace tarnwell::posix
