// The desktop services the core needs beside its windows: the per-user
// settings store, the current folder, opening documents and addresses, and
// starting programs.  Each platform implements these calls in one file
// (platform/linux/qtSystem.cpp, platform/win32/win32System.cpp;
// tests/fakes/fakeSystem.cpp for tests).
#pragma once

#include <cstdint>

#include "platform/window.h"

typedef uintptr_t RegistryRoot; // a root of the settings store
#ifndef HKEY_CURRENT_USER
#define HKEY_CURRENT_USER ((RegistryRoot)0x80000001u) // the user's own settings
#endif

// Show states for openWithShell, with the values the desktop platforms give them.
#ifndef SW_SHOWNORMAL
#define SW_SHOWNORMAL 1
#endif
#ifndef SW_SHOWMAXIMIZED
#define SW_SHOWMAXIMIZED 3
#endif

// Stores the 32-bit value under name in key keyPath (parts separated by
// backslashes) of root, creating the key when needed.  Failures are silent:
// nothing comes back.
void writeRegistryDword(RegistryRoot root, const char *keyPath, const char *name, int32_t value);

// Copies the process's current folder into buffer (at most size - 1 bytes
// and a NUL).  Returns the bytes copied, or 0 on failure (buffer empty).
unsigned readCurrentDirectory(char *buffer, int size);

// Asks the desktop to perform verb ("open") on target, a file path (relative
// paths from the current folder) or an address, in show state showState,
// owned by owner.  Returns 1 when the request was handed over, else 0.
int openWithShell(Window owner, const char *verb, const char *target, int showState);

// Copies text into buffer (at most size - 1 bytes and a NUL) with every
// %NAME% replaced by the environment variable NAME (left as it is when NAME
// is unset).  Returns the bytes copied, or 0 when they do not fit.
unsigned expandEnvironment(const char *text, char *buffer, int size);

// Starts commandLine as a new process with the caller's environment and
// folder, then waits until it is ready for input, at most waitMs.  Returns 1
// when the process started, else 0.
int startProgram(const char *commandLine, unsigned waitMs);
