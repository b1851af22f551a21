// The real tonalix.exe and tonalix-render.exe under Wine against a sound
// server that fails, as the Linux window is tried in windowFaultTests.cpp:
// paused while playing, then Stop; killed while playing or during the
// countdown; gone before Play.  The server is one of the test's own, of each
// kind, so it can be paused and killed.  In every case the window keeps answering (the
// watch of tonalix-click: a timer on its thread and messages posted to it),
// ends up stopped with the right message, and plays again once a server is
// back.  Pictures go to the Windows build's screenshots folder.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "tests/platform/windowsPrograms.h"
#include "tests/support/eachSoundServer.h"

namespace {

const char *const deviceLostText =
    "\nサ ウ ン ド デ バ イ ス が 失 わ れ ま し た 。\n\n再 生 を 停 止 し ま し た 。\n\n\n";
const char *const deviceFailedText = "\nサ ウ ン ド デ バ イ ス を 開 け ま せ ん 。\n\n\n";
const int answerLimitMs = 500;      // the longest the window thread may be away
const double lossLimitS = 4.0;      // from the fault to the message
const char *const watchMs = "7000"; // covers the fault and the window's answer to it
const std::vector<std::string> clientSettings = {"PULSE_SERVER", "ALSA_CONFIG_PATH"};

enum FaultTime { WhileSounding, InCountdown, BeforePlay };

struct FaultCase {
    const char *what;
    FaultTime when;
    int signal;          // sent to the server
    int pressStop;       // 1: Stop is pressed right after the fault
    const char *box;     // the message the user then sees, or null
    const char *picture; // taken once the window has answered the fault
};

double secondsSince(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Returns the first line of text.
std::string firstLine(const std::string &text) { return withoutCarriageReturns(text.substr(0, text.find('\n'))); }

// Waits up to seconds until the server plays a stream, then a second more.
// Returns whether it plays.  (Wine can take seconds to start, the more so
// in a fresh prefix, so a fixed wait may hit a program still opening.)
bool waitUntilPlaying(double seconds) {
    const auto start = std::chrono::steady_clock::now();
    while (runProgram({"pactl", "list", "short", "sink-inputs"}).out.empty()) {
        if (secondsSince(start) > seconds) return false;
        usleep(100000);
    }
    sleep(1);
    return true;
}

// The sound clients of the test (Wine's among them) meet a server of its own;
// the shared server's settings are put back at the end.
class WindowsFaults : public WindowsProgram, public testing::WithParamInterface<SoundServerKind> {
protected:
    void SetUp() override {
        WindowsProgram::SetUp();
        if (IsSkipped()) return;
        for (const std::string &setting : clientSettings)
            saved.push_back(std::getenv(setting.c_str()) ? std::getenv(setting.c_str()) : "");
        const std::string missing = startServerOfKind(&server, GetParam());
        if (!missing.empty()) GTEST_SKIP() << missing;
        runProgram({"mkdir", "-p", screenshots});
        folder = makeTempFolder();
    }
    void TearDown() override {
        if (program > 0) click("message-box", "0"); // a box left open would keep Exit waiting
        WindowsProgram::TearDown();
        removePrivateServer(&server);
        if (!folder.empty()) runProgram({"rm", "-rf", folder});
        for (size_t i = 0; i < saved.size(); i++)
            setenv(clientSettings[i].c_str(), saved[i].c_str(), 1);
    }

    // Returns the look that tonalix-click prints: the status line, the
    // enabled flags of the locked controls, the Play button's image.
    std::string look() { return firstLine(click("look", "0").out); }
    bool sounding() { return controlText(1065).rfind("再生中  t = ", 0) == 0; }
    // Presses Play and waits until the time display runs.
    bool startSounding() {
        click("press", "15");
        for (int i = 0; i < 60 && !sounding(); i++)
            usleep(200000);
        return sounding();
    }
    // The stopped look, with another image on the button than playingLook's.
    void expectStopped(const std::string &playingLook) {
        const std::string now = look();
        EXPECT_EQ(now.substr(0, now.rfind(' ')), "現在停止中 1111");
        EXPECT_NE(now.substr(now.rfind(' ')), playingLook.substr(playingLook.rfind(' '))) << "the Stop image stays";
    }

    PrivateSoundServer server;
    std::vector<std::string> saved;
    std::string folder; // what the watch and the renderer print
    const std::string screenshots = windowsBuild + "/screenshots";
};

TEST_P(WindowsFaults, TheWindowAnswersStopsAndReportsWhateverTheServerDoes) {
    const FaultCase cases[] = {
        {"paused while playing, then Stop", WhileSounding, SIGSTOP, 1, nullptr, "win32-fault-paused-stop.bmp"},
        {"killed while playing", WhileSounding, SIGKILL, 0, deviceLostText, "win32-fault-killed.bmp"},
        {"killed during the countdown", InCountdown, SIGKILL, 0, deviceLostText, "win32-fault-countdown.bmp"},
        {"gone before Play", BeforePlay, SIGKILL, 0, deviceFailedText, "win32-fault-gone.bmp"},
    };
    ASSERT_TRUE(startWindow());
    for (const FaultCase &c : cases) {
        SCOPED_TRACE(c.what);
        // The watch runs from before the fault until the window has
        // answered it; during the countdown it starts before Play.
        const std::string watchFile = folder + "/watch.txt";
        auto startWatch = [&] {
            const pid_t watch =
                startProgram(underWine(programFolder, {"./tonalix-click.exe", "watch", watchMs}), watchFile);
            sleep(1); // its heartbeat starts
            return watch;
        };
        std::string playingLook = look() + "-"; // before Play: the Play image stays
        pid_t watch = -1;
        if (c.when == WhileSounding) {
            ASSERT_TRUE(startSounding()) << controlText(1065);
            playingLook = look();
            watch = startWatch();
        } else if (c.when == InCountdown) {
            watch = startWatch();
            click("press", "15");
            sleep(1);
            playingLook = look();
        } else {
            watch = startWatch();
        }
        signalPrivateServer(&server, c.signal);
        const auto faultAt = std::chrono::steady_clock::now();
        if (c.when == BeforePlay) click("press", "15");
        if (c.pressStop) {
            usleep(200000);
            const ProgramRun stop = click("stop", "3000");
            ASSERT_EQ(stop.exitCode, 0) << stop.out;
            std::printf("%s: stopped %s ms after the click\n", c.what, firstLine(stop.out).c_str());
            EXPECT_LT(std::atoi(stop.out.c_str()), answerLimitMs);
        }
        if (c.box) {
            const ProgramRun box = click("box", "6000");
            const double boxAfter = secondsSince(faultAt);
            EXPECT_EQ(withoutCarriageReturns(box.out), c.box);
            std::printf("%s: the message %.2f s after the fault\n", c.what, boxAfter);
            EXPECT_LT(boxAfter, lossLimitS);
        }
        click("screenshot", screenshots + "/" + c.picture);
        click("message-box", "0");
        int status = 0;
        waitpid(watch, &status, 0);
        const std::string watched = firstLine(readFileText(watchFile));
        std::printf("%s: %s\n", c.what, watched.c_str());
        long timerMs = 0, postedMs = 0;
        ASSERT_EQ(std::sscanf(watched.c_str(), "timer %ld ms, posted %ld ms", &timerMs, &postedMs), 2) << watched;
        EXPECT_LT(timerMs, answerLimitMs);
        EXPECT_LT(postedMs, answerLimitMs);
        expectStopped(playingLook);

        // back to a server that answers: the paused one resumes; without
        // one, Play says the device does not open, then a new one starts
        if (c.signal == SIGSTOP) {
            signalPrivateServer(&server, SIGCONT);
        } else {
            if (c.when != BeforePlay) {
                click("press", "15");
                EXPECT_EQ(withoutCarriageReturns(click("message-box", "6000").out), deviceFailedText);
                expectStopped(playingLook);
            }
            ASSERT_TRUE(startPrivateServer(&server));
        }
        ASSERT_TRUE(startSounding()) << "no second Play: " << controlText(1065);
        EXPECT_EQ(click("stop", "3000").exitCode, 0);
    }
}

// With the server paused before the program starts, its first question to
// the sound system goes unanswered: the program says there is no device and
// ends once the box is closed, instead of waiting for the server.
TEST_P(WindowsFaults, AServerPausedBeforeTheStartIsNoDevice) {
    signalPrivateServer(&server, SIGSTOP);
    const auto startedAt = std::chrono::steady_clock::now();
    program = startProgram(underWine(programFolder, {"./tonalix.exe"}), "/dev/null");
    const ProgramRun box = click("box", "15000");
    const double boxAfter = secondsSince(startedAt);
    signalPrivateServer(&server, SIGCONT);
    std::printf("paused before the start: the message %.2f s after the start\n", boxAfter);
    EXPECT_EQ(firstLine(box.out), "No waveform-audio devices.");
    EXPECT_LT(boxAfter, 8.0);
    click("message-box", "0");
    EXPECT_EQ(waitForProgram(10), 0);
}

// tonalix-render.exe --play ends with a message and status 1, and does not
// hang, when the server is paused or killed while it plays.
TEST_P(WindowsFaults, RendererFailsWhenTheServerFails) {
    for (int signal : {SIGSTOP, SIGKILL}) {
        SCOPED_TRACE(signal);
        const std::string out = folder + "/render.txt";
        std::vector<std::string> command = {"sh", "-c", "exec \"$@\" 2>&1", "sh"};
        for (const std::string &word : underWine(folder, {windowsRender, "--play", "--seconds", "20", startFormula}))
            command.push_back(word);
        const pid_t render = startProgram(command, out);
        EXPECT_TRUE(waitUntilPlaying(15)) << "the renderer never played";
        signalPrivateServer(&server, signal);
        const auto faultAt = std::chrono::steady_clock::now();
        int status = -1;
        while (waitpid(render, &status, WNOHANG) != render && secondsSince(faultAt) < 10)
            usleep(100000);
        const double endedAfter = secondsSince(faultAt);
        if (endedAfter >= 10) {
            kill(render, SIGKILL);
            waitpid(render, &status, 0);
        }
        std::printf("the renderer ended %.2f s after the fault\n", endedAfter);
        EXPECT_LT(endedAfter, lossLimitS);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
        EXPECT_NE(withoutCarriageReturns(readFileText(out))
                      .find("tonalix-render: the sound device was lost during playback\n"),
                  std::string::npos)
            << readFileText(out);
        if (signal == SIGSTOP)
            signalPrivateServer(&server, SIGCONT);
        else
            ASSERT_TRUE(startPrivateServer(&server));
    }
}

INSTANTIATE_TEST_SUITE_P(On, WindowsFaults, eachSoundServer, soundServerName);

} // namespace
