#include "tests/support/speakerSinks.h"

#include <cstdio>
#include <cstdlib>

#include "tests/support/soundAnalysis.h"

std::string loadSpeakerSink(const SpeakerSink &sink) {
    const std::string command = std::string("pactl load-module module-null-sink sink_name=") + speakerSinkName +
                                " channels=" + std::to_string(sink.channels) +
                                " rate=132300 channel_map=" + sink.speakers + " 2>/dev/null";
    FILE *pactl = popen(command.c_str(), "r");
    if (!pactl) return "";
    char line[64] = "";
    const int read = std::fgets(line, sizeof line, pactl) != nullptr;
    if (pclose(pactl) != 0 || !read) return "";
    std::string module = line;
    module = module.substr(0, module.find('\n'));
    const std::string makeDefault = std::string("pactl set-default-sink ") + speakerSinkName;
    if (std::system(makeDefault.c_str()) != 0) {
        unloadSpeakerSink(module);
        return "";
    }
    return module;
}

void unloadSpeakerSink(const std::string &module) {
    const std::string back = "pactl set-default-sink " + soundSink() + "; pactl unload-module " + module;
    if (std::system(back.c_str()) != 0) std::fprintf(stderr, "the sink of module %s stays\n", module.c_str());
}

std::vector<std::string> speakerTones(const SpeakerSink &sink, std::vector<double> *frequencies) {
    std::vector<std::string> tones;
    frequencies->clear();
    for (int c = 0; c < sink.channels; c++) {
        frequencies->push_back(sink.channels == 2 ? 440 + 220 * c : 300 + 100 * c);
        tones.push_back("0.3*sin(" + std::to_string((int)frequencies->back()) + "*6.2831853071795865*t)");
    }
    return tones;
}
