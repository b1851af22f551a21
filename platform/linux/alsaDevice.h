// The ALSA driver of the device core (platform/deviceCore.h), both ways, and
// the device names and formats the wave operations (alsaWave*.cpp) ask for.
#pragma once

#include <alsa/asoundlib.h>

#include <string>
#include <vector>

#include "platform/deviceCore.h"

extern const char *const defaultDevice; // the ALSA name of the system's default device
extern const DeviceCalls alsaPlayback;  // writes to a playback stream
extern const DeviceCalls alsaCapture;   // reads from a capture stream

// Silences ALSA's error printing, once per process.
void silenceAlsa();
// Returns the names of the devices ALSA lists for stream, without "null".
std::vector<std::string> streamDevices(snd_pcm_stream_t stream);
// Makes name (empty: the default) the device that WAVE_MAPPER opens for
// stream.  Returns nothing.
void chooseAlsaDevice(snd_pcm_stream_t stream, const std::string &name);
// Returns the ALSA name of device (WAVE_MAPPER: the chosen one, else the default) among those of
// stream, or an empty string when there is no such device.
std::string deviceName(uint32_t device, snd_pcm_stream_t stream);
// Returns the ALSA sample format of a PCM format record, or
// SND_PCM_FORMAT_UNKNOWN for one the backend does not play.
snd_pcm_format_t sampleFormatOf(const StreamFormat *format);
