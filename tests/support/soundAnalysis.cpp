#include "tests/support/soundAnalysis.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
const double pi = 3.14159265358979323846;
}

std::string soundSink() {
    const char *server = std::getenv("PULSE_SERVER");
    const char *sink = std::getenv("TONALIX_SOUND_SINK");
    if (!server || !sink || std::system("pactl info >/dev/null 2>&1") != 0) return "";
    return sink;
}

std::vector<std::string> monitorRecorder(const std::string &sink, int channels, const std::string &speakers) {
    std::vector<std::string> command = {"parec",
                                        "--device=" + sink + ".monitor",
                                        "--format=s16le",
                                        "--rate=" + std::to_string(monitorRate),
                                        "--channels=" + std::to_string(channels),
                                        "--raw",
                                        "--latency-msec=20"};
    if (!speakers.empty()) command.push_back("--channel-map=" + speakers);
    return command;
}

std::vector<double> decodeRecording(const std::string &bytes) {
    std::vector<double> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); i++)
        samples[i] = (int16_t)(uint16_t)((unsigned char)bytes[2 * i] | (unsigned char)bytes[2 * i + 1] << 8);
    return samples;
}

double magnitudeAt(const std::vector<double> &part, double frequency) {
    double re = 0, im = 0, step = 2 * pi * frequency / monitorRate;
    const size_t n = part.size();
    for (size_t i = 0; i < n; i++) {
        double w = 0.5 - 0.5 * std::cos(2 * pi * (double)i / (double)(n - 1));
        re += w * part[i] * std::cos(step * (double)i);
        im -= w * part[i] * std::sin(step * (double)i);
    }
    return std::hypot(re, im);
}

double dominantFrequency(const std::vector<double> &part) {
    double best = 0, bestMagnitude = -1;
    for (double f = 50; f <= 4000; f += 5) {
        double m = magnitudeAt(part, f);
        if (m > bestMagnitude) best = f, bestMagnitude = m;
    }
    const double centre = best;
    for (double f = centre - 5; f <= centre + 5; f += 0.02) {
        double m = magnitudeAt(part, f);
        if (m > bestMagnitude) best = f, bestMagnitude = m;
    }
    return best;
}

std::string channelsCarrying(const std::vector<double> &recording, const std::vector<double> &frequencies,
                             double minSeconds, double leak, double ownShare) {
    std::string wrong;
    const size_t count = frequencies.size();
    for (size_t c = 0; c < count; c++) {
        const std::string channel = "channel " + std::to_string(c + 1) + ": ";
        std::vector<double> heard;
        for (size_t i = c; i < recording.size(); i += count)
            heard.push_back(recording[i]);
        size_t first = heard.size(), last = 0;
        for (size_t i = 0; i < heard.size(); i++)
            if (std::fabs(heard[i]) > 2000) {
                first = std::min(first, i);
                last = i;
            }
        if (first >= last || (double)(last - first) < minSeconds * monitorRate) {
            wrong += channel + "hardly anything was heard\n";
            continue;
        }
        const std::vector<double> steady(heard.begin() + (long)(first + (last - first) / 5),
                                         heard.begin() + (long)(last - (last - first) / 5));
        // A tone of the channel's own frequency holds all of its power: its
        // magnitude under the Hann window is rms * sqrt(2) * n / 4.  A tone
        // a few hertz off, or another's, holds far less of it there.
        double power = 0;
        for (double v : steady)
            power += v * v;
        const double full = std::sqrt(power / (double)steady.size() * 2) * (double)steady.size() / 4;
        const double own = magnitudeAt(steady, frequencies[c]);
        if (own < ownShare * full) wrong += channel + "holds little of " + std::to_string(frequencies[c]) + " Hz\n";
        for (size_t other = 0; other < count; other++)
            if (other != c && magnitudeAt(steady, frequencies[other]) > leak * own)
                wrong += channel + std::to_string(frequencies[other]) + " Hz is heard too\n";
    }
    return wrong;
}
