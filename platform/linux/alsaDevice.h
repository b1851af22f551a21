// The ALSA side of the wave-output backend: device names, the sample format
// of a stream format record, and the device configuration.
#pragma once

#include <alsa/asoundlib.h>

#include <string>
#include <vector>

struct StreamFormat;

extern const char *const defaultDevice; // the ALSA name of the system's default device

// Silences ALSA's error printing, once per process.
void silenceAlsa();
// Returns the names of the devices ALSA lists for stream (playback or
// capture), without "null".
std::vector<std::string> streamDevices(snd_pcm_stream_t stream);
// Returns the ALSA device name of device (WAVE_MAPPER: the default) among
// those of stream, or an empty string when there is no such device.
std::string deviceName(uint32_t device, snd_pcm_stream_t stream);
// Returns the ALSA sample format of a PCM format record, or
// SND_PCM_FORMAT_UNKNOWN for one the backend does not play.
snd_pcm_format_t sampleFormatOf(const StreamFormat *format);
// Returns 1 after setting pcm to interleaved sampleFormat, channels and
// exactly rate frames per second, with a buffer of about bufferUs (0: the
// playback's 400 ms) in about periods periods (0: the playback's two), and
// storing the period's length in *periodFrames.  Returns 0 when the device
// cannot play that.
int configureDevice(snd_pcm_t *pcm, snd_pcm_format_t sampleFormat, unsigned channels, unsigned rate,
                    snd_pcm_uframes_t *periodFrames, unsigned bufferUs = 0, unsigned periods = 0);
// Waits in poll at most timeoutMs (-1: without limit) on the eventfd wakeFd
// and the descriptors of pcm.  Returns 1 when pcm reports ready (ready: the
// poll events that mean so, POLLOUT or POLLIN) or an error, which the next
// read or write finds out; 0 after a wake or the timeout.  Empties wakeFd.
int waitForDevice(snd_pcm_t *pcm, int wakeFd, short ready, int timeoutMs);
// Ends the current or the next waitForDevice on wakeFd.  Any thread may call
// it.
void wakeDevice(int wakeFd);
// Stores in *frames where the stream of pcm stands now: of the moved frames
// written to it (or read from it, for capture) since it was prepared, those
// played (or captured) so far.  Returns 1, or 0 when the device cannot tell.
int streamPosition(snd_pcm_t *pcm, uint64_t moved, int capture, uint64_t *frames);
