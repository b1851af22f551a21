// Pictures of what the screen shows: see screenPicture.h.  (Wine's
// PrintWindow draws only a dialog's face, without its controls, so the
// screen is read instead.)
#include "tests/platform/win32/screenPicture.h"

#include <cstdio>

int saveScreenArea(const RECT &area, const char *path) {
    const int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0) return 0;
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void *bits = nullptr;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    int written = 0;
    if (FILE *file = fopen(path, "wb")) {
        const DWORD rowBytes = ((DWORD)width * 3 + 3) & ~3u, size = rowBytes * (DWORD)height;
        BITMAPFILEHEADER header = {0x4D42, (DWORD)(sizeof header + sizeof info.bmiHeader) + size, 0, 0,
                                   (DWORD)(sizeof header + sizeof info.bmiHeader)};
        written = fwrite(&header, sizeof header, 1, file) == 1 &&
                  fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, file) == 1 && fwrite(bits, 1, size, file) == size;
        written = fclose(file) == 0 && written;
    }
    SelectObject(memory, previous);
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written;
}
