// The wave-input operations on Windows: the device core
// (platform/deviceCore.h) with the winmm capture driver (win32WaveDevice.h).
#include "platform/waveIn.h"

#include <windows.h>

#include <mmsystem.h>

#include "platform/deviceCore.h"
#include "platform/win32/win32WaveDevice.h"

static_assert(MM_WIM_DATA == 0x3C0, "the message numbers are the platform's");

WaveResult recordOpen(WaveInHandle *handle, uint32_t device, const StreamFormat *format, Window callback) {
    return deviceOpenRecording(&winmmCapture, device, format, callback, handle);
}
