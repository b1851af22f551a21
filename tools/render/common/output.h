// Where tonalix-render writes its samples and pictures: standard output, or a
// file that appears only once it is complete.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct RenderOutput {
    FILE *file;            // where samples go
    std::string path;      // the name given; empty for standard output
    std::string target;    // the file the rename replaces (path, links resolved)
    std::string temporary; // the file written until the rename; empty when
                           // path is written in place (a device or a pipe)
    int special;           // 1: a device or a pipe, written in place and never gone back to
};

// Opens the output: standard output for an empty path or "-"; path itself
// when it names a device or a pipe; else a new temporary file beside the file
// that path names (through any links).  Refuses a folder.  Returns 1, or 0
// after a message on standard error.
int openOutput(RenderOutput *output, const std::string &path);
// Writes size bytes.  Returns 1, or 0 after a message.
int writeOutput(RenderOutput *output, const void *data, size_t size);
// Flushes the output to the disk, closes it and gives the file its final
// name and the permission bits of the file it replaces.
// Returns 1, or 0 after a message (no file is left behind).
int finishOutput(RenderOutput *output);
// Closes and removes an unfinished output file.
void abandonOutput(RenderOutput *output);
