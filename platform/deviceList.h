// The sound devices a user can name: their listing, and the choice of the
// one that opening WAVE_MAPPER opens, each way.
#pragma once

#include <string>
#include <vector>

#include "platform/deviceCore.h"

// A device as the listing shows it.
struct ListedDevice {
    std::string name;        // what chooseDevice takes
    std::string description; // one line
    int isDefault;           // 1: the one WAVE_MAPPER opens unless another is chosen
};

// Returns the devices of direction, the default first; empty when the
// system lists none.
std::vector<ListedDevice> listDevices(DeviceDirection direction);
// Makes the device called name the one that opening WAVE_MAPPER opens for
// direction.  Returns 1, or 0 (nothing changed) when there is no such device.
int chooseDevice(DeviceDirection direction, const char *name);
// Returns the name chooseDevice was given for direction, or an empty string
// while the default is opened.
std::string chosenDevice(DeviceDirection direction);

// What a device takes, as it tells it.
struct DeviceRanges {
    std::string name;                  // the device's name
    unsigned rateMin = 0, rateMax = 0; // frames per second
    unsigned channelsMin = 0, channelsMax = 0;
    int takes16Bit = 0;    // 1: 16-bit signed samples
    std::string converter; // the same device converting what it is given, or empty when none is known
};

// Fills *ranges from the device that opening WAVE_MAPPER opens for direction.
// Returns 1, or 0 when that device cannot be opened or asked.
int deviceRanges(DeviceDirection direction, DeviceRanges *ranges);
