// tonalix-render.exe under Wine against tonalix-render, on the same
// formulas: the report, the FLAC files, the resampled files and the picture
// come out alike on both systems.
#include <gtest/gtest.h>

#include <cairo.h>
#include <cmath>
#include <cstdlib>
#include <sndfile.h>
#include <string>
#include <vector>

#include "tests/platform/windowsPrograms.h"

namespace {

class WindowsWorkbench : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string why = missingWine();
        if (!why.empty()) GTEST_SKIP() << why;
        folder = makeTempFolder();
    }
    void TearDown() override {
        if (!folder.empty()) runProgram({"rm", "-rf", folder});
    }
    // Runs both renderers with arguments, the Linux one in the test's folder
    // as well: names in arguments are files there.  Returns both runs.
    std::pair<ProgramRun, ProgramRun> runBoth(const std::vector<std::string> &linuxArguments,
                                              const std::vector<std::string> &windowsArguments) {
        std::vector<std::string> linux = {"env", "-C", folder, RENDER_PATH}, windows = {windowsRender};
        linux.insert(linux.end(), linuxArguments.begin(), linuxArguments.end());
        windows.insert(windows.end(), windowsArguments.begin(), windowsArguments.end());
        return {runProgram(linux), runProgram(underWine(folder, windows))};
    }
    std::string folder;
};

// Returns the keys and values of a one-line JSON object of numbers and nulls.
std::vector<std::pair<std::string, std::string>> jsonFields(const std::string &json) {
    std::vector<std::pair<std::string, std::string>> fields;
    for (size_t at = json.find('"'); at != std::string::npos; at = json.find('"', at)) {
        size_t end = json.find('"', at + 1), value = json.find_first_not_of(": ", end + 1);
        size_t next = json.find_first_of(",}", value);
        fields.push_back({json.substr(at + 1, end - at - 1), json.substr(value, next - value)});
        at = next;
    }
    return fields;
}

// Returns 1 when a and b are the same measure: within 1e-6 of each other,
// or both at the floor of double precision, where the last bits in which
// the two systems' sines differ are all there is (a pure sine's DC near
// 1e-15, its distortion near -300 dB).
int sameMeasure(double a, double b) {
    if (std::fabs(a - b) <= 1e-6 * std::fmax(std::fabs(a), std::fabs(b))) return 1;
    return (std::fabs(a) < 1e-12 && std::fabs(b) < 1e-12) || (a < -250 && b < -250);
}

TEST_F(WindowsWorkbench, AnalyzesAlike) {
    const char *const formulas[] = {
        "0.5*sin(1000*6.2831853071795865*t)",
        "0.8*sin(440*6.2831853071795865*t)+0.05*sin(1320*6.2831853071795865*t)",
        "1.5*sin(50*6.2831853071795865*t)",    // clipped
        "sqrt(sin(100*6.2831853071795865*t))", // fails half the time
        "0",                                   // silence: nulls
        "x=x+1, x%300/150-1",                  // a sawtooth, harmonics to the top
    };
    for (const char *f : formulas) {
        SCOPED_TRACE(f);
        const std::vector<std::string> arguments = {"--analyze", "--json", "--seconds", "0.5", f};
        auto [linux, windows] = runBoth(arguments, arguments);
        ASSERT_EQ(linux.exitCode, 0) << linux.err;
        ASSERT_EQ(windows.exitCode, 0) << windows.err;
        const auto want = jsonFields(linux.out), got = jsonFields(withoutCarriageReturns(windows.out));
        ASSERT_EQ(got.size(), want.size()) << windows.out;
        ASSERT_GT(want.size(), 10u);
        for (size_t i = 0; i < want.size(); i++) {
            EXPECT_EQ(got[i].first, want[i].first);
            if (want[i].second == "null" || got[i].second == "null") {
                EXPECT_EQ(got[i].second, want[i].second) << want[i].first;
                continue;
            }
            EXPECT_TRUE(
                sameMeasure(std::strtod(want[i].second.c_str(), nullptr), std::strtod(got[i].second.c_str(), nullptr)))
                << want[i].first << ": " << want[i].second << " on Linux, " << got[i].second << " on Windows";
        }
    }
}

// Returns the samples of a sound file as whole numbers of 32 bits, and its
// rate in *rate.
std::vector<int> soundFileSamples(const std::string &path, int *rate) {
    SF_INFO info = {};
    SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
    *rate = 0;
    if (!file) return {};
    std::vector<int> samples((size_t)info.frames * info.channels);
    samples.resize((size_t)sf_read_int(file, samples.data(), (sf_count_t)samples.size()));
    sf_close(file);
    *rate = info.samplerate;
    return samples;
}

// FLAC files decode to the same samples; resampled files are at most one
// step of their format apart.
TEST_F(WindowsWorkbench, WritesFlacAndResampledFilesAlike) {
    const std::string formula = "0.9*sin(440*6.2831853071795865*t)+0.2*sin(x=x+1)";
    const struct {
        std::vector<std::string> options;
        const char *name;
        int rate;
        int step; // of a sample, in the top bits of 32: 0 for the same samples
    } cases[] = {
        {{"--format", "s16"}, "a.flac", 132300, 0},
        {{"--format", "s24", "--fade", "5"}, "b.flac", 132300, 0},
        {{"--rate", "48000"}, "c.wav", 48000, 1 << 16},
        {{"--rate", "48000", "--format", "s24"}, "d.flac", 48000, 1 << 8},
        {{"--rate", "8000", "--format", "f32"}, "e.wav", 8000, 1 << 8},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> linux = {"--samples", "40000", "-o", std::string("linux-") + c.name};
        std::vector<std::string> windows = {"--samples", "40000", "-o", std::string("windows-") + c.name};
        linux.insert(linux.end(), c.options.begin(), c.options.end());
        windows.insert(windows.end(), c.options.begin(), c.options.end());
        linux.push_back(formula);
        windows.push_back(formula);
        auto [linuxRun, windowsRun] = runBoth(linux, windows);
        ASSERT_EQ(linuxRun.exitCode, 0) << linuxRun.err;
        ASSERT_EQ(windowsRun.exitCode, 0) << windowsRun.err;
        int wantRate, gotRate;
        const std::vector<int> want = soundFileSamples(folder + "/linux-" + c.name, &wantRate);
        const std::vector<int> got = soundFileSamples(folder + "/windows-" + c.name, &gotRate);
        EXPECT_EQ(gotRate, c.rate);
        EXPECT_EQ(wantRate, c.rate);
        ASSERT_EQ(got.size(), want.size());
        ASSERT_GT(got.size(), 0u);
        long long worst = 0;
        for (size_t i = 0; i < got.size(); i++)
            worst = std::max(worst, std::llabs((long long)got[i] - want[i]));
        EXPECT_LE(worst, c.step);
    }
}

// Files of several channels are the same bytes on both systems: WAV files
// through libsndfile, the extensible header, raw samples.  FLAC files hold
// the same samples, but the encoders' choices differ with the processor
// code they were built with.
TEST_F(WindowsWorkbench, WritesChannelFilesByteForByte) {
    const std::vector<std::string> stereo = {"0.9*sin(440*6.2831853071795865*t)", "0.5*sin(x=x+0.01)"};
    std::vector<std::string> eight;
    for (int c = 1; c <= 8; c++)
        eight.push_back("0.5*sin(" + std::to_string(100 * c) + "*6.2831853071795865*t)");
    const struct {
        const char *name;
        std::vector<std::string> options;
        const std::vector<std::string> *formulas;
    } cases[] = {
        {"a.wav", {}, &stereo},
        {"b.flac", {"--format", "s24"}, &stereo},
        {"c.raw", {"--fade", "5"}, &stereo},
        {"d.wav", {}, &eight},
        {"e.wav", {"--format", "s24", "--rate", "48000"}, &eight},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> linux = {"--samples", "20000", "-o", std::string("linux-") + c.name};
        std::vector<std::string> windows = {"--samples", "20000", "-o", std::string("windows-") + c.name};
        for (std::vector<std::string> *side : {&linux, &windows}) {
            side->insert(side->end(), c.options.begin(), c.options.end());
            side->insert(side->end(), c.formulas->begin(), c.formulas->end());
        }
        auto [linuxRun, windowsRun] = runBoth(linux, windows);
        ASSERT_EQ(linuxRun.exitCode, 0) << linuxRun.err;
        ASSERT_EQ(windowsRun.exitCode, 0) << windowsRun.err;
        const std::string want = readFileText(folder + "/linux-" + c.name);
        if (std::string(c.name).find(".flac") == std::string::npos) {
            EXPECT_GT(want.size(), 40000u);
            EXPECT_TRUE(readFileText(folder + "/windows-" + c.name) == want) << "the files differ";
            continue;
        }
        int wantRate, gotRate;
        const std::vector<int> samples = soundFileSamples(folder + "/linux-" + c.name, &wantRate);
        EXPECT_EQ(soundFileSamples(folder + "/windows-" + c.name, &gotRate), samples);
        EXPECT_EQ(samples.size(), 40000u);
    }
}

// What a pixel of the picture is drawn in, by its hue: the waveform's blue,
// the spectrum's orange or the texts' dark grey (antialiased edges
// included, the light fill and the grid left out).
enum Ink : int { WaveInk, SpectrumInk, TextInk };

// Counts the pixels of ink in the box x0, y0 to x1, y1 of a picture.
int pixelsOf(cairo_surface_t *picture, int x0, int y0, int x1, int y1, Ink ink) {
    const unsigned char *data = cairo_image_surface_get_data(picture);
    const int stride = cairo_image_surface_get_stride(picture);
    int count = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++) {
            const uint32_t p = *(const uint32_t *)(const void *)(data + y * stride + 4 * x);
            const int r = (int)(p >> 16 & 255), g = (int)(p >> 8 & 255), b = (int)(p & 255);
            const int is[] = {b - r > 80, r - b > 80, r + g + b < 3 * 120 && std::abs(r - b) < 40};
            count += is[ink];
        }
    return count;
}

// The picture has the size asked for, the waveform in its upper half, the
// spectrum in its lower half and as much text in each place as on Linux.
TEST_F(WindowsWorkbench, PlotsAlike) {
    const std::vector<std::string> common = {"--size", "900x560", "--seconds", "0.01",
                                             "sin(440*6.2831853071795865*t)+0.3*sin(1320*6.2831853071795865*t)"};
    std::vector<std::string> linux = {"--plot", "linux.png"}, windows = {"--plot", "windows.png"};
    linux.insert(linux.end(), common.begin(), common.end());
    windows.insert(windows.end(), common.begin(), common.end());
    auto [linuxRun, windowsRun] = runBoth(linux, windows);
    ASSERT_EQ(linuxRun.exitCode, 0) << linuxRun.err;
    ASSERT_EQ(windowsRun.exitCode, 0) << windowsRun.err;
    cairo_surface_t *want = cairo_image_surface_create_from_png((folder + "/linux.png").c_str());
    cairo_surface_t *got = cairo_image_surface_create_from_png((folder + "/windows.png").c_str());
    ASSERT_EQ(cairo_surface_status(got), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(got), 900);
    EXPECT_EQ(cairo_image_surface_get_height(got), 560);
    EXPECT_GT(pixelsOf(got, 0, 0, 900, 280, WaveInk), 2000);
    EXPECT_EQ(pixelsOf(got, 0, 280, 900, 560, WaveInk), 0);
    EXPECT_GT(pixelsOf(got, 0, 280, 900, 560, SpectrumInk), 500);
    EXPECT_EQ(pixelsOf(got, 0, 0, 900, 280, SpectrumInk), 0);
    // The title, the tick labels left of each panel and those under the
    // waveform: the glyphs differ, their amount of ink hardly.
    const int boxes[][4] = {{0, 0, 900, 30}, {0, 35, 62, 260}, {0, 300, 62, 525}, {62, 258, 900, 275}};
    for (const auto &b : boxes) {
        SCOPED_TRACE(::testing::Message() << "box at " << b[0] << "," << b[1]);
        const int linuxInk = pixelsOf(want, b[0], b[1], b[2], b[3], TextInk);
        const int windowsInk = pixelsOf(got, b[0], b[1], b[2], b[3], TextInk);
        EXPECT_GT(linuxInk, 100);
        EXPECT_GT(windowsInk, linuxInk / 3);
        EXPECT_LT(windowsInk, linuxInk * 3);
    }
    cairo_surface_destroy(want);
    cairo_surface_destroy(got);
}

} // namespace
