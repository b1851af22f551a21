// The wave-input operations that are the same on every system: each is the
// device core's own call on the recording's handle.  Only recordOpen, which
// chooses the capture driver, is a backend's (platform/linux/alsaWaveIn.cpp,
// platform/win32/win32WaveIn.cpp).
#include "platform/waveIn.h"

WaveResult recordPrepareHeader(WaveInHandle handle, WaveHeader *header, uint32_t size) {
    return wavePrepareHeader(handle, header, size);
}

WaveResult recordAddBuffer(WaveInHandle handle, WaveHeader *header, uint32_t size) {
    return waveWrite(handle, header, size);
}

WaveResult recordStart(WaveInHandle) { return WaveOk; }

WaveResult recordUnprepareHeader(WaveInHandle handle, WaveHeader *header, uint32_t size) {
    return waveUnprepareHeader(handle, header, size);
}

WaveResult recordReset(WaveInHandle handle) { return waveReset(handle); }

WaveResult recordClose(WaveInHandle handle) { return waveClose(handle); }

WaveResult recordGetPosition(WaveInHandle handle, WavePosition *position) { return waveGetPosition(handle, position); }
