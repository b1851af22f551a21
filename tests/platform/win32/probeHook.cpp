// tonalix-probe.dll: the hook half of the heartbeat (see probeHook.h).  The
// system loads it into tonalix.exe for the watcher's message hook; it stays
// loaded, with its timer, for the rest of the program's life.
#include "tests/platform/win32/probeHook.h"

namespace {

ProbeRecord *record;
UINT_PTR heartbeat;
UINT probeMessage;

// Opens the watcher's record and starts the heartbeat on the calling thread,
// once.  Returns 1 when both are there.
int setUp() {
    if (record && heartbeat) return 1;
    if (!record) {
        HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, probeRecordName);
        if (mapping) record = (ProbeRecord *)MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ProbeRecord));
        if (!record) return 0;
    }
    // The timer calls into this module, which must outlive the hook.
    HMODULE pinned;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, (LPCWSTR)&setUp,
                       &pinned);
    probeMessage = RegisterWindowMessageW(probeMessageName);
    heartbeat = SetTimer(nullptr, 0, probeTimerMs, nullptr);
    return heartbeat != 0;
}

// Raises *longest to value when value is larger.
void keepLongest(volatile LONG64 *longest, LONG64 value) {
    if (value > *longest) *longest = value;
}

} // namespace

// The WH_GETMESSAGE hook: sees every message the window thread takes from
// its queue.  Returns what the next hook returns.
extern "C" __declspec(dllexport) LRESULT CALLBACK probeHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE && setUp()) {
        const MSG *message = (const MSG *)lParam;
        const LONG64 now = probeNow();
        if (message->message == WM_TIMER && !message->hwnd && message->wParam == heartbeat) {
            const LONG64 from = record->lastTick > record->since ? record->lastTick : record->since;
            keepLongest(&record->longestTickGap, now - from);
            record->lastTick = now;
            InterlockedIncrement(&record->ticks);
        } else if (message->message == probeMessage) {
            keepLongest(&record->longestProbeWait, now - (LONG64)message->wParam);
            record->lastProbeSeen = (LONG64)message->wParam;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
