// Sinks of several speakers for the real-sound tests: made on the private
// sound server for one test, the default sink while it lasts.
#pragma once

#include <string>
#include <vector>

// A null sink's speakers, in pactl's words and in the order of the frames.
struct SpeakerSink {
    int channels;
    const char *speakers;
};

// clang-format off
static const SpeakerSink speakerSinks[] = {
    {2, "front-left,front-right"},
    {6, "front-left,front-right,front-center,lfe,rear-left,rear-right"},
};
// clang-format on

const char *const speakerSinkName = "tonalix_many"; // the sink loadSpeakerSink makes

// Loads a null sink named speakerSinkName with sink's speakers at the
// stream's rate and makes it the default sink.  Returns its module's
// number, or "" when the server refused it.
std::string loadSpeakerSink(const SpeakerSink &sink);
// Unloads module (by its number: by name every null sink would go, the
// server's own too) and makes the server's own null sink the default again.
void unloadSpeakerSink(const std::string &module);
// Returns a formula per channel of sink, a sine of 0.3 each, and their
// frequencies in *frequencies.
std::vector<std::string> speakerTones(const SpeakerSink &sink, std::vector<double> *frequencies);
