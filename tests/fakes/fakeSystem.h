// The desktop services held in memory, for tests: settings writes, shell
// requests and program starts are recorded; their answers are set by the test.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"

// One settings value as written.
struct FakeRegistryWrite {
    RegistryRoot root;
    std::string keyPath;
    std::string name;
    int32_t value;
};

// One request given to openWithShell.
struct FakeShellRequest {
    Window owner;
    std::string verb;
    std::string target;
    int showState;
};

// One call of startProgram.
struct FakeProgramStart {
    std::string commandLine;
    unsigned waitMs;
};

// Forgets every recorded call and restores the default answers.
void fakeResetSystem();
// Returns the settings writes, oldest first.
const std::vector<FakeRegistryWrite> &fakeRegistryWrites();
// Returns the latest value written under keyPath and name into value; 0 when
// none was written (value unchanged), else 1.
int fakeRegistryValue(const char *keyPath, const char *name, int32_t *value);
// Returns the shell requests, oldest first.
const std::vector<FakeShellRequest> &fakeShellRequests();
// Returns the program starts tried, oldest first.
const std::vector<FakeProgramStart> &fakeProgramStarts();
// Sets which command lines start: only those listed (the default: none).
void fakeSetStartablePrograms(const std::vector<std::string> &commandLines);
// Sets what readCurrentDirectory reports (the default: "/fake/folder").
void fakeSetCurrentDirectory(const char *path);
// Sets an environment variable that expandEnvironment sees (and only those).
void fakeSetEnvironment(const char *name, const char *value);
