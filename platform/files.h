// Opening files by the UTF-8 paths the window and the command line give.
//
// Every text of the core is UTF-8.  Linux takes such a path as it is; Windows
// needs it in UTF-16, or a folder or file name with Japanese characters
// would be unreachable on a system whose code page cannot spell it.  Each
// platform implements this in one file (platform/linux/posixFiles.cpp,
// platform/win32/win32Files.cpp).
#pragma once

#include <cstdio>

// Opens the file at path (UTF-8) with an fopen mode.  Returns the stream, or
// null with errno set.
FILE *openFile(const char *path, const char *mode);
