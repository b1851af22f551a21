#include "tests/support/soundAnalysis.h"

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

std::vector<std::string> monitorRecorder(const std::string &sink, int channels) {
    return {"parec",
            "--device=" + sink + ".monitor",
            "--format=s16le",
            "--rate=" + std::to_string(monitorRate),
            "--channels=" + std::to_string(channels),
            "--raw",
            "--latency-msec=20"};
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
