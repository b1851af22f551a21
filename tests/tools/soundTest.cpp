// Real sound: the audio path from the formula to a sound server, recorded
// from the monitor of the server's null sink, on a private server of each
// kind (scripts/sound-server.sh); without one these tests report themselves
// skipped.
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/eachSoundServer.h"
#include "tests/support/soundAnalysis.h"
#include "tests/support/speakerSinks.h"
#include "tests/tools/runProgram.h"

namespace {

// Runs command while recording the sink's monitor, from a moment before it
// starts to a moment after it ends.  Returns the recorded samples; stores the
// command's exit code in *exitCode.
std::vector<double> recordWhile(const std::string &sink, const std::vector<std::string> &command, int *exitCode,
                                int channels = 1, const std::string &speakers = "") {
    std::string folder = makeTempFolder(), path = folder + "/recording.raw";
    pid_t recorder = startProgram(monitorRecorder(sink, channels, speakers), path);
    usleep(500000);
    *exitCode = runProgram(command).exitCode;
    usleep(500000);
    kill(recorder, SIGTERM);
    waitpid(recorder, nullptr, 0);
    std::string bytes = readFileText(path);
    std::remove(path.c_str());
    rmdir(folder.c_str());
    return decodeRecording(bytes);
}

class RealSound : public OnEachSoundServer {};

TEST_P(RealSound, TheDefaultFormulaIsHeardAsAFullScale440HzTone) {
    std::string sink = soundSink();
    ASSERT_FALSE(sink.empty());
    int exitCode = -1;
    std::vector<double> recording =
        recordWhile(sink, {RENDER_PATH, "--play", "--seconds", "2", "sin(440*6.2831853071795865*t)"}, &exitCode);
    ASSERT_EQ(exitCode, 0);

    // The tone is where the recording is loud; analyse its steady middle.
    size_t first = recording.size(), last = 0;
    for (size_t i = 0; i < recording.size(); i++)
        if (std::fabs(recording[i]) > 3000) {
            first = std::min(first, i);
            last = i;
        }
    ASSERT_LT(first, last) << "nothing was heard in " << recording.size() << " samples";
    size_t length = last - first;
    ASSERT_GT(length, (size_t)(1.5 * monitorRate)) << "the tone lasted only " << (double)length / monitorRate << " s";
    // All of it, to its end: the device plays out what it holds before the
    // stop.  (ALSA's plugin for the sound server loses about 80 ms at the
    // start of any stream, aplay's too.)
    EXPECT_NEAR((double)length / monitorRate, 2.0, 0.15);
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
    std::printf("heard %.2f Hz for %.2f s, rms %.0f, peak %.0f\n", frequency, (double)length / monitorRate, rms, peak);
    EXPECT_GT(peak, 0.9 * 32767);
    EXPECT_NEAR(rms / (32767 / std::sqrt(2.0)), 1.0, 0.1) << "rms " << rms;
}

TEST_P(RealSound, TheCountdownIsSilent) {
    std::string sink = soundSink();
    ASSERT_FALSE(sink.empty());
    int exitCode = -1;
    std::vector<double> recording = recordWhile(sink, {COUNTDOWN_PLAYER_PATH, "264600"}, &exitCode);
    ASSERT_EQ(exitCode, 0);
    ASSERT_GT(recording.size(), (size_t)(2 * monitorRate)) << "the recording is too short";
    double loudest = 0;
    for (double v : recording)
        loudest = std::max(loudest, std::fabs(v));
    EXPECT_LE(loudest, 1);
}

// --play --rate plays at the device's rate what the stream would play at
// its own: the tone at its pitch and full scale, for the time asked.
TEST_P(RealSound, ARateOfTheDevicesOwnKeepsThePitchAndTheLength) {
    ASSERT_FALSE(soundSink().empty());
    int exitCode = -1;
    const std::vector<double> recording = recordWhile(
        soundSink(), {RENDER_PATH, "--play", "--seconds", "1.5", "--rate", "48000", "sin(440*6.2831853071795865*t)"},
        &exitCode);
    ASSERT_EQ(exitCode, 0);
    EXPECT_EQ(channelsCarrying(recording, {440}, 1.3), "");
    double peak = 0;
    for (double v : recording)
        peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 0.9 * 32767);
}

// Two formulas play in two channels: a listener hears the left one's tone on
// the left and the right one's on the right.
TEST_P(RealSound, EachChannelCarriesItsOwnFormula) {
    ASSERT_FALSE(soundSink().empty());
    for (const SpeakerSink &sink : speakerSinks) {
        SCOPED_TRACE(sink.speakers);
        const std::string module = loadSpeakerSink(sink);
        ASSERT_NE(module, "");
        std::vector<double> frequencies;
        std::vector<std::string> play = {RENDER_PATH, "--play", "--seconds", "1.2"};
        for (const std::string &tone : speakerTones(sink, &frequencies))
            play.push_back(tone);
        int exitCode = -1;
        const std::vector<double> recording =
            recordWhile(speakerSinkName, play, &exitCode, sink.channels, sink.speakers);
        unloadSpeakerSink(module);
        ASSERT_EQ(exitCode, 0);
        EXPECT_EQ(channelsCarrying(recording, frequencies, 0.9), "");
    }
}

INSTANTIATE_TEST_SUITE_P(On, RealSound, eachSoundServer, soundServerName);

} // namespace
