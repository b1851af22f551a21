// --measure against real sound paths: a private sound server whose null
// sink's monitor is the default input, a digital loop (on each kind of
// server, of one channel and of two), with plain example plugins of ladspa-sdk put into the loop of a
// PulseAudio server as known devices (an amplifier, a low-pass filter).
// Without the server or the plugins these tests report themselves skipped.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <cmath>
#include <string>
#include <vector>

#include "tests/support/eachSoundServer.h"
#include "tests/tools/runProgram.h"

namespace {

const char sine[] = "0.5*sin(1000*6.2831853071795865*t)"; // 1 kHz at -6 dBFS

// Returns the number after "key": in a JSON report, NAN for null or none.
double jsonNumber(const std::string &json, const std::string &key) {
    const size_t at = json.find("\"" + key + "\": ");
    if (at == std::string::npos) return NAN;
    const std::string rest = json.substr(at + key.size() + 4);
    return rest.rfind("null", 0) == 0 ? NAN : std::strtod(rest.c_str(), nullptr);
}

// Returns the pairs of "key": [[a, b], [c, d]...] in a JSON report.
std::vector<std::vector<double>> jsonPairs(const std::string &json, const std::string &key) {
    std::vector<std::vector<double>> pairs;
    size_t at = json.find("\"" + key + "\": [");
    if (at == std::string::npos) return pairs;
    at += key.size() + 5;
    while (json.compare(at, 1, "[") == 0) {
        char *end = nullptr;
        const double a = std::strtod(json.c_str() + at + 1, &end);
        const double b = std::strtod(end + 1, &end);
        pairs.push_back({a, b});
        at = (size_t)(end - json.c_str()) + 1; // past "]"
        if (json.compare(at, 2, ", ") == 0) at += 2;
    }
    return pairs;
}

// Runs --measure --json on formula with extra arguments.
ProgramRun measure(const char *formula, std::vector<std::string> extra = {}) {
    std::vector<std::string> command = {RENDER_PATH, "--measure", "--json", "--seconds", "1"};
    command.insert(command.end(), extra.begin(), extra.end());
    command.push_back(formula);
    return runProgram(command);
}

class Measure : public testing::Test {
protected:
    void SetUp() override {
        if (!privateServerAvailable()) GTEST_SKIP() << "pulseaudio is not installed";
        if (access("/usr/lib/ladspa/amp.so", R_OK) != 0) GTEST_SKIP() << "ladspa-sdk is not installed";
        ASSERT_TRUE(startPrivateServer(&server));
        ASSERT_EQ(pactl({"set-default-source", "tonalix_null.monitor"}), 0);
    }
    void TearDown() override {
        if (server.pid > 0) removePrivateServer(&server);
    }
    // Runs pactl against the server; returns its exit code.
    int pactl(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "pactl");
        return runProgram(arguments).exitCode;
    }
    // Puts plugin label of file with controls between the player and the
    // null sink: the default sink becomes the plugin's.
    void insertPlugin(const char *file, const char *label, const char *controls) {
        ASSERT_EQ(
            pactl({"load-module", "module-ladspa-sink", "sink_name=device", "sink_master=tonalix_null",
                   std::string("plugin=") + file, std::string("label=") + label, std::string("control=") + controls}),
            0);
        ASSERT_EQ(pactl({"set-default-sink", "device"}), 0);
    }
    // Makes a sound card of the cable (soundCable, with its input's clock
    // ppm fast against its output's) the default sink and source.  Returns
    // the cable's process, -1 when it cannot start.
    pid_t startCable(const char *ppm) {
        const std::string output = server.folder + "/card-output", input = server.folder + "/card-input";
        if (pactl({"load-module", "module-pipe-sink", "sink_name=card", "file=" + output, "format=s16le", "rate=48000",
                   "channels=2"}) != 0 ||
            pactl({"load-module", "module-pipe-source", "source_name=cardin", "file=" + input, "format=s16le",
                   "rate=48000", "channels=2"}) != 0 ||
            pactl({"set-default-sink", "card"}) != 0 || pactl({"set-default-source", "cardin"}) != 0)
            return -1;
        pid_t cable = -1;
        const char *cableArguments[] = {SOUND_CABLE_PATH, output.c_str(), input.c_str(), "48000", "2", ppm, nullptr};
        return posix_spawn(&cable, SOUND_CABLE_PATH, nullptr, nullptr, (char **)cableArguments, environ) == 0 ? cable
                                                                                                              : -1;
    }
    PrivateSoundServer server;
};

// The plain loop, on each kind of server: the monitor is the input.
class MeasureLoop : public OnEachSoundServer {
protected:
    void SetUp() override {
        OnEachSoundServer::SetUp();
        if (IsSkipped()) return;
        ASSERT_EQ(runProgram({"pactl", "set-default-source", "tonalix_null.monitor"}).exitCode, 0);
    }
};

TEST_P(MeasureLoop, TheDigitalLoopGivesBackWhatWasPlayed) {
    const ProgramRun run = measure(sine);
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    EXPECT_NEAR(jsonNumber(run.out, "gain_db"), 0.0, 0.2) << run.out;
    EXPECT_LT(jsonNumber(run.out, "thd_db"), -80.0) << run.out;
    EXPECT_NEAR(jsonNumber(run.out, "frequency_hz"), 1000.0, 0.5) << run.out;
    EXPECT_TRUE(std::isfinite(jsonNumber(run.out, "latency_ms"))) << run.out;
    EXPECT_NE(run.out.find("\"gaps\": []"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"response\": [[1000.0, "), std::string::npos) << run.out; // one band
    EXPECT_EQ(jsonNumber(run.out, "clipped_input"), 0.0);
}

INSTANTIATE_TEST_SUITE_P(On, MeasureLoop, eachSoundServer, soundServerName);

// Returns the rows of "key": [[a, b], [c, d]...] in a JSON report, NAN for
// null.
std::vector<std::vector<double>> jsonMatrix(const std::string &json, const std::string &key) {
    std::vector<std::vector<double>> rows;
    size_t at = json.find("\"" + key + "\": [");
    if (at == std::string::npos) return rows;
    at += key.size() + 5; // at the first row's "["
    while (json.compare(at, 1, "[") == 0) {
        rows.emplace_back();
        do {
            at++; // past "[" or ","
            while (json[at] == ' ')
                at++;
            char *end = nullptr;
            const double value = std::strtod(json.c_str() + at, &end);
            const bool null = json.compare(at, 4, "null") == 0;
            rows.back().push_back(null ? NAN : value);
            at = null ? at + 4 : (size_t)(end - json.c_str());
        } while (json[at] == ',');
        at++; // past "]"
        if (json.compare(at, 2, ", ") == 0) at += 2;
    }
    return rows;
}

// A stereo loop: a two-channel null sink whose right channel is at half its
// level (-6.02 dB), its monitor the input.
class MeasureChannels : public OnEachSoundServer {
protected:
    void SetUp() override {
        OnEachSoundServer::SetUp();
        if (IsSkipped()) return;
        ASSERT_EQ(
            runProgram({"pactl", "load-module", "module-null-sink", "sink_name=stereo", "channels=2", "rate=132300"})
                .exitCode,
            0);
        ASSERT_EQ(runProgram({"pactl", "set-default-sink", "stereo"}).exitCode, 0);
        ASSERT_EQ(runProgram({"pactl", "set-default-source", "stereo.monitor"}).exitCode, 0);
        // A linear factor: 50% would be PulseAudio's cubic scale, -18 dB.
        ASSERT_EQ(runProgram({"pactl", "set-sink-volume", "stereo", "1.0", "0.5"}).exitCode, 0);
    }
};

struct ChannelsCase {
    const char *inputChannels; // --input-channels, or null: as many as the formulas
    size_t inputs;             // recorded
    int inputOf[2];            // the input that carries each channel
    double leftGainDb;         // NAN: the server's own mixing of two channels into one decides
    const char *gainLimit;     // one that the left channel keeps and the right one fails
};

// clang-format off
const ChannelsCase channelsCases[] = {
    {nullptr, 2, {1, 2}, 0.0, "gain_db>=-1"},
    {"1",     1, {1, 1}, NAN, "gain_db>=-7"}, // PulseAudio mixes the two at -6 dB, PipeWire at -3 dB
};
// clang-format on

TEST_P(MeasureChannels, EachChannelIsMeasuredInTheInputThatCarriesIt) {
    for (const ChannelsCase &c : channelsCases) {
        SCOPED_TRACE(c.inputChannels ? c.inputChannels : "as many inputs as channels");
        std::vector<std::string> command = {RENDER_PATH, "--measure", "--json",  "--seconds",        "0.5",
                                            "--limit",   c.gainLimit, "--limit", "crosstalk_db<=-90"};
        if (c.inputChannels) command.insert(command.end(), {"--input-channels", c.inputChannels});
        command.insert(command.end(), {sine, sine});
        const ProgramRun run = runProgram(command);
        ASSERT_EQ(run.exitCode, 3) << run.err << run.out; // the right channel fails the gain's limit
        const size_t left = run.out.find("{\"channel\": 1,"), right = run.out.find("{\"channel\": 2,");
        ASSERT_NE(left, std::string::npos) << run.out;
        ASSERT_NE(right, std::string::npos) << run.out;
        const std::string leftReport = run.out.substr(left, right - left), rightReport = run.out.substr(right);
        EXPECT_EQ(jsonNumber(leftReport, "input_channel"), c.inputOf[0]) << run.out;
        EXPECT_EQ(jsonNumber(rightReport, "input_channel"), c.inputOf[1]) << run.out;
        const double leftGain = jsonNumber(leftReport, "gain_db"), rightGain = jsonNumber(rightReport, "gain_db");
        if (!std::isnan(c.leftGainDb)) {
            EXPECT_NEAR(leftGain, c.leftGainDb, 0.2) << run.out;
            EXPECT_NEAR(rightGain, c.leftGainDb - 6.02, 0.2) << run.out;
        }
        EXPECT_NEAR(rightGain - leftGain, -6.02, 0.2) << run.out;
        EXPECT_NE(run.out.find("limit failed: gain_db of channel 2 (right) is "), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("of channel 1 (left)"), std::string::npos) << run.out;
        EXPECT_EQ(run.out.find("limit failed: crosstalk_db"), std::string::npos) << run.out;
        // Each channel in the input that does not carry it: silence, or far below.
        const std::vector<std::vector<double>> crosstalk = jsonMatrix(run.out, "crosstalk_db");
        ASSERT_EQ(crosstalk.size(), 2u) << run.out;
        for (size_t channel = 0; channel < 2; channel++) {
            EXPECT_EQ(crosstalk[channel].size(), c.inputs) << run.out;
            for (size_t input = 0; input < crosstalk[channel].size(); input++)
                if ((int)input + 1 == c.inputOf[channel]) {
                    EXPECT_EQ(crosstalk[channel][input], 0.0) << run.out;
                } else {
                    EXPECT_TRUE(std::isnan(crosstalk[channel][input]) || crosstalk[channel][input] < -90) << run.out;
                }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(On, MeasureChannels, eachSoundServer, soundServerName);

// Known devices in the loop.
TEST_F(Measure, KnownDevicesInTheLoopAreMeasuredAsThemselves) {
    {
        SCOPED_TRACE("a delay line of 50 ms adds 50 ms to the latency");
        const ProgramRun plain = measure(sine);
        ASSERT_EQ(plain.exitCode, 0) << plain.err << plain.out;
        insertPlugin("delay", "delay_5s", "0.05,1"); // 50 ms, all of it delayed
        const ProgramRun delayed = measure(sine);
        ASSERT_EQ(delayed.exitCode, 0) << delayed.err << delayed.out;
        EXPECT_NEAR(jsonNumber(delayed.out, "latency_ms") - jsonNumber(plain.out, "latency_ms"), 50.0, 2.0)
            << plain.out << delayed.out;
        pactl({"set-default-sink", "tonalix_null"});
        pactl({"unload-module", "module-ladspa-sink"});
    }
    {
        SCOPED_TRACE("an amplifier of 0.5");
        insertPlugin("amp", "amp_mono", "0.5");
        const ProgramRun run = measure(sine, {"--limit", "gain_db>=0"});
        EXPECT_EQ(run.exitCode, 3) << run.err << run.out;
        EXPECT_NEAR(jsonNumber(run.out, "gain_db"), 20 * std::log10(0.5), 0.2) << run.out;
        EXPECT_NE(run.out.find("limit failed: gain_db>=0"), std::string::npos) << run.out;
        pactl({"set-default-sink", "tonalix_null"});
        pactl({"unload-module", "module-ladspa-sink"});
    }
    {
        SCOPED_TRACE("a low-pass filter at 1 kHz, measured with a sweep");
        insertPlugin("filter", "lpf", "1000");
        // 20 Hz to 20 kHz, exponentially, over the second
        const ProgramRun run = measure("0.5*sin(6.2831853071795865*20*(1000^t-1)/log(1000))");
        ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
        const size_t low = run.out.find("[99.2, "), high = run.out.find("[8000.0, ");
        ASSERT_NE(low, std::string::npos) << run.out;
        ASSERT_NE(high, std::string::npos) << run.out;
        EXPECT_GT(std::strtod(run.out.c_str() + low + 8, nullptr), -1.5) << run.out;
        EXPECT_LT(std::strtod(run.out.c_str() + high + 9, nullptr), -10.0) << run.out;
        pactl({"set-default-sink", "tonalix_null"});
        pactl({"unload-module", "module-ladspa-sink"});
    }
}

// A sound card in the loop, clocked as hardware is (soundCable): the server
// writes its output and reads its input through pipes.  Paused for 100 ms,
// the server leaves the card's output dry for longer than the pipe holds,
// and the card plays silence, which comes back as a gap.  (A null sink
// cannot show it: it is clocked by the server itself, and after a pause it
// mixes what it missed from the buffers of its streams.)
TEST_F(Measure, AServerPausedFor100msIsFoundAsAGap) {
    const pid_t cable = startCable("0");
    ASSERT_GT(cable, 0);

    // The span runs from about 1.6 s after the start to 5.6 s: the pause
    // falls after the first seconds, on which the latency is found.  A sweep,
    // from 100 Hz to 3 kHz, lines up at one lag only.
    std::thread pause([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(3000));
        signalPrivateServer(&server, SIGSTOP);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        signalPrivateServer(&server, SIGCONT);
    });
    const ProgramRun run = runProgram({RENDER_PATH, "--measure", "--json", "--seconds", "4",
                                       "0.5*sin(6.2831853071795865*100*4*(30^(t/4)-1)/log(30))"});
    pause.join();
    kill(cable, SIGKILL);
    waitpid(cable, nullptr, 0);
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    // The output ran dry for the pause less the 43 ms the pipe held.
    const std::vector<std::vector<double>> gaps = jsonPairs(run.out, "gaps");
    ASSERT_EQ(gaps.size(), 1u) << run.out;
    EXPECT_GE(gaps[0][1], 20.0) << run.out;
    EXPECT_LE(gaps[0][1], 130.0) << run.out;
}

struct DriftCase {
    const char *loop;
    const char *cablePpm; // the card's input clock against its output's; null: the null sink's loop
    double driftPpm, within;
    const char *limit; // one that this loop fails (exit code 3), or null
};

// clang-format off
const DriftCase driftCases[] = {
    {"the null sink's monitor: one clock",         nullptr, 0.0,   1.0, nullptr},
    {"a card on one clock",                        "0",     0.0,   1.0, "drift_ppm>=50"},
    {"a card whose input runs 100 ppm fast",       "100",   100.0, 5.0, "drift_ppm<=50"},
};
// clang-format on

// The input's clock against the output's is found from the span's 3 s, and
// the span, lined up along it, keeps its level and its purity.
TEST_F(Measure, TheInputsClockIsMeasuredAgainstTheOutputs) {
    for (const DriftCase &c : driftCases) {
        SCOPED_TRACE(c.loop);
        const pid_t cable = c.cablePpm ? startCable(c.cablePpm) : 0;
        ASSERT_GE(cable, 0);
        std::vector<std::string> command = {RENDER_PATH, "--measure", "--json", "--seconds", "3"};
        if (c.limit) command.insert(command.end(), {"--limit", c.limit});
        command.push_back(sine);
        const ProgramRun run = runProgram(command);
        if (cable > 0) {
            kill(cable, SIGKILL);
            waitpid(cable, nullptr, 0);
            pactl({"set-default-sink", "tonalix_null"});
            pactl({"set-default-source", "tonalix_null.monitor"});
            pactl({"unload-module", "module-pipe-sink"});
            pactl({"unload-module", "module-pipe-source"});
        }
        ASSERT_EQ(run.exitCode, c.limit ? 3 : 0) << run.err << run.out;
        EXPECT_NEAR(jsonNumber(run.out, "drift_ppm"), c.driftPpm, c.within) << run.out;
        EXPECT_NEAR(jsonNumber(run.out, "gain_db"), 0.0, 0.2) << run.out;
        EXPECT_LT(jsonNumber(run.out, "thd_db"), -80.0) << run.out;
        EXPECT_NEAR(jsonNumber(run.out, "frequency_hz"), 1000.0, 0.5) << run.out;
        if (c.limit) {
            EXPECT_NE(run.out.find(std::string("limit failed: ") + c.limit), std::string::npos) << run.out;
        }
    }
}

// A picture that cannot be written is said once, and the run fails.
TEST_F(Measure, APictureThatCannotBeWrittenIsReportedOnce) {
    const ProgramRun run = measure(sine, {"--plot", "/dev/full"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    size_t messages = 0;
    for (size_t at = run.err.find("tonalix-render:"); at != std::string::npos;
         at = run.err.find("tonalix-render:", at + 1))
        messages++;
    EXPECT_EQ(messages, 1u) << run.err;
    EXPECT_NE(run.err.find("cannot write /dev/full"), std::string::npos) << run.err;
}

TEST_F(Measure, WithoutAnInputItFailsWithItsMessage) {
    ASSERT_EQ(pactl({"unload-module", "module-null-sink"}), 0); // no source, no sink
    const ProgramRun run = measure(sine);
    EXPECT_EQ(run.exitCode, 1) << run.out;
    EXPECT_NE(run.err.find("no input device"), std::string::npos) << run.err;
}

} // namespace
