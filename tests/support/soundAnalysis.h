// What a listener hears: the real-sound tests record the monitor of the
// private sound server's null sink (scripts/sound-server.sh) and analyse it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

const int monitorRate = 48000; // the monitor is recorded at this rate

// Returns the null sink to record from, or "" when no private server answers.
std::string soundSink();
// Returns the command line that records sink's monitor as raw 16-bit
// samples of channels channels (interleaved; of the speakers named, in
// pactl's words, when speakers is not empty) at monitorRate to standard
// output.
std::vector<std::string> monitorRecorder(const std::string &sink, int channels = 1, const std::string &speakers = "");
// Returns the samples of a raw signed 16-bit little-endian recording.
std::vector<double> decodeRecording(const std::string &bytes);
// Returns the magnitude of the Hann-windowed spectrum of part at frequency.
double magnitudeAt(const std::vector<double> &part, double frequency);
// Returns the frequency with the strongest component of part: a coarse search
// from 50 Hz to 4 kHz, then a fine one around the best.
double dominantFrequency(const std::vector<double> &part);
// Returns what is wrong with a recording of frequencies.size() interleaved
// channels in which channel c should carry a tone of frequencies[c] alone
// for at least minSeconds: one line for each channel whose loud stretch is
// shorter, whose own tone holds less than ownShare of what a pure tone of
// its level would, or that carries another's tone above leak times its own;
// empty when nothing is.
std::string channelsCarrying(const std::vector<double> &recording, const std::vector<double> &frequencies,
                             double minSeconds, double leak = 0.001, double ownShare = 0.9);
