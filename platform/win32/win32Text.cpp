// Conversions between the core's UTF-8 and the UTF-16 of the Windows calls.
#include "platform/win32/win32Text.h"

#include <windows.h>

int toWide(const char *text, WideText *wide) {
    wide->clear();
    if (!text || !text[0]) return 1;
    const int needed = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0);
    if (needed <= 0) return 0;
    wide->resize((size_t)needed);
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, wide->data(), needed);
    wide->resize((size_t)needed - 1); // without the NUL
    return 1;
}

std::string toUtf8(const wchar_t *text, int length) {
    if (!text || length == 0 || (length < 0 && !text[0])) return std::string();
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string utf8((size_t)needed, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), needed, nullptr, nullptr);
    if (length < 0) utf8.resize((size_t)needed - 1);
    return utf8;
}
