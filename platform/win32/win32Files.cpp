// Files and the console on Windows: UTF-8 paths are converted to UTF-16 and
// handed to the wide-character calls, which reach every name whatever the
// code page.
#include "platform/files.h"

#include <windows.h>

#include <shellapi.h>

#include <cerrno>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <vector>

#include "platform/win32/win32Text.h"

namespace {

// Stores path as UTF-16 in *wide; returns 1, or 0 with errno EINVAL.
int widePath(const char *path, WideText *wide) {
    if (toWide(path, wide)) return 1;
    errno = EINVAL;
    return 0;
}

// Sets errno from the system's last error, for the calls that report there.
void errnoFromLastError() {
    switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        errno = ENOENT;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        errno = EACCES;
        break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        errno = ENOSPC;
        break;
    default:
        errno = EIO;
    }
}

} // namespace

FILE *openFile(const char *path, const char *mode) {
    WideText wide, wideMode;
    if (!widePath(path, &wide) || !widePath(mode, &wideMode)) return nullptr;
    return _wfopen(wide.c_str(), wideMode.c_str());
}

// A device name such as NUL or CON, or a pipe, is no file on disk.
PathKind pathKind(const char *path) {
    WideText wide;
    if (!widePath(path, &wide)) return PathMissing;
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathFolder : PathFile;
    HANDLE handle =
        CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return PathMissing;
    const DWORD type = GetFileType(handle);
    CloseHandle(handle);
    return type == FILE_TYPE_DISK ? PathFile : PathSpecial;
}

// Links are followed by the file calls themselves; the name is kept.
int linkTarget(const char *path, std::string *target) {
    *target = path;
    return 1;
}

FILE *createUniqueFile(const std::string &prefix, std::string *name) {
    for (unsigned attempt = 0; attempt < 100; attempt++) {
        char suffix[32];
        snprintf(suffix, sizeof suffix, "%06lX",
                 (unsigned long)((GetTickCount() ^ (GetCurrentProcessId() << 8)) + attempt * 7919u) & 0xFFFFFFu);
        const std::string candidate = prefix + suffix;
        WideText wide;
        if (!widePath(candidate.c_str(), &wide)) return nullptr;
        HANDLE handle =
            CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            errnoFromLastError();
            return nullptr;
        }
        const int fd = _open_osfhandle((intptr_t)handle, _O_BINARY | _O_WRONLY);
        FILE *file = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
        if (!file) {
            if (fd >= 0)
                _close(fd);
            else
                CloseHandle(handle);
            DeleteFileW(wide.c_str());
            errno = EMFILE;
            return nullptr;
        }
        *name = candidate;
        return file;
    }
    errno = EEXIST;
    return nullptr;
}

int flushToDisk(FILE *file) {
    const HANDLE handle = (HANDLE)_get_osfhandle(_fileno(file));
    if (handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle)) return 1;
    errnoFromLastError();
    return 0;
}

// A file's access on Windows is its folder's, inherited when it is made; the
// replaced file's own is not carried over.
int keepPermissions(FILE *, const char *) { return 1; }

// MOVEFILE_WRITE_THROUGH returns only once the move is on the disk: the
// folder needs no flush of its own.
int replaceFile(const char *from, const char *to) {
    WideText wideFrom, wideTo;
    if (!widePath(from, &wideFrom) || !widePath(to, &wideTo)) return 0;
    if (MoveFileExW(wideFrom.c_str(), wideTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 1;
    errnoFromLastError();
    return 0;
}

int removeFile(const char *path) {
    WideText wide;
    if (!widePath(path, &wide)) return 0;
    if (DeleteFileW(wide.c_str())) return 1;
    errnoFromLastError();
    return 0;
}

int isTerminal(FILE *stream) { return _isatty(_fileno(stream)) ? 1 : 0; }

// Text mode would turn every byte 10 of the samples into 13 10.
void useBinaryMode(FILE *stream) { _setmode(_fileno(stream), _O_BINARY); }

// The narrow argv holds the arguments in the system's code page, where a
// Japanese file name may already be lost; the wide command line holds them
// all.
char **utf8Arguments(int argc, char **argv) {
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return argv;
    static std::vector<std::string> texts;
    static std::vector<char *> pointers;
    texts.clear();
    for (int i = 0; i < count; i++)
        texts.push_back(toUtf8(wide[i]));
    LocalFree(wide);
    if (count != argc) return argv; // not the command line the runtime split
    pointers.clear();
    for (std::string &text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers.data();
}
