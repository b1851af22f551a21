// The end of a program that has used waveOut: waveProcessExit (waveOut.h).
//
// A device thread of the core (platform/deviceCore.cpp) may still wait
// inside the driver when the program ends (a reset that a stopped sound
// server never answers), and the driver of a lost device stays open.  The sound system's own clean-up at exit then
// pulls the driver from under them: under Wine the process crashes, and
// ending the thread alone does the same.  So such a process ends at once,
// without the clean-up of its modules.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/deviceCore.h"
#include "platform/waveOut.h"

namespace {

// Ends the process at once with exitCode.  Under Wine on Linux the process
// leaves through the kernel's exit_group: Wine 8 cannot end a process one of
// whose threads waits inside the sound server's client library (its
// PulseAudio stream still open) without crashing it now and then, and the
// exit status is lost with it.
void endProcessNow(int exitCode) {
    typedef void (*HostVersion)(const char **system, const char **release);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    HostVersion hostVersion = ntdll ? (HostVersion)(void (*)())GetProcAddress(ntdll, "wine_get_host_version") : nullptr;
    const char *system = nullptr, *release = nullptr;
    if (hostVersion) hostVersion(&system, &release);
    if (system && std::strcmp(system, "Linux") == 0) {
        const long exitGroup = 231; // the x86-64 Linux system call
        asm volatile("syscall" : : "a"(exitGroup), "D"((long)exitCode) : "rcx", "r11", "memory");
    }
    TerminateProcess(GetCurrentProcess(), (UINT)exitCode);
}

} // namespace

// While a device thread runs or a lost driver stays open, the process ends
// here, after the C streams are flushed.
int waveProcessExit(int exitCode) {
    if (deviceThreadsHeld()) {
        std::fflush(nullptr);
        endProcessNow(exitCode);
    }
    return exitCode;
}
