/* fatview: a FUSE view of a folder that keeps only what a FAT disk keeps, to try a backup
 * target of that kind on a machine whose kernel has no FAT driver. For trying by hand only;
 * no test depends on it.
 *   - modification times in steps of 2 seconds (rounded down, as Linux's FAT driver does);
 *   - no permission bits: every file shows 0755, every folder 0755, and chmod changes nothing
 *     (as FAT mounted with the "quiet" option);
 *   - -o shift=SECONDS shows every time that many seconds later, as a FAT disk does after a
 *     change of daylight-saving time (it keeps local time);
 *   - -o log=PATH writes one line per change the file system receives, in the order received
 *     (create, write, truncate, fsync, fsyncdir, rename, unlink, mkdir, rmdir), for
 *     bench/replay-power-cut.
 * Build: cc -O2 -Wall -o fatview bench/fatview.c $(pkg-config --cflags --libs fuse3)
 * Use:   fatview MOUNTPOINT -o backing=DIR[,shift=3600][,log=PATH] [-f]; fusermount3 -u MOUNTPOINT
 */
#define FUSE_USE_VERSION 31
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <fuse.h>
#include <limits.h>
#include <pthread.h>
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static struct
{
    char* backing;
    long shift;
    char* log;
} conf;

static FILE* changes;
static pthread_mutex_t changesLock = PTHREAD_MUTEX_INITIALIZER;

/* Logs a change once it is done (result 0), so that the order is the one that a client that
 * waits for each reply sees. */
static int logged(int result, const char* what, const char* path, const char* to)
{
    if (changes && result == 0) {
        pthread_mutex_lock(&changesLock);
        fprintf(changes, to ? "%s\t%s\t%s\n" : "%s\t%s\n", what, path, to);
        fflush(changes);
        pthread_mutex_unlock(&changesLock);
    }
    return result;
}

static const struct fuse_opt options[] = {
    {"backing=%s", offsetof(__typeof__(conf), backing), 0},
    {"shift=%ld", offsetof(__typeof__(conf), shift), 0},
    {"log=%s", offsetof(__typeof__(conf), log), 0},
    FUSE_OPT_END,
};

static void real(char* out, const char* path)
{
    snprintf(out, PATH_MAX, "%s%s", conf.backing, path);
}

static void fat_times(struct timespec* t)
{
    t->tv_sec = (t->tv_sec & ~1L) + conf.shift;
    t->tv_nsec = 0;
}

static int fv_getattr(const char* path, struct stat* st, struct fuse_file_info* fi)
{
    char p[PATH_MAX];
    real(p, path);
    if ((fi ? fstat((int)fi->fh, st) : lstat(p, st)) != 0)
        return -errno;
    st->st_mode = (st->st_mode & S_IFMT) | 0755;
    fat_times(&st->st_mtim);
    fat_times(&st->st_atim);
    fat_times(&st->st_ctim);
    return 0;
}

static int fv_readdir(const char* path, void* buf, fuse_fill_dir_t fill, off_t off,
                      struct fuse_file_info* fi, enum fuse_readdir_flags flags)
{
    (void)off;
    (void)fi;
    (void)flags;
    char p[PATH_MAX];
    real(p, path);
    DIR* d = opendir(p);
    if (!d)
        return -errno;
    for (struct dirent* e; (e = readdir(d));)
        fill(buf, e->d_name, NULL, 0, 0);
    closedir(d);
    return 0;
}

static int fv_mkdir(const char* path, mode_t mode)
{
    (void)mode;
    char p[PATH_MAX];
    real(p, path);
    return logged(mkdir(p, 0755) ? -errno : 0, "mkdir", path, NULL);
}

static int fv_unlink(const char* path)
{
    char p[PATH_MAX];
    real(p, path);
    return logged(unlink(p) ? -errno : 0, "unlink", path, NULL);
}
static int fv_rmdir(const char* path)
{
    char p[PATH_MAX];
    real(p, path);
    return logged(rmdir(p) ? -errno : 0, "rmdir", path, NULL);
}

static int fv_rename(const char* from, const char* to, unsigned int flags)
{
    char a[PATH_MAX], b[PATH_MAX];
    real(a, from);
    real(b, to);
    return logged(renameat2(AT_FDCWD, a, AT_FDCWD, b, flags) ? -errno : 0, "rename", from, to);
}

static int fv_chmod(const char* path, mode_t mode, struct fuse_file_info* fi)
{
    (void)path;
    (void)mode;
    (void)fi;
    return 0; /* kept nowhere */
}

static int fv_truncate(const char* path, off_t size, struct fuse_file_info* fi)
{
    char p[PATH_MAX];
    real(p, path);
    return logged((fi ? ftruncate((int)fi->fh, size) : truncate(p, size)) ? -errno : 0, "truncate",
                  path, NULL);
}

static int fv_utimens(const char* path, const struct timespec tv[2], struct fuse_file_info* fi)
{
    char p[PATH_MAX];
    real(p, path);
    struct timespec t[2] = {tv[0], tv[1]};
    for (int i = 0; i < 2; ++i) {
        if (t[i].tv_nsec == UTIME_NOW)
            clock_gettime(CLOCK_REALTIME, &t[i]);
        if (t[i].tv_nsec != UTIME_OMIT)
            t[i].tv_sec = (t[i].tv_sec - conf.shift) & ~1L, t[i].tv_nsec = 0;
    }
    return (fi ? futimens((int)fi->fh, t) : utimensat(AT_FDCWD, p, t, AT_SYMLINK_NOFOLLOW)) ? -errno
                                                                                            : 0;
}

static int fv_open(const char* path, struct fuse_file_info* fi)
{
    char p[PATH_MAX];
    real(p, path);
    int fd = open(p, fi->flags & ~O_NOFOLLOW);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return 0;
}

static int fv_create(const char* path, mode_t mode, struct fuse_file_info* fi)
{
    (void)mode;
    char p[PATH_MAX];
    real(p, path);
    int fd = open(p, fi->flags, 0644);
    if (fd < 0)
        return -errno;
    fi->fh = (uint64_t)fd;
    return logged(0, "create", path, NULL);
}

static int fv_read(const char* path, char* buf, size_t size, off_t off, struct fuse_file_info* fi)
{
    (void)path;
    ssize_t n = pread((int)fi->fh, buf, size, off);
    return n < 0 ? -errno : (int)n;
}

static int fv_write(const char* path, const char* buf, size_t size, off_t off,
                    struct fuse_file_info* fi)
{
    ssize_t n = pwrite((int)fi->fh, buf, size, off);
    if (n < 0)
        return -errno;
    logged(0, "write", path, NULL);
    return (int)n;
}

static int fv_fsync(const char* path, int data, struct fuse_file_info* fi)
{
    return logged((data ? fdatasync((int)fi->fh) : fsync((int)fi->fh)) ? -errno : 0, "fsync", path,
                  NULL);
}
static int fv_fsyncdir(const char* path, int data, struct fuse_file_info* fi)
{
    (void)data;
    (void)fi;
    char p[PATH_MAX];
    real(p, path);
    int fd = open(p, O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return -errno;
    int result = fsync(fd) ? -errno : 0;
    close(fd);
    return logged(result, "fsyncdir", path, NULL);
}

static int fv_release(const char* path, struct fuse_file_info* fi)
{
    (void)path;
    close((int)fi->fh);
    return 0;
}

static int fv_statfs(const char* path, struct statvfs* st)
{
    char p[PATH_MAX];
    real(p, path);
    return statvfs(p, st) ? -errno : 0;
}

static const struct fuse_operations ops = {
    .getattr = fv_getattr,
    .readdir = fv_readdir,
    .mkdir = fv_mkdir,
    .unlink = fv_unlink,
    .rmdir = fv_rmdir,
    .rename = fv_rename,
    .chmod = fv_chmod,
    .truncate = fv_truncate,
    .utimens = fv_utimens,
    .open = fv_open,
    .create = fv_create,
    .read = fv_read,
    .write = fv_write,
    .fsync = fv_fsync,
    .fsyncdir = fv_fsyncdir,
    .release = fv_release,
    .statfs = fv_statfs,
};

int main(int argc, char* argv[])
{
    struct fuse_args args = FUSE_ARGS_INIT(argc, argv);
    if (fuse_opt_parse(&args, &conf, options, NULL) != 0 || !conf.backing) {
        fprintf(stderr, "usage: fatview MOUNTPOINT -o backing=DIR[,shift=SECONDS][,log=PATH]\n");
        return 2;
    }
    if (conf.log && !(changes = fopen(conf.log, "a"))) {
        perror(conf.log);
        return 2;
    }
    return fuse_main(args.argc, args.argv, &ops, NULL);
}
