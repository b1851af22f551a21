// --list-devices and the devices named: see devices.h.
#include "tools/render/devices/devices.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/deviceList.h"
#include "tools/render/cli/printable.h"

namespace {

struct DirectionRow {
    DeviceDirection direction;
    const char *heading; // of the text
    const char *key;     // of the JSON object
    const char *shown;   // in "no output device named"
};

// clang-format off
static const DirectionRow directionRows[] = {
    {DevicePlayback, "Output devices", "outputs", "output"},
    {DeviceCapture,  "Input devices",  "inputs",  "input"},
};
// clang-format on

// Returns text as a JSON string, quotes included.
std::string jsonString(const std::string &text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += (char)c;
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            quoted += escaped;
        } else {
            quoted += (char)c;
        }
    }
    return quoted + "\"";
}

// Returns the devices as the text shows them: the heading, then a line
// each, "* " marking the default, the names padded to the longest.
std::string deviceLines(const DirectionRow &row, const std::vector<ListedDevice> &devices) {
    std::string text = std::string(row.heading) + ":\n";
    size_t width = 0;
    for (const ListedDevice &device : devices)
        width = device.name.size() > width ? device.name.size() : width;
    for (const ListedDevice &device : devices) {
        std::string line = std::string(device.isDefault ? "* " : "  ") + device.name;
        if (!device.description.empty()) line += std::string(width - device.name.size() + 2, ' ') + device.description;
        text += line + "\n";
    }
    if (devices.empty()) text += "  (none)\n";
    return text;
}

// Returns the devices as a JSON array.
std::string deviceArray(const std::vector<ListedDevice> &devices) {
    std::string array = "[";
    for (size_t i = 0; i < devices.size(); i++)
        array += std::string(i ? ", " : "") + "{\"name\": " + jsonString(devices[i].name) +
                 ", \"description\": " + jsonString(devices[i].description) +
                 ", \"default\": " + (devices[i].isDefault ? "true" : "false") + "}";
    return array + "]";
}

} // namespace

int listSoundDevices(const RenderOptions &options) {
    const int json = isGiven(options, OptionJson);
    std::string text = json ? "{" : "";
    for (const DirectionRow &row : directionRows) {
        const std::vector<ListedDevice> devices = listDevices(row.direction);
        if (json)
            text += std::string(&row == directionRows ? "" : ", ") + jsonString(row.key) + ": " + deviceArray(devices);
        else
            text += deviceLines(row, devices);
    }
    if (json) text += "}\n";
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "tonalix-render: cannot write the device list\n");
        return 1;
    }
    return 0;
}

int chooseNamedDevices(const RenderOptions &options) {
    const char *const named[] = {options.device, options.inputDevice};
    static_assert(sizeof named / sizeof named[0] == sizeof directionRows / sizeof directionRows[0], "a name each way");
    for (size_t i = 0; i < sizeof directionRows / sizeof directionRows[0]; i++) {
        if (!named[i] || chooseDevice(directionRows[i].direction, named[i])) continue;
        std::fprintf(stderr, "tonalix-render: no %s device named '%s' (tonalix-render --list-devices lists them)\n",
                     directionRows[i].shown, printableText(named[i]).c_str());
        return 0;
    }
    return 1;
}
