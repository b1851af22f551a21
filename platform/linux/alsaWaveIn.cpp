// The wave-input operations on ALSA: the device core (platform/deviceCore.h)
// with the ALSA capture driver (alsaDevice.h).
#include "platform/deviceCore.h"
#include "platform/linux/alsaDevice.h"
#include "platform/waveIn.h"

WaveResult recordOpen(WaveInHandle *handle, uint32_t device, const StreamFormat *format, Window callback) {
    silenceAlsa();
    if (!format || sampleFormatOf(format) == SND_PCM_FORMAT_UNKNOWN) return WaveErrorBadFormat;
    return deviceOpenRecording(&alsaCapture, device, format, callback, handle);
}
