// The devices winmm names: see platform/deviceList.h.
//
// waveOut and waveIn number their devices and name them by their
// capabilities, cut at 31 characters; the mapper, the default, is
// WAVE_MAPPER.  A device is chosen by its listed name, exactly or by a
// prefix that fits it alone (a longer name cut by winmm), or by its number.
#include <windows.h>

#include <mmsystem.h>

#include <cstdlib>
#include <string>

#include "platform/deviceList.h"
#include "platform/streamFormat.h"
#include "platform/win32/win32Text.h"
#include "platform/win32/win32WaveDevice.h"

namespace {

// The names chooseDevice took, playback's and capture's.
std::string chosenNames[2];

// Returns the name of device id (or WAVE_MAPPER) of direction, or an empty
// string when winmm tells none.
std::string capabilityName(DeviceDirection direction, UINT id) {
    if (direction == DevicePlayback) {
        WAVEOUTCAPSW caps = {};
        if (waveOutGetDevCapsW(id, &caps, sizeof caps) != MMSYSERR_NOERROR) return std::string();
        return toUtf8(caps.szPname);
    }
    WAVEINCAPSW caps = {};
    if (waveInGetDevCapsW(id, &caps, sizeof caps) != MMSYSERR_NOERROR) return std::string();
    return toUtf8(caps.szPname);
}

// Returns the devices winmm numbers for direction.
UINT deviceCount(DeviceDirection direction) {
    return direction == DevicePlayback ? waveOutGetNumDevs() : waveInGetNumDevs();
}

// The rates asked of a device: winmm tells no range, only whether it takes
// one format.
static const unsigned askedRates[] = {8000,  11025, 16000, 22050,  32000,  44100,
                                      48000, 88200, 96000, 132300, 176400, 192000};

// Returns 1 when the chosen device of direction takes 16-bit samples of
// channels at rate, else 0.
int takes(DeviceDirection direction, unsigned rate, unsigned channels) {
    const StreamFormat format = {1, (uint16_t)channels, rate, rate * channels * 2, (uint16_t)(channels * 2), 16, 0};
    return winmmTakes(direction, &format);
}

} // namespace

std::vector<ListedDevice> listDevices(DeviceDirection direction) {
    std::vector<ListedDevice> devices;
    const std::string mapper = capabilityName(direction, WAVE_MAPPER);
    devices.push_back({mapper.empty() ? "default" : mapper, "The system's default device", 1});
    const UINT count = deviceCount(direction);
    for (UINT id = 0; id < count; id++) {
        const std::string name = capabilityName(direction, id);
        if (!name.empty()) devices.push_back({name, "Device " + std::to_string(id), 0});
    }
    return devices;
}

int chooseDevice(DeviceDirection direction, const char *name) {
    const std::string given = name ? name : "";
    if (given.empty()) return 0;
    const UINT count = deviceCount(direction);
    char *end = nullptr;
    const unsigned long number = std::strtoul(given.c_str(), &end, 10);
    if (*end == '\0' && given[0] >= '0' && given[0] <= '9') {
        if (number >= count) return 0;
        chooseWinmmDevice(direction, (uint32_t)number);
        chosenNames[direction != DevicePlayback] = given;
        return 1;
    }
    if (given == "default" || given == capabilityName(direction, WAVE_MAPPER)) {
        chooseWinmmDevice(direction, WAVE_MAPPER);
        chosenNames[direction != DevicePlayback] = std::string();
        return 1;
    }
    UINT exact = count, prefixed = count, prefixes = 0;
    for (UINT id = 0; id < count; id++) {
        const std::string listed = capabilityName(direction, id);
        if (listed.empty()) continue;
        if (listed == given && exact == count) exact = id;
        // winmm's name may be the given one cut short, or the given one a
        // shorter part of it.
        if (given.compare(0, listed.size(), listed) == 0 || listed.compare(0, given.size(), given) == 0) {
            prefixed = id;
            prefixes++;
        }
    }
    const UINT picked = exact != count ? exact : prefixes == 1 ? prefixed : count;
    if (picked == count) return 0;
    chooseWinmmDevice(direction, (uint32_t)picked);
    chosenNames[direction != DevicePlayback] = given;
    return 1;
}

std::string chosenDevice(DeviceDirection direction) { return chosenNames[direction != DevicePlayback]; }

// The lowest and highest of the usual rates the device takes, with one or
// two channels; then the channels it takes at the lowest of those rates.  A
// device that takes none of them cannot be asked.
int deviceRanges(DeviceDirection direction, DeviceRanges *ranges) {
    *ranges = DeviceRanges();
    const std::string chosen = chosenDevice(direction);
    ranges->name = chosen.empty() ? "the default sound device" : chosen;
    for (unsigned rate : askedRates)
        if (takes(direction, rate, 1) || takes(direction, rate, 2)) {
            if (!ranges->rateMin) ranges->rateMin = rate;
            ranges->rateMax = rate;
        }
    if (!ranges->rateMin) return 0;
    for (unsigned channels = 1; channels <= maxStreamChannels; channels++)
        if (takes(direction, ranges->rateMin, channels)) {
            if (!ranges->channelsMin) ranges->channelsMin = channels;
            ranges->channelsMax = channels;
        }
    ranges->takes16Bit = 1;
    return 1;
}
