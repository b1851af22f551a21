// The Windows programs of the cross build, run under Wine beside the Linux
// ones: tonalix-render.exe against tonalix-render, and the real tonalix.exe
// playing through waveOut into the private sound server, driven from
// outside by tonalix-click.exe.  Needs the Windows build, a Wine prefix with
// a display (scripts/wine-env.sh) and, for the sound, the private server
// (scripts/sound-server.sh); without them these tests report themselves
// skipped.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "tests/platform/windowsPrograms.h"
#include "tests/support/soundAnalysis.h"
#include "tests/support/speakerSinks.h"

namespace {

class WindowsRenderer : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string why = missingWine();
        if (!why.empty()) GTEST_SKIP() << why;
        folder = makeTempFolder();
    }
    void TearDown() override {
        if (!folder.empty()) runProgram({"rm", "-rf", folder});
    }
    std::string folder;
};

struct RenderCase {
    std::vector<std::string> arguments;
    int exact; // 1: only exactly rounded operations, so byte for byte
};

// The same arguments give the same bytes on standard output, the same exit
// status and the same messages; formulas of exactly rounded operations give
// the same bytes, others at most one unit apart per sample.
TEST_F(WindowsRenderer, MatchesTheLinuxRenderer) {
    const RenderCase cases[] = {
        {{"--samples", "4000", "t*100-floor(t*100)"}, 1},
        {{"--samples", "4000", "sqrt(t)*abs(ceil(t*50)%3-1)/(1+t)"}, 1},
        {{"--samples", "3000", "x=x+1, x%200/100-1"}, 1},
        {{"--samples", "3000", "1/t"}, 1},
        {{"--samples", "5000", startFormula}, 0},
        {{"--samples", "5000", "0.5*sin(220*6.2831853071795865*t)+0.3*cos(330*6.2831853071795865*t)"}, 0},
        {{"--samples", "2000", "exp(-t*100)*tanh(t*1000)-log(1+t)+atan(t)+j0(t*1000)/3"}, 0},
        {{"--samples", "2000", "asinh(t*1000)/10+acosh(1+t)+atanh(t)+y1(1+t)/3"}, 0},
        {{"sin("}, 1},
        {{"--seconds", "abc", "t"}, 1},
        {{"--samples", "0", "t"}, 1},
        {{"--frobnicate", "t"}, 1},
        {{"2*-3"}, 1},
    };
    for (const RenderCase &c : cases) {
        SCOPED_TRACE(c.arguments.back());
        std::vector<std::string> linux = {RENDER_PATH};
        linux.insert(linux.end(), c.arguments.begin(), c.arguments.end());
        std::vector<std::string> windows = {windowsRender};
        windows.insert(windows.end(), c.arguments.begin(), c.arguments.end());
        const ProgramRun expected = runProgram(linux, folder + "/linux.raw");
        const ProgramRun actual = runProgram(underWine(folder, windows), folder + "/windows.raw");
        EXPECT_EQ(actual.exitCode, expected.exitCode);
        EXPECT_EQ(withoutCarriageReturns(actual.err), expected.err);
        // a raw render is read as a recording is: 16-bit samples
        const std::vector<double> want = decodeRecording(readFileText(folder + "/linux.raw"));
        const std::vector<double> got = decodeRecording(readFileText(folder + "/windows.raw"));
        ASSERT_EQ(got.size(), want.size());
        double worst = 0;
        for (size_t i = 0; i < got.size(); i++)
            worst = std::max(worst, std::fabs(got[i] - want[i]));
        EXPECT_LE(worst, c.exact ? 0 : 1);
    }
}

// A WAV file, here with a Japanese name, holds the same bytes on both.
TEST_F(WindowsRenderer, WritesTheSameWavFileUnderAJapaneseName) {
    ASSERT_EQ(runProgram({RENDER_PATH, "--samples", "1000", "-o", folder + "/linux.wav", "t*10"}).exitCode, 0);
    ProgramRun run =
        runProgram(underWine(folder, {windowsRender, "--samples", "1000", "-o", "波形データ.wav", "t*10"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readFileText(folder + "/波形データ.wav"), readFileText(folder + "/linux.wav"));
    EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{"linux.wav", "波形データ.wav"}));
}

// Every failing case of the language fails on Windows too: 1+0*F plays 0
// when F fails, and 1 (32767) or not-a-number (-32767) when it does not.
TEST_F(WindowsRenderer, FailsWhereTheLinuxRendererFails) {
    const char *const failing[] = {
        "sqrt(-1)",  "log(0)",    "log10(-1)",       "asin(2)",     "acos(-2)",   "acosh(0.5)",
        "atanh(1)",  "atanh(-1)", "y0(0)",           "y1(-1)",      "x%0",        "(-8)^(1/3)",
        "10^400",    "exp(1000)", "sin(1e999)",      "cos(-1e999)", "tan(1e999)", "exp(-1000)",
        "10^(-400)", "1/0",       "1/(1e999-1e999)", "cosh(1000)",  "0^(-1)",
    };
    for (const char *f : failing) {
        SCOPED_TRACE(f);
        const std::string probe = std::string("1+0*(") + f + ")";
        const ProgramRun linux = runProgram({RENDER_PATH, "--samples", "3", probe});
        const ProgramRun windows = runProgram(underWine(folder, {windowsRender, "--samples", "3", probe}));
        EXPECT_EQ(linux.out, std::string(6, '\0')) << "it does not fail on Linux";
        EXPECT_EQ(windows.out, linux.out);
    }
}

// --start and --fade give what the Linux renderer gives.
TEST_F(WindowsRenderer, StartsAndFadesAlike) {
    const std::vector<std::string> shaped = {"--samples", "20000", "--start",           "0.05",
                                             "--fade",    "20",    "x=x+1, x%200/100-1"};
    std::vector<std::string> linux = {RENDER_PATH}, windows = {windowsRender};
    linux.insert(linux.end(), shaped.begin(), shaped.end());
    windows.insert(windows.end(), shaped.begin(), shaped.end());
    const ProgramRun expected = runProgram(linux, folder + "/linux.raw");
    const ProgramRun actual = runProgram(underWine(folder, windows), folder + "/windows.raw");
    ASSERT_EQ(expected.exitCode, 0) << expected.err;
    ASSERT_EQ(actual.exitCode, 0) << actual.err;
    const std::vector<double> want = decodeRecording(readFileText(folder + "/linux.raw"));
    const std::vector<double> got = decodeRecording(readFileText(folder + "/windows.raw"));
    ASSERT_EQ(got.size(), want.size());
    ASSERT_EQ(got.size(), 20000u - 6615u);
    for (size_t i = 0; i < got.size(); i++)
        ASSERT_LE(std::fabs(got[i] - want[i]), 1.0) << "sample " << i; // the ramps' cosines may differ by a unit
}

// --play goes through waveOut; without a device it says so and fails.
TEST_F(WindowsRenderer, PlaysThroughWaveOut) {
    if (soundSink().empty()) GTEST_SKIP() << "no sound server (scripts/test.sh starts one)";
    const std::vector<std::string> play = {windowsRender, "--play", "--seconds", "0.5", startFormula};
    const ProgramRun played = runProgram(underWine(folder, play));
    EXPECT_EQ(played.exitCode, 0) << played.err;
    const ProgramRun refused =
        runProgram(underWine(folder, play, {"PULSE_SERVER=unix:/nonexistent", "ALSA_CONFIG_PATH=/dev/null"}));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(withoutCarriageReturns(refused.err).find("tonalix-render: No waveform-audio devices.\n"),
              std::string::npos)
        << refused.err;
}

// Formulas play a channel each through waveOut (more than two with the
// extensible format): each tone reaches its own speaker of the sink.
TEST_F(WindowsRenderer, PlaysEachChannelsFormulaThroughWaveOut) {
    if (soundSink().empty()) GTEST_SKIP() << "no sound server (scripts/test.sh starts one)";
    for (const SpeakerSink &sink : speakerSinks) {
        SCOPED_TRACE(sink.speakers);
        const std::string module = loadSpeakerSink(sink);
        ASSERT_NE(module, "");
        std::vector<double> frequencies;
        std::vector<std::string> play = {windowsRender, "--play", "--seconds", "2.5"};
        for (const std::string &tone : speakerTones(sink, &frequencies))
            play.push_back(tone);
        const std::string recording = folder + "/many.raw";
        const pid_t recorder = startProgram(monitorRecorder(speakerSinkName, sink.channels, sink.speakers), recording);
        usleep(500000);
        const ProgramRun played = runProgram(underWine(folder, play));
        usleep(500000);
        kill(recorder, SIGTERM);
        waitpid(recorder, nullptr, 0);
        unloadSpeakerSink(module);
        ASSERT_EQ(played.exitCode, 0) << played.err;
        // A sink that has just been made wakes up with the first stream: its
        // monitor may miss the first second of it.  Wine's first streams on
        // a fresh prefix also drop out now and then, which spreads each tone
        // to its neighbours: a channel on the wrong speaker would carry
        // another's tone as loud as its own, far above this.
        EXPECT_EQ(channelsCarrying(decodeRecording(readFileText(recording)), frequencies, 0.5, 0.1, 0.3), "");
    }
}

// --measure records through waveIn: the plain loop of the server's sink
// back through its monitor gives back what was played.
TEST_F(WindowsRenderer, MeasuresThePlainLoopThroughWaveIn) {
    const std::string sink = soundSink();
    if (sink.empty()) GTEST_SKIP() << "no sound server (scripts/test.sh starts one)";
    const ProgramRun before = runProgram({"pactl", "get-default-source"});
    ASSERT_EQ(runProgram({"pactl", "set-default-source", sink + ".monitor"}).exitCode, 0);
    const ProgramRun run = runProgram(underWine(
        folder, {windowsRender, "--measure", "--json", "--seconds", "1", "0.5*sin(1000*6.2831853071795865*t)"}));
    runProgram({"pactl", "set-default-source", before.out.substr(0, before.out.find('\n'))});
    ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
    const std::string report = withoutCarriageReturns(run.out);
    EXPECT_NE(report.find("\"frequency_hz\": 1000.0"), std::string::npos) << report;
    EXPECT_NE(report.find("\"gaps\": []"), std::string::npos) << report;
    EXPECT_NE(report.find("\"response\": [[1000.0, "), std::string::npos) << report;
    const size_t gain = report.find("\"gain_db\": ");
    ASSERT_NE(gain, std::string::npos) << report;
    EXPECT_NEAR(std::strtod(report.c_str() + gain + 11, nullptr), 0.0, 0.2) << report;
    EXPECT_EQ(report.find("\"latency_ms\": null"), std::string::npos) << report;
}

// Returns the seconds since the recording started, from its sample count.
double secondsOf(size_t samples) { return (double)samples / monitorRate; }

// The program plays through waveOut: silence through the countdown, the
// start formula at full scale, silence after Stop; the settings are in the
// registry.
TEST_F(WindowsProgram, PlaysTheCountdownThenTheToneThenSilence) {
    const std::string sink = soundSink();
    if (sink.empty()) GTEST_SKIP() << "no sound server (scripts/test.sh starts one)";
    const std::string folder = makeTempFolder(), recording = folder + "/recording.raw";
    // The recorder writes its file in blocks and takes a while to start, so
    // the moments of the clicks are taken from the clock, and the recording
    // is placed on the clock by its end.
    const pid_t recorder = startProgram(monitorRecorder(sink), recording);
    const auto zero = std::chrono::steady_clock::now();
    auto sinceZero = [zero] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - zero).count(); };
    ASSERT_TRUE(startWindow());
    usleep(300000);
    ASSERT_EQ(click("click", "15").exitCode, 0);
    const double playAt = sinceZero();
    sleep(9); // the countdown until its fourth tick, then the tone
    ASSERT_EQ(click("click", "15").exitCode, 0);
    const double stopAt = sinceZero();
    sleep(2); // the device's delay, then silence
    EXPECT_EQ(controlText(1065), "現在停止中");
    click("click", "1006");
    EXPECT_EQ(waitForProgram(10), 0);
    const double endAt = sinceZero();
    kill(recorder, SIGTERM);
    waitpid(recorder, nullptr, 0);
    const std::vector<double> heard = decodeRecording(readFileText(recording));
    runProgram({"rm", "-rf", folder});

    size_t first = heard.size(), last = 0;
    for (size_t i = 0; i < heard.size(); i++)
        if (std::fabs(heard[i]) > 3000) {
            first = std::min(first, i);
            last = i;
        }
    ASSERT_LT(first, last) << "nothing was heard";
    // The clock's time of sample i of the recording.
    auto clockOf = [&](size_t i) { return endAt - secondsOf(heard.size() - i); };
    std::printf("play at %.2f s, tone from %.2f s to %.2f s, stop at %.2f s\n", playAt, clockOf(first), clockOf(last),
                stopAt);
    // The countdown plays silence until its fourth tick, four seconds after
    // Play; what was queued before it and the device's own delay follow.
    EXPECT_GE(clockOf(first) - playAt, 4.0);
    EXPECT_LE(clockOf(first) - playAt, 6.0);
    // Silence before and after, but for the tone's own first and last
    // rising and falling samples.
    const size_t edge = monitorRate / 100;
    for (size_t i = 0; i + edge < first; i++)
        ASSERT_LE(std::fabs(heard[i]), 1) << "a sound before the tone at " << i;
    for (size_t i = last + edge; i < heard.size(); i++)
        ASSERT_LE(std::fabs(heard[i]), 1) << "a sound after it at " << i;
    EXPECT_NEAR(clockOf(last), stopAt, 1.0) << "the tone does not end with Stop";
    // Judge the tone after its first second: the device starts unevenly.
    const size_t from = first + monitorRate, to = last - monitorRate / 4;
    ASSERT_GT(to, from + monitorRate / 2) << "the tone lasted only " << secondsOf(last - first) << " s";
    const std::vector<double> steady(heard.begin() + (long)from, heard.begin() + (long)to);
    EXPECT_NEAR(dominantFrequency(steady), 440.0, 1.0);
    double sum = 0, peak = 0;
    for (double v : steady) {
        sum += v * v;
        peak = std::max(peak, std::fabs(v));
    }
    EXPECT_GT(peak, 0.9 * 32767);
    EXPECT_NEAR(std::sqrt(sum / (double)steady.size()) / (32767 / std::sqrt(2.0)), 1.0, 0.1);

    const ProgramRun settings = runProgram({"wine", "reg", "query", "HKCU\\Software\\Quillmark\\Humtone\\Setting"});
    const std::string values = withoutCarriageReturns(settings.out);
    EXPECT_NE(values.find("    vol    REG_DWORD    0x64\n"), std::string::npos) << values;
    EXPECT_NE(values.find("    sin_vol    REG_DWORD    0x64\n"), std::string::npos) << values;
}

// The texts are the same in a Japanese and in a Western locale, also when
// the program lies in a folder with a Japanese name.
TEST_F(WindowsProgram, TextsShowInEveryLocale) {
    const std::string copies = makeTempFolder();
    programFolder = copies + "/トナリクス";
    ASSERT_EQ(runProgram({"cp", "-r", windowsProgramFolder, programFolder}).exitCode, 0);
    for (const char *locale : {"LC_ALL=ja_JP.UTF-8", "LC_ALL=en_US.UTF-8"}) {
        SCOPED_TRACE(locale);
        ASSERT_TRUE(startWindow({locale}));
        EXPECT_EQ(controlText(1065, {locale}), "現在停止中");
        EXPECT_EQ(controlText(1008, {locale}), "サイン波");
        EXPECT_EQ(controlText(11, {locale}), startFormula);
        click("click", "1006", {locale});
        EXPECT_EQ(waitForProgram(10), 0);
    }
    runProgram({"rm", "-rf", copies});
}

// A refused formula: after its box, the formula box has the focus and the
// refused character is selected.
TEST_F(WindowsProgram, ARefusedFormulaIsSelectedInItsBox) {
    const struct {
        const char *formula;
        const char *selection; // focus, first and end character
    } cases[] = {{"sin(t)+2*-3", "1 9 10"}, {"(1+2))", "1 5 6"}, {"t+あ", "1 2 3"}};
    ASSERT_TRUE(startWindow());
    for (const auto &c : cases) {
        ASSERT_EQ(click("formula", c.formula).exitCode, 0);
        ASSERT_EQ(click("press", "15").exitCode, 0);
        const ProgramRun box = click("message-box", "10000");
        EXPECT_NE(box.out.find("波 形 式 が 評 価 で き ま せ ん"), std::string::npos) << box.out;
        EXPECT_EQ(withoutCarriageReturns(click("selection", "11").out), std::string(c.selection) + "\n") << c.formula;
    }
    click("click", "1006");
    EXPECT_EQ(waitForProgram(10), 0);
}

// Without a sound device the program shows only its message, then ends.
TEST_F(WindowsProgram, WithoutASoundDeviceShowsOnlyTheMessage) {
    const std::vector<std::string> noDevice = {"PULSE_SERVER=unix:/nonexistent", "ALSA_CONFIG_PATH=/dev/null"};
    program = startProgram(underWine(windowsProgramFolder, {"./tonalix.exe"}, noDevice), "/dev/null");
    ASSERT_GT(program, 0);
    const ProgramRun box = click("message-box", "20000");
    EXPECT_EQ(box.exitCode, 0);
    EXPECT_EQ(withoutCarriageReturns(box.out), "No waveform-audio devices.\n");
    EXPECT_EQ(waitForProgram(10), 0);
    EXPECT_NE(click("wait", "0").exitCode, 0) << "the main window opened";
}

} // namespace
