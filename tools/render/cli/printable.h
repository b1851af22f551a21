// Texts from the command line as messages may show them.
#pragma once

#include <string>

// Returns text as a message shows it: control bytes and bytes that are not
// part of well-formed UTF-8 as \xNN, and a text longer than limit bytes cut
// there (at a character's start) with "..." after it.
std::string printableText(const std::string &text, size_t limit = 200);
