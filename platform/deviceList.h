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
