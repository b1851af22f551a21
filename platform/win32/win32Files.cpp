// Files on Windows: the UTF-8 path is converted to UTF-16 and opened with the
// wide-character call, which reaches every name whatever the code page.
#include "platform/files.h"

#include <cerrno>
#include <cwchar>

#include "platform/win32/win32Text.h"

FILE *openFile(const char *path, const char *mode) {
    WideText widePath, wideMode;
    if (!toWide(path, &widePath) || !toWide(mode, &wideMode)) {
        errno = EINVAL;
        return nullptr;
    }
    return _wfopen(widePath.c_str(), wideMode.c_str());
}
