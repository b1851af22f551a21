// Copying text into fixed buffers without splitting a character.
//
// Inline and the same on every platform: no backend (Linux, Win32 or fake)
// implements it; the backends and the core call it.
#pragma once

#include <cstddef>
#include <cstring>

// Copies text (length bytes of UTF-8) into buffer: at most size - 1 bytes and
// a terminating NUL, cut before a character that would not fit whole.
// Returns the bytes copied; with size 0 or less nothing is written and 0
// comes back.
inline unsigned copyBoundedText(char *buffer, int size, const char *text, size_t length) {
    if (!buffer || size <= 0) return 0;
    size_t n = length;
    if (n > (size_t)size - 1) {
        n = (size_t)size - 1;
        // step back over continuation bytes (10xxxxxx) to the start of the
        // character that was cut
        while (n > 0 && ((unsigned char)text[n] & 0xC0u) == 0x80u)
            n--;
    }
    if (n) memcpy(buffer, text, n);
    buffer[n] = '\0';
    return (unsigned)n;
}
