// Small window helpers that every window of the program uses.
#include "window/windowHelpers.h"

#include <climits>
#include <cstring>

#include "platform/boundedText.h"
#include "platform/system.h"
#include "res/layout.h"

namespace {
char directoryBuffer[directorySize]; // filled by currentDirectory
}

int showError(Window owner, const char *text, const char *caption) {
    return messageBox(owner, text, caption, MB_OK | MB_ICONERROR);
}

int leadingInteger(const char *text) {
    const char *p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        p++;
    int negative = 0;
    if (*p == '-' || *p == '+') negative = *p++ == '-';
    long long value = 0; // saturates long before it could overflow
    for (; *p >= '0' && *p <= '9'; p++) {
        value = value * 10 + (*p - '0');
        if (value > (long long)INT_MAX + 1) value = (long long)INT_MAX + 1;
    }
    if (negative) return (int)-value;
    return value > INT_MAX ? INT_MAX : (int)value;
}

int loadResourceText(char *buffer, int id) {
    const char *text = resourceString(id);
    if (!text) text = "";
    copyBoundedText(buffer, resourceTextSize, text, strlen(text));
    return 1;
}

int setButtonBitmap(Module module, Window window, int controlId, int bitmapId) {
    (void)module; // this program's own resources are the only ones
    setButtonImage(window, controlId, bitmapId);
    return 1;
}

const char *currentDirectory() {
    readCurrentDirectory(directoryBuffer, directorySize);
    return directoryBuffer;
}
