// --list-devices, and the devices --device and --input-device name.
#pragma once

#include "tools/render/cli/arguments.h"

// --list-devices: writes the output and the input devices to standard
// output, a heading and a line each in text, or one JSON object with --json.
// Returns 0, or 1 after a message on standard error when the write failed.
int listSoundDevices(const RenderOptions &options);
// Makes the devices of --device and --input-device the ones that opening the
// default opens, output and input.  Returns 1, or 0 (after a message on
// standard error) when the system has no device of such a name.
int chooseNamedDevices(const RenderOptions &options);
