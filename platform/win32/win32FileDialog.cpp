// The open-file dialog on Windows: GetOpenFileName, with the request record
// of the old 76-byte layout (no fields of later system versions), in its
// wide-character form so that any file name can be chosen.
#include "platform/fileDialog.h"

#include <windows.h>

#include <commdlg.h>

#include <cstring>

#include "platform/win32/win32Text.h"

namespace {

// Returns the filter list (pairs of NUL-ended UTF-8 texts, ended by a further
// NUL) in UTF-16, with its NULs.
WideText wideFilter(const char *filter) {
    WideText out;
    for (const char *p = filter; p && *p; p += strlen(p) + 1) {
        WideText part;
        toWide(p, &part);
        out += part;
        out += L'\0';
    }
    out += L'\0';
    return out;
}

} // namespace

int runOpenFileDialog(const OpenFileRequest *request) {
    if (!request->file || request->fileSize == 0) return 0;
    const WideText filter = wideFilter(request->filter);
    WideText title, folder, file;
    toWide(request->title, &title);
    toWide(request->initialDirectory, &folder);
    toWide(request->file, &file);
    file.resize(request->fileSize, L'\0');
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    dialog.hwndOwner = (HWND)request->owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = request->filterIndex;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = request->fileSize;
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
    dialog.Flags = request->flags;
    if (!GetOpenFileNameW(&dialog)) return 0;
    // A path whose UTF-8 form does not fit is a failure, never a cut path.
    const std::string chosen = toUtf8(file.c_str());
    if (chosen.size() >= request->fileSize) return 0;
    memcpy(request->file, chosen.c_str(), chosen.size() + 1);
    return 1;
}
