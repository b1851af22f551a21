// Real sound: the audio path from the formula to a sound server, recorded
// from the monitor of the server's null sink.  Needs the private server that
// the test script starts (scripts/sound-server.sh); without one these tests
// report themselves skipped.
#include <cmath>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/runProgram.h"

namespace {

const int recordRate = 48000;           // the rate the monitor is recorded at
const double pi = 3.14159265358979323846;

// Returns the null sink to record from, or "" when no server answers.
std::string soundSink() {
    const char *server = std::getenv("PULSE_SERVER");
    const char *sink = std::getenv("TONALIX_SOUND_SINK");
    if (!server || !sink || runProgram({"pactl", "info"}).exitCode != 0)
        return "";
    return sink;
}

// Runs command while recording the sink's monitor, from a moment before it
// starts to a moment after it ends.  Returns the recorded samples; stores the
// command's exit code in *exitCode.
std::vector<int16_t> recordWhile(const std::string &sink, const std::vector<std::string> &command, int *exitCode) {
    std::string folder = makeTempFolder(), path = folder + "/recording.raw";
    pid_t recorder = startProgram({"parec", "--device=" + sink + ".monitor", "--format=s16le",
                                   "--rate=" + std::to_string(recordRate), "--channels=1", "--raw",
                                   "--latency-msec=20"},
                                  path);
    usleep(500000);
    *exitCode = runProgram(command).exitCode;
    usleep(500000);
    kill(recorder, SIGTERM);
    waitpid(recorder, nullptr, 0);
    std::string bytes = readFileText(path);
    std::remove(path.c_str());
    rmdir(folder.c_str());
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); i++)
        samples[i] = (int16_t)(uint16_t)((unsigned char)bytes[2 * i] | (unsigned char)bytes[2 * i + 1] << 8);
    return samples;
}

// Returns the magnitude of the Hann-windowed spectrum of part at frequency.
double magnitudeAt(const std::vector<double> &part, double frequency) {
    double re = 0, im = 0, step = 2 * pi * frequency / recordRate;
    size_t n = part.size();
    for (size_t i = 0; i < n; i++) {
        double w = 0.5 - 0.5 * std::cos(2 * pi * (double)i / (double)(n - 1));
        re += w * part[i] * std::cos(step * (double)i);
        im -= w * part[i] * std::sin(step * (double)i);
    }
    return std::hypot(re, im);
}

// Returns the frequency with the strongest component in part: a coarse
// search from 50 Hz to 4 kHz, then a fine one around the best.
double dominantFrequency(const std::vector<double> &part) {
    double best = 0, bestMagnitude = -1;
    for (double f = 50; f <= 4000; f += 5) {
        double m = magnitudeAt(part, f);
        if (m > bestMagnitude)
            best = f, bestMagnitude = m;
    }
    double centre = best;
    for (double f = centre - 5; f <= centre + 5; f += 0.02) {
        double m = magnitudeAt(part, f);
        if (m > bestMagnitude)
            best = f, bestMagnitude = m;
    }
    return best;
}

TEST(RealSound, TheDefaultFormulaIsHeardAsAFullScale440HzTone) {
    std::string sink = soundSink();
    if (sink.empty())
        GTEST_SKIP() << "no sound server (scripts/test.sh starts one)";
    int exitCode = -1;
    std::vector<int16_t> recording =
        recordWhile(sink, {RENDER_PATH, "--play", "--seconds", "2", "sin(440*6.2831853071795865*t)"}, &exitCode);
    ASSERT_EQ(exitCode, 0);

    // The tone is where the recording is loud; analyse its steady middle.
    size_t first = recording.size(), last = 0;
    for (size_t i = 0; i < recording.size(); i++)
        if (std::abs(recording[i]) > 3000) {
            first = std::min(first, i);
            last = i;
        }
    ASSERT_LT(first, last) << "nothing was heard in " << recording.size() << " samples";
    size_t length = last - first;
    ASSERT_GT(length, (size_t)(1.5 * recordRate)) << "the tone lasted only " << (double)length / recordRate << " s";
    std::vector<double> steady(recording.begin() + (long)(first + length / 5),
                               recording.begin() + (long)(last - length / 5));
    double frequency = dominantFrequency(steady);
    EXPECT_NEAR(frequency, 440.0, 1.0);

    double sum = 0, peak = 0;
    for (double v : steady) {
        sum += v * v;
        peak = std::max(peak, std::fabs(v));
    }
    double rms = std::sqrt(sum / (double)steady.size());
    std::printf("heard %.2f Hz for %.2f s, rms %.0f, peak %.0f\n", frequency, (double)length / recordRate, rms, peak);
    EXPECT_GT(peak, 0.9 * 32767);
    EXPECT_NEAR(rms / (32767 / std::sqrt(2.0)), 1.0, 0.1) << "rms " << rms;
}

TEST(RealSound, TheCountdownIsSilent) {
    std::string sink = soundSink();
    if (sink.empty())
        GTEST_SKIP() << "no sound server (scripts/test.sh starts one)";
    int exitCode = -1;
    std::vector<int16_t> recording = recordWhile(sink, {COUNTDOWN_PLAYER_PATH, "264600"}, &exitCode);
    ASSERT_EQ(exitCode, 0);
    ASSERT_GT(recording.size(), (size_t)(2 * recordRate)) << "the recording is too short";
    int loudest = 0;
    for (int16_t v : recording)
        loudest = std::max(loudest, std::abs((int)v));
    EXPECT_LE(loudest, 1);
}

} // namespace
