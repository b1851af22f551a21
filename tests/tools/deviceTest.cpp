// Named devices: an ALSA configuration of the test's own names two PCMs, each
// on its own null sink of a private PulseAudio server; --list-devices lists
// them with their descriptions, --play --device sounds on the one named
// alone, and a name no configuration holds is refused.  Without a server
// these tests report themselves skipped.
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
#include "tests/tools/runProgram.h"

namespace {

struct NamedSink {
    const char *device;      // the PCM's name in the test's configuration
    const char *sink;        // its null sink
    const char *description; // its hint
};

// clang-format off
static const NamedSink namedSinks[] = {
    {"tonalixA", "tonalix_a", "Tone device A"},
    {"tonalixB", "tonalix_b", "Tone device B, the second"},
};
// clang-format on

const char *const tone = "0.5*sin(440*6.2831853071795865*t)";

// The named sinks' monitors recorded at once.
struct Recorders {
    std::string folder;
    pid_t pids[2];
};

// Starts recording every named sink's monitor into folder.  Returns the
// recorders.
Recorders startRecorders() {
    Recorders recorders = {makeTempFolder(), {}};
    for (int i = 0; i < 2; i++)
        recorders.pids[i] =
            startProgram(monitorRecorder(namedSinks[i].sink), recorders.folder + "/" + namedSinks[i].sink + ".raw");
    usleep(500000);
    return recorders;
}

// Stops the recorders and removes their folder.  Returns the peak of each
// sink's recording.
std::vector<double> stopRecorders(Recorders *recorders) {
    usleep(500000);
    std::vector<double> peaks;
    for (int i = 0; i < 2; i++) {
        kill(recorders->pids[i], SIGTERM);
        waitpid(recorders->pids[i], nullptr, 0);
        const std::string path = recorders->folder + "/" + namedSinks[i].sink + ".raw";
        double peak = 0;
        for (double v : decodeRecording(readFileText(path)))
            peak = std::max(peak, std::fabs(v));
        peaks.push_back(peak);
        std::remove(path.c_str());
    }
    rmdir(recorders->folder.c_str());
    return peaks;
}

class NamedDevices : public testing::Test {
protected:
    void SetUp() override {
        const std::string missing = startServerOfKind(&server, ServerPulseAudio);
        if (!missing.empty()) GTEST_SKIP() << missing;
        // The server's own configuration, then the two named PCMs.
        std::string config = readFileText(server.folder + "/asound.conf");
        ASSERT_FALSE(config.empty());
        for (const NamedSink &named : namedSinks) {
            ASSERT_EQ(runProgram({"pactl", "load-module", "module-null-sink", std::string("sink_name=") + named.sink,
                                  "rate=132300", "channels=1"})
                          .exitCode,
                      0);
            config += std::string("pcm.") + named.device + " { type pulse device \"" + named.sink +
                      "\" hint.description \"" + named.description + "\" }\n";
        }
        // A device that takes four to six channels only, and tells so; one
        // that takes 48000 Hz only, as a card's device may, in front of A;
        // and the sinks' monitors as inputs.
        config += "pcm.tonalixFour { type vdownmix slave.pcm \"null\" }\n";
        config += "pcm_type.tonalixfixed { lib \"" FIXED_RATE_PCM "\" }\n"
                  "pcm.tonalixRate { type tonalixfixed slave \"tonalixA\" rate 48000 }\n";
        for (const NamedSink &named : namedSinks)
            config +=
                std::string("pcm.") + named.device + "Monitor { type pulse device \"" + named.sink + ".monitor\" }\n";
        configPath = server.folder + "/named.conf";
        FILE *file = std::fopen(configPath.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs(config.c_str(), file);
        std::fclose(file);
        setenv("ALSA_CONFIG_PATH", configPath.c_str(), 1);
    }
    void TearDown() override { removePrivateServer(&server); }
    PrivateSoundServer server;
    std::string configPath;
};

struct ListCase {
    std::vector<std::string> arguments;
    std::vector<std::string> shows; // parts of standard output, in order
};

// clang-format off
static const ListCase listCases[] = {
    {{"--list-devices"},
     {"Output devices:\n* default  ", "\n  tonalixA  ", "  Tone device A\n  tonalixB  ", "  Tone device B, the second\n",
      "Input devices:\n* default  ", "\n  tonalixA  ", "\n  tonalixB  "}},
    {{"--list-devices", "--json"},
     {"{\"outputs\": [{\"name\": \"default\", \"description\": \"", "\", \"default\": true}, ",
      "{\"name\": \"tonalixA\", \"description\": \"Tone device A\", \"default\": false}",
      "{\"name\": \"tonalixB\", \"description\": \"Tone device B, the second\", \"default\": false}",
      "], \"inputs\": [{\"name\": \"default\", ", "\"default\": true}",
      "{\"name\": \"tonalixA\", \"description\": \"Tone device A\", \"default\": false}", "]}\n"}},
};
// clang-format on

TEST_F(NamedDevices, TheListingShowsEachNamedDeviceWithItsDescriptionAndTheDefaultFirst) {
    for (const ListCase &c : listCases) {
        std::vector<std::string> command = {RENDER_PATH};
        command.insert(command.end(), c.arguments.begin(), c.arguments.end());
        const ProgramRun run = runProgram(command);
        SCOPED_TRACE(c.arguments.back() + ":\n" + run.out);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        size_t at = 0;
        for (const std::string &part : c.shows) {
            const size_t found = run.out.find(part, at);
            ASSERT_NE(found, std::string::npos) << "no '" << part << "' after " << at;
            at = found + part.size();
        }
        // One default each way.
        const std::string mark = c.arguments.size() > 1 ? "\"default\": true" : "\n* ";
        size_t marks = 0;
        for (size_t p = ("\n" + run.out).find(mark); p != std::string::npos; p = ("\n" + run.out).find(mark, p + 1))
            marks++;
        EXPECT_EQ(marks, 2u);
    }
}

struct PlayCase {
    std::vector<std::string> arguments; // before the formula
    int exitCode;
    const char *says; // part of standard error, or null
    int heardOn;      // the index of the named sink that hears the tone, or -1 for none
};

// clang-format off
static const PlayCase playCases[] = {
    {{"--play", "--device", "tonalixB"},  0, nullptr, 1},
    {{"--play", "--device", "tonalixC"},  1, "tonalix-render: no output device named 'tonalixC' "
                                              "(tonalix-render --list-devices lists them)\n", -1},
    {{"--measure", "--input-device", "nowhere:1,0"}, 1, "tonalix-render: no input device named 'nowhere:1,0' "
                                                        "(tonalix-render --list-devices lists them)\n", -1},
    // Names the configuration holds, of devices that are not there.
    {{"--play", "--device", "hw:99,0"},   1, "tonalix-render: cannot open the sound device 'hw:99,0' for 132300 Hz "
                                              "16-bit mono\n", -1},
    {{"--measure", "--input-device", "hw:99,0"}, 1, "tonalix-render: cannot record from the input device "
                                                    "'hw:99,0'\n", -1},
    // A device that is there and refuses the stream says what it takes.
    {{"--play", "--device", "tonalixFour"}, 1, "tonalix-render: tonalixFour does not take 1 channel; it takes 4 to 6 "
                                               "channels: use plug:tonalixFour to convert\n", -1},
    {{"--play", "--device", "tonalixRate"}, 1, "tonalix-render: tonalixRate does not take 132300 Hz; it takes only "
                                               "48000 Hz: use --rate 48000, or plug:tonalixRate to convert\n", -1},
    {{"--play", "--rate", "48000", "--device", "tonalixRate"}, 0, nullptr, 0},
};
// clang-format on

TEST_F(NamedDevices, PlayingOnANamedDeviceSoundsOnItsSinkAloneAndARefusalSaysWhy) {
    for (const PlayCase &c : playCases) {
        std::vector<std::string> command = {RENDER_PATH};
        command.insert(command.end(), c.arguments.begin(), c.arguments.end());
        command.insert(command.end(), {"--seconds", "1", tone});
        SCOPED_TRACE(c.arguments.back());
        Recorders recorders = startRecorders();
        const ProgramRun run = runProgram(command);
        const std::vector<double> peaks = stopRecorders(&recorders);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        if (c.says) {
            EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        }
        for (int i = 0; i < 2; i++) {
            if (i == c.heardOn) {
                EXPECT_GT(peaks[i], 0.4 * 32767) << namedSinks[i].sink << " heard too little";
            } else {
                EXPECT_LT(peaks[i], 100) << namedSinks[i].sink << " heard the tone";
            }
        }
    }
}

struct MeasureCase {
    const char *output, *input;
    int exitCode;
    const char *says; // part of standard output
};

// clang-format off
static const MeasureCase measureCases[] = {
    {"tonalixA", "tonalixAMonitor", 0, "\"gain_db\": "},
    {"tonalixA", "tonalixBMonitor", 3, "the played signal was not found in the input\n"},
};
// clang-format on

TEST_F(NamedDevices, MeasuringFindsThePlayedSignalOnlyOnTheOutputsOwnMonitor) {
    for (const MeasureCase &c : measureCases) {
        SCOPED_TRACE(c.input);
        const ProgramRun run = runProgram({RENDER_PATH, "--measure", "--json", "--seconds", "1", "--device", c.output,
                                           "--input-device", c.input, tone});
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        EXPECT_NE(run.out.find(c.says), std::string::npos) << run.out;
    }
}

} // namespace
