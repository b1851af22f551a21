// The devices ALSA names: see platform/deviceList.h.
//
// The listing is ALSA's device hints, as its own tools show them.  A chosen
// name need not be listed: any PCM of the configuration is taken with its
// arguments (hw:CARD=X,DEV=0, plughw:1,0, a name of the user's own), and the
// open finds out whether the device behind it is there.  The check reads the
// configuration only: opening a pulse PCM to try it would wait on the server.
#include <cstdlib>
#include <cstring>

#include "platform/deviceList.h"
#include "platform/linux/alsaDevice.h"
#include "platform/waveOut.h"

namespace {

const char *const defaultDescription = "The system's default device";

// Returns the first line of text.
std::string firstLine(const char *text) {
    std::string line = text ? text : "";
    return line.substr(0, line.find('\n'));
}

// Returns the ALSA stream of direction.
snd_pcm_stream_t streamOf(DeviceDirection direction) {
    return direction == DeviceCapture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK;
}

} // namespace

std::vector<ListedDevice> listDevices(DeviceDirection direction) {
    silenceAlsa();
    const char *const wanted = direction == DeviceCapture ? "Input" : "Output";
    std::vector<ListedDevice> devices;
    void **hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0) return devices;
    for (void **hint = hints; *hint; hint++) {
        char *name = snd_device_name_get_hint(*hint, "NAME");
        char *description = snd_device_name_get_hint(*hint, "DESC");
        char *way = snd_device_name_get_hint(*hint, "IOID"); // null: both ways
        if (name && std::strcmp(name, "null") != 0 && (!way || std::strcmp(way, wanted) == 0)) {
            const int isDefault = std::strcmp(name, defaultDevice) == 0;
            ListedDevice device = {name, firstLine(description), isDefault};
            if (isDefault && device.description.empty()) device.description = defaultDescription;
            devices.insert(isDefault ? devices.begin() : devices.end(), device);
        }
        std::free(name);
        std::free(description);
        std::free(way);
    }
    snd_device_name_free_hint(hints);
    // A configuration's own pcm.!default is listed without a description,
    // and a default of no hint at all is opened all the same.
    if (devices.empty() || !devices[0].isDefault)
        devices.insert(devices.begin(), ListedDevice{defaultDevice, defaultDescription, 1});
    return devices;
}

int chooseDevice(DeviceDirection direction, const char *name) {
    silenceAlsa();
    const std::string given = name ? name : "";
    const std::string base = given.substr(0, given.find(':'));
    snd_config_t *found = nullptr;
    if (base.empty() || snd_config_update() < 0 || !snd_config ||
        snd_config_search(snd_config, ("pcm." + base).c_str(), &found) < 0)
        return 0;
    chooseAlsaDevice(streamOf(direction), given);
    return 1;
}

std::string chosenDevice(DeviceDirection direction) {
    const std::string name = deviceName(WAVE_MAPPER, streamOf(direction));
    return name == defaultDevice ? std::string() : name;
}

// Asked without blocking: a busy device answers EBUSY at once instead of
// waiting for its owner.
int deviceRanges(DeviceDirection direction, DeviceRanges *ranges) {
    silenceAlsa();
    const std::string name = deviceName(WAVE_MAPPER, streamOf(direction));
    snd_pcm_t *pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), streamOf(direction), SND_PCM_NONBLOCK) < 0) return 0;
    snd_pcm_hw_params_t *params;
    snd_pcm_hw_params_alloca(&params);
    int direction0 = 0, direction1 = 0;
    const int asked = snd_pcm_hw_params_any(pcm, params) >= 0 &&
                      snd_pcm_hw_params_get_rate_min(params, &ranges->rateMin, &direction0) >= 0 &&
                      snd_pcm_hw_params_get_rate_max(params, &ranges->rateMax, &direction1) >= 0 &&
                      snd_pcm_hw_params_get_channels_min(params, &ranges->channelsMin) >= 0 &&
                      snd_pcm_hw_params_get_channels_max(params, &ranges->channelsMax) >= 0;
    ranges->takes16Bit = asked && snd_pcm_hw_params_test_format(pcm, params, SND_PCM_FORMAT_S16_LE) == 0;
    snd_pcm_close(pcm);
    ranges->name = name;
    // The plug layer in front of a card's device or of a plain name
    // converts the rate, the channels and the format.
    ranges->converter = name.rfind("hw:", 0) == 0                        ? "plug" + name
                        : name.find_first_of(":{ ") == std::string::npos ? "plug:" + name
                                                                         : std::string();
    return asked;
}
