// Test support: runs a program and collects what it printed.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

struct ProgramRun {
    int exitCode;         // -1 when it did not exit normally
    std::string out, err; // standard output and error
};

// Runs program with arguments, standard output going to outPath (or
// collected when outPath is empty).  A non-zero fileSizeLimit caps the size
// of any file it writes (writes beyond fail as on a full disk).
ProgramRun runProgram(const std::vector<std::string> &command, const std::string &outPath = "", long fileSizeLimit = 0);
// Starts program in the background with standard output to outPath.
// Returns its process id, or -1.
pid_t startProgram(const std::vector<std::string> &command, const std::string &outPath);
// Returns the contents of a file ("" when it cannot be read).
std::string readFileText(const std::string &path);
// Returns a new empty folder under /tmp.
std::string makeTempFolder();
// Returns the names in folder (without . and ..), sorted.
std::vector<std::string> folderEntries(const std::string &folder);
