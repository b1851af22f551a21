// The wave-input operations that are the same on every system: each is the
// device core's own call on the recording's handle.  Only recordOpen, which
// chooses the capture driver, is a backend's (platform/linux/alsaWaveIn.cpp,
// platform/win32/win32WaveIn.cpp); it opens through deviceOpenRecording.
#include "platform/waveIn.h"

#include "platform/deviceCore.h"

namespace {

// An input handle is the core's record under a type of its own; the
// conversions there and back keep the address.
WaveOutHandle coreHandle(WaveInHandle handle) { return reinterpret_cast<WaveOutHandle>(handle); }
WaveInHandle inputHandle(WaveOutHandle handle) { return reinterpret_cast<WaveInHandle>(handle); }

} // namespace

WaveResult deviceOpenRecording(const DeviceCalls *driver, uint32_t device, const StreamFormat *format, Window callback,
                               WaveInHandle *handle) {
    if (!handle) return WaveErrorGeneric;
    WaveOutHandle opened = nullptr;
    const WaveResult result = deviceOpen(driver, device, format, callback, &opened,
                                         DeviceMessages{MM_WIM_OPEN, MM_WIM_CLOSE, MM_WIM_DATA, MM_WIM_LOST});
    *handle = inputHandle(opened);
    return result;
}

WaveResult recordPrepareHeader(WaveInHandle handle, WaveHeader *header, uint32_t size) {
    return wavePrepareHeader(coreHandle(handle), header, size);
}

WaveResult recordAddBuffer(WaveInHandle handle, WaveHeader *header, uint32_t size) {
    return waveWrite(coreHandle(handle), header, size);
}

WaveResult recordStart(WaveInHandle) { return WaveOk; }

WaveResult recordUnprepareHeader(WaveInHandle handle, WaveHeader *header, uint32_t size) {
    return waveUnprepareHeader(coreHandle(handle), header, size);
}

WaveResult recordReset(WaveInHandle handle) { return waveReset(coreHandle(handle)); }

WaveResult recordClose(WaveInHandle handle) { return waveClose(coreHandle(handle)); }

WaveResult recordGetPosition(WaveInHandle handle, WavePosition *position) {
    return waveGetPosition(coreHandle(handle), position);
}
