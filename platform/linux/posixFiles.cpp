// Files on Linux: a UTF-8 path is the path itself.
#include "platform/files.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FILE *openFile(const char *path, const char *mode) { return fopen(path, mode); }

PathKind pathKind(const char *path) {
    struct stat found;
    if (stat(path, &found) != 0) return PathMissing;
    if (S_ISDIR(found.st_mode)) return PathFolder;
    return S_ISREG(found.st_mode) ? PathFile : PathSpecial;
}

int linkTarget(const char *path, std::string *target) {
    struct stat link;
    if (lstat(path, &link) != 0 || !S_ISLNK(link.st_mode)) {
        *target = path;
        return 1;
    }
    char resolved[PATH_MAX];
    if (!realpath(path, resolved)) return 0;
    *target = resolved;
    return 1;
}

FILE *createUniqueFile(const std::string &prefix, std::string *name) {
    std::string pattern = prefix + "XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) return nullptr;
    // mkstemp makes the file private; give it the mode a new file gets.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    FILE *file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(pattern.c_str());
        return nullptr;
    }
    *name = pattern;
    return file;
}

namespace {

// Flushes the folder that holds path (its names) to the disk.  Returns 1, or
// 0 with errno set.  A file system that cannot flush a folder (EINVAL) has
// nothing to flush: the names it keeps are as durable as it makes them.
int flushFolderOf(const char *path) {
    const char *slash = std::strrchr(path, '/');
    const std::string folder = !slash ? "." : slash == path ? "/" : std::string(path, (size_t)(slash - path));
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return 0;
    int flushed = fsync(fd) == 0 || errno == EINVAL;
    const int error = errno;
    close(fd);
    errno = error;
    return flushed;
}

} // namespace

int flushToDisk(FILE *file) { return fsync(fileno(file)) == 0; }

int keepPermissions(FILE *file, const char *path) {
    struct stat old;
    if (stat(path, &old) != 0 || !S_ISREG(old.st_mode)) return 1; // nothing to keep
    return fchmod(fileno(file), old.st_mode & 07777) == 0;
}

// A rename lives in the folder's cache until the folder is flushed; after a
// power cut it may be lost.  So the folder is flushed after it, and when that
// fails the old file is put back from a second name (a hard link made before
// the rename), or the new one removed when there was none: the caller then
// reports a failed write, and the old file must be as it was.
int replaceFile(const char *from, const char *to) {
    struct stat old;
    const int hadOld = lstat(to, &old) == 0 && S_ISREG(old.st_mode);
    const std::string second = std::string(from) + ".old";
    const int kept = hadOld && link(to, second.c_str()) == 0; // a file system without links keeps none
    if (rename(from, to) != 0) {
        const int error = errno;
        if (kept) unlink(second.c_str());
        errno = error;
        return 0;
    }
    if (flushFolderOf(to)) {
        if (kept) unlink(second.c_str());
        return 1;
    }
    const int error = errno;
    if (kept)
        rename(second.c_str(), to);
    else if (!hadOld)
        unlink(to);
    errno = error;
    return 0;
}

int removeFile(const char *path) { return unlink(path) == 0; }

int isTerminal(FILE *stream) { return isatty(fileno(stream)); }

void useBinaryMode(FILE *) {}

char **utf8Arguments(int, char **argv) { return argv; }
