// A stand-in for the C library's fsync, put before it with LD_PRELOAD: with
// TONALIX_FAILING_FLUSH=file it fails with EIO for a plain file, with
// =folder for a folder, as a disk that cannot take the data would; for
// anything else it is the C library's own.
#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern "C" int fsync(int fd) {
    const char *failing = std::getenv("TONALIX_FAILING_FLUSH");
    struct stat found;
    if (failing && fstat(fd, &found) == 0) {
        const char *kind = S_ISDIR(found.st_mode) ? "folder" : "file";
        if (std::strcmp(failing, kind) == 0) {
            errno = EIO;
            return -1;
        }
    }
    using Fsync = int (*)(int);
    static const Fsync real = (Fsync)dlsym(RTLD_NEXT, "fsync");
    return real(fd);
}
