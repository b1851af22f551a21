// Texts at the Windows boundary: the core's UTF-8 on one side, the UTF-16 of
// the wide-character calls on the other.
#pragma once

#include <string>

typedef std::wstring WideText;

// Stores text (UTF-8, NUL-ended; null is empty) as UTF-16 in *wide.  Returns
// 1, or 0 when text is not valid UTF-8 (*wide is then empty).
int toWide(const char *text, WideText *wide);
// Returns text (UTF-16, length characters; -1: NUL-ended) as UTF-8.
std::string toUtf8(const wchar_t *text, int length = -1);
