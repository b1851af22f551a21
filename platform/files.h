// Files and the console, by the UTF-8 paths and arguments the window and the
// command line give.
//
// Every text of the core is UTF-8.  Linux takes such a path as it is; Windows
// needs it in UTF-16, or a folder or file name with Japanese characters
// would be unreachable on a system whose code page cannot spell it.  Each
// platform implements these calls in one file (platform/linux/posixFiles.cpp,
// platform/win32/win32Files.cpp).  There is no fake: the tests use the
// backend of the platform they run on.
#pragma once

#include <cstdio>
#include <string>

// Opens the file at path (UTF-8) with an fopen mode.  Returns the stream, or
// null with errno set.
FILE *openFile(const char *path, const char *mode);

// What a path names, links followed.
enum PathKind {
    PathMissing = 0, // nothing (or nothing reachable)
    PathFile = 1,    // a plain file
    PathFolder = 2,  // a folder
    PathSpecial = 3, // a device or a pipe: written in place, never replaced
};
// Returns what path names.
PathKind pathKind(const char *path);
// Stores in *target the file that path names when path is a link to it, else
// path itself.  Returns 1, or 0 when a link cannot be resolved (errno set).
int linkTarget(const char *path, std::string *target);

// Creates a new, empty file with a unique name that begins with prefix (a
// folder and the start of a name), with the access a new file gets.  Stores
// its name in *name.  Returns the stream open for binary writing, or null
// with errno set.
FILE *createUniqueFile(const std::string &prefix, std::string *name);
// Flushes what has been written to file (its stream flushed already) from
// the system's cache to the disk.  Returns 1, or 0 with errno set.
int flushToDisk(FILE *file);
// Gives the open file the permission bits of the plain file at path, when
// there is one; otherwise changes nothing.  Returns 1, or 0 with errno set.
int keepPermissions(FILE *file, const char *path);
// Gives file from the name to, replacing a plain file there in one step, and
// flushes the change of name to the disk.  Returns 1, or 0 with errno set:
// then to is as it was (the old file, or nothing) and from may be gone.
int replaceFile(const char *from, const char *to);
// Removes a file.  Returns 1, or 0 with errno set.
int removeFile(const char *path);

// Returns 1 when stream is a terminal (a console), else 0.
int isTerminal(FILE *stream);
// Makes stream carry bytes unchanged (no line-end translation).
void useBinaryMode(FILE *stream);
// Returns the program's arguments as UTF-8, argv[0] first: on Linux argv
// itself; on Windows the wide-character command line, converted.  The array
// lives as long as the process.
char **utf8Arguments(int argc, char **argv);
