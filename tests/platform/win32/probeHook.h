// The heartbeat of a running tonalix.exe, shared between tonalix-probe.dll
// (loaded into the program by a message hook of tonalix-click's watch
// command) and the watcher.  The hook starts a 20 ms timer on the window
// thread and notes, as the thread takes each message from its queue, the
// longest gap between two of the timer's ticks and the longest time a probe
// message posted by the watcher waited in the queue.
#pragma once

#include <windows.h>

const wchar_t probeRecordName[] = L"Local\\TonalixProbe"; // the shared record's mapping
const wchar_t probeMessageName[] = L"TonalixProbe";       // the posted probe: wParam is when it was posted
const char probeHookName[] = "probeHook";                 // the hook procedure the DLL exports
const UINT probeTimerMs = 20;                             // the heartbeat's period

// Every time is in milliseconds of probeNow; the watcher writes since, the
// hook the rest.
struct ProbeRecord {
    volatile LONG64 since;          // when the watch began
    volatile LONG64 lastTick;       // the heartbeat's last tick
    volatile LONG64 longestTickGap; // since the watch began
    volatile LONG64 lastProbeSeen;  // the post time of the last probe taken from the queue
    volatile LONG64 longestProbeWait;
    volatile LONG ticks; // ticks since the watch began
};

// Returns the milliseconds of a clock that every process shares.
inline LONG64 probeNow() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return (LONG64)(count.QuadPart * 1000 / frequency.QuadPart);
}
