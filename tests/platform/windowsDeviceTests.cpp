// tonalix-render.exe under Wine with the null sinks of a private server as
// its devices: --list-devices lists them by their capability names, and
// --device picks one by its name, also one that winmm cut at 31 characters;
// a name that fits two devices or none is refused.
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/platform/windowsPrograms.h"
#include "tests/support/eachSoundServer.h"
#include "tests/support/soundAnalysis.h"

namespace {

struct WindowsSink {
    const char *sink;        // the null sink
    const char *description; // what winmm names it, cut at 31 characters
};

// clang-format off
static const WindowsSink windowsSinks[] = {
    {"tonalix_a", "ToneDeviceA"},
    {"tonalix_b", "ToneDeviceB_of_the_test_with_a_long_name"},
};
// clang-format on

const std::vector<std::string> clientSettings = {"PULSE_SERVER", "ALSA_CONFIG_PATH"};

class WindowsDevices : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string why = missingWine();
        if (!why.empty()) GTEST_SKIP() << why;
        for (const std::string &setting : clientSettings)
            saved.push_back(std::getenv(setting.c_str()) ? std::getenv(setting.c_str()) : "");
        const std::string missing = startServerOfKind(&server, ServerPulseAudio);
        if (!missing.empty()) GTEST_SKIP() << missing;
        for (const WindowsSink &s : windowsSinks)
            ASSERT_EQ(runProgram({"pactl", "load-module", "module-null-sink", std::string("sink_name=") + s.sink,
                                  "rate=132300", "channels=1",
                                  std::string("sink_properties=device.description=") + s.description})
                          .exitCode,
                      0);
        folder = makeTempFolder();
    }
    void TearDown() override {
        removePrivateServer(&server);
        if (!folder.empty()) runProgram({"rm", "-rf", folder});
        for (size_t i = 0; i < saved.size(); i++)
            setenv(clientSettings[i].c_str(), saved[i].c_str(), 1);
    }
    PrivateSoundServer server;
    std::vector<std::string> saved;
    std::string folder;
};

struct WindowsDeviceCase {
    std::vector<std::string> arguments;
    int exitCode;
    const char *says; // part of standard output and error, or null
    int heardOn;      // the index of the sink that hears the tone, or -1 for none
};

// clang-format off
static const WindowsDeviceCase windowsDeviceCases[] = {
    {{"--list-devices"}, 0, "\n  ToneDeviceA ", -1},
    {{"--list-devices"}, 0, "\n  ToneDeviceB_of_the_test_with_a_ ", -1},
    {{"--play", "--device", "ToneDeviceB_of_the_test_with_a_long_name", "--seconds", "1", "0.5*sin(2764*t)"}, 0, nullptr, 1},
    {{"--play", "--device", "ToneDevice", "--seconds", "1", "0.5*sin(2764*t)"}, 1,
     "tonalix-render: no output device named 'ToneDevice' (tonalix-render --list-devices lists them)", -1},
};
// clang-format on

TEST_F(WindowsDevices, TheListedNamesPickTheirDevicesAndOthersAreRefused) {
    for (const WindowsDeviceCase &c : windowsDeviceCases) {
        SCOPED_TRACE(c.arguments[c.arguments.size() > 3 ? 2 : 0]);
        std::vector<std::string> command = {"sh", "-c", "exec \"$@\" 2>&1", "sh"};
        std::vector<std::string> program = {windowsRender};
        program.insert(program.end(), c.arguments.begin(), c.arguments.end());
        for (const std::string &word : underWine(folder, program))
            command.push_back(word);
        pid_t recorders[2];
        for (int i = 0; i < 2; i++)
            recorders[i] = startProgram(monitorRecorder(windowsSinks[i].sink), folder + "/" + windowsSinks[i].sink);
        usleep(500000);
        const ProgramRun run = runProgram(command);
        usleep(500000);
        const std::string said = withoutCarriageReturns(run.out);
        EXPECT_EQ(run.exitCode, c.exitCode) << said;
        if (c.says) {
            EXPECT_NE(said.find(c.says), std::string::npos) << said;
        }
        for (int i = 0; i < 2; i++) {
            kill(recorders[i], SIGTERM);
            waitpid(recorders[i], nullptr, 0);
            double peak = 0;
            for (double v : decodeRecording(readFileText(folder + "/" + windowsSinks[i].sink)))
                peak = std::max(peak, std::fabs(v));
            if (i == c.heardOn) {
                EXPECT_GT(peak, 0.4 * 32767) << windowsSinks[i].sink << " heard too little";
            } else {
                EXPECT_LT(peak, 100) << windowsSinks[i].sink << " heard the tone";
            }
        }
    }
}

} // namespace
