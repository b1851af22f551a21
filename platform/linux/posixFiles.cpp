// Files on Linux: a UTF-8 path is the path itself.
#include "platform/files.h"

#include <climits>
#include <cstdlib>
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

int replaceFile(const char *from, const char *to) { return rename(from, to) == 0; }

int removeFile(const char *path) { return unlink(path) == 0; }

int isTerminal(FILE *stream) { return isatty(fileno(stream)); }

void useBinaryMode(FILE *) {}

char **utf8Arguments(int, char **argv) { return argv; }
