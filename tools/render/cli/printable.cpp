// Texts from the command line as messages may show them: see printable.h.
#include "tools/render/cli/printable.h"

#include <cstdio>

namespace {

// Returns the length of the well-formed UTF-8 sequence at text[at] (1 for
// an ASCII byte), or 0 when none starts there.
size_t sequenceLength(const std::string &text, size_t at) {
    unsigned char lead = (unsigned char)text[at];
    if (lead < 0x80) return 1;
    size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (size_t i = 1; i < length; i++)
        if (((unsigned char)text[at + i] & 0xC0) != 0x80) return 0;
    unsigned char second = (unsigned char)text[at + 1];
    // Overlong forms, UTF-16 surrogates and code points past U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

} // namespace

std::string printableText(const std::string &text, size_t limit) {
    std::string shown;
    size_t at = 0;
    while (at < text.size() && at < limit) {
        size_t length = sequenceLength(text, at);
        unsigned char byte = (unsigned char)text[at];
        if (length == 0 || byte < 0x20 || byte == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            shown += code;
            at++;
        } else {
            shown.append(text, at, length);
            at += length;
        }
    }
    if (at < text.size()) shown += "...";
    return shown;
}
