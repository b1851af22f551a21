// tonalix-render as a workbench: the report of --analyze on signals whose
// answers are known, the pictures, the file formats, the resampling, the
// fade, --start, and the refusals of what cannot be done.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sndfile.h>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/runProgram.h"

namespace {

const std::string render = RENDER_PATH;
const std::string twoPi = "6.2831853071795865";

// Returns "A*sin(F*2pi*t)".
std::string sine(const char *amplitude, const char *frequency) {
    return std::string(amplitude) + "*sin(" + frequency + "*" + twoPi + "*t)";
}

// Returns the value of key in a one-line JSON object: NAN for null or a
// missing key.
double jsonValue(const std::string &json, const char *key) {
    size_t at = json.find("\"" + std::string(key) + "\": ");
    if (at == std::string::npos) return NAN;
    const char *value = json.c_str() + at + std::strlen(key) + 4;
    return std::strncmp(value, "null", 4) == 0 ? NAN : std::strtod(value, nullptr);
}

// Returns the keys of a one-line JSON object of numbers, in order.
std::vector<std::string> jsonKeys(const std::string &json) {
    std::vector<std::string> keys;
    for (size_t at = json.find('"'); at != std::string::npos; at = json.find('"', json.find('"', at + 1) + 1))
        keys.push_back(json.substr(at + 1, json.find('"', at + 1) - at - 1));
    return keys;
}

// Returns the report of --analyze --json for arguments.
std::string analyze(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {render, "--analyze", "--json"});
    ProgramRun run = runProgram(arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.out;
}

// The samples of a sound file, as libsndfile reads them.
struct Decoded {
    SF_INFO info;
    std::vector<double> values; // -1..1
    std::vector<int> whole;     // the same as 32-bit integers
};

Decoded decode(const std::string &path) {
    Decoded d;
    std::memset(&d.info, 0, sizeof d.info);
    SNDFILE *file = sf_open(path.c_str(), SFM_READ, &d.info);
    EXPECT_TRUE(file) << path << ": " << sf_strerror(nullptr);
    if (!file) return d;
    d.values.resize((size_t)d.info.frames);
    d.whole.resize((size_t)d.info.frames);
    sf_read_double(file, d.values.data(), d.info.frames);
    sf_seek(file, 0, SEEK_SET);
    sf_read_int(file, d.whole.data(), d.info.frames);
    sf_close(file);
    return d;
}

// Returns the 16-bit samples of a raw render.
std::vector<int> rawSamples(const std::string &bytes) {
    std::vector<int> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); i++)
        samples[i] = (int16_t)(uint16_t)((unsigned char)bytes[2 * i] | (unsigned char)bytes[2 * i + 1] << 8);
    return samples;
}

TEST(Analyze, MeasuresTonesWhoseAnswersAreKnown) {
    const struct {
        std::string formula;
        const char *seconds;
        double peak, rms, frequency, thd; // NAN: not checked
    } cases[] = {
        {sine("0.5", "1000"), "1", -6.02, -9.03, 1000, NAN},
        {sine("0.5", "1000") + "+" + sine("0.05", "3000"), "1", NAN, NAN, 1000, -20.0},
        {sine("0.8", "1234.567"), "1", -1.94, -4.95, 1234.567, NAN},
        {sine("0.1", "82.41"), "1", -20.0, -23.01, 82.41, NAN},
        {sine("1", "440"), "0.1", 0, -3.01, 440, NAN},
        {sine("0.5", "500") + "+" + sine("0.005", "1500") + "+" + sine("0.005", "2500"), "1", NAN, NAN, 500, -37.0},
    };
    for (const auto &c : cases) {
        std::string report = analyze({"--seconds", c.seconds, c.formula});
        SCOPED_TRACE(c.formula);
        if (!std::isnan(c.peak)) {
            EXPECT_NEAR(jsonValue(report, "peak_dbfs"), c.peak, 0.01);
        }
        if (!std::isnan(c.rms)) {
            EXPECT_NEAR(jsonValue(report, "rms_dbfs"), c.rms, 0.01);
        }
        EXPECT_NEAR(jsonValue(report, "frequency_hz"), c.frequency, 0.01);
        if (!std::isnan(c.thd)) {
            EXPECT_NEAR(jsonValue(report, "thd_db"), c.thd, 0.05);
        }
        EXPECT_LT(jsonValue(report, "thdn_db"), std::isnan(c.thd) ? -100 : c.thd + 0.1);
    }
}

TEST(Analyze, TheReportHasItsKeysAndNoToneWhereThereIsNone) {
    const std::string report = analyze({"0"});
    const std::vector<std::string> keys = {
        "samples", "seconds", "peak_dbfs",       "peak_t", "rms_dbfs",       "dc",       "frequency_hz", "thd_db",
        "thdn_db", "clipped", "clipped_first_t", "failed", "failed_first_t", "nonfinite"};
    EXPECT_EQ(jsonKeys(report), keys);
    EXPECT_EQ(report.front(), '{');
    EXPECT_EQ(report.substr(report.size() - 2), "}\n");
    for (const char *none : {"peak_dbfs", "frequency_hz", "thd_db", "clipped_first_t"})
        EXPECT_NE(report.find(std::string("\"") + none + "\": null"), std::string::npos) << none;
    // A ramp is no tone, and a constant has its DC.
    EXPECT_TRUE(std::isnan(jsonValue(analyze({"t"}), "frequency_hz")));
    EXPECT_NEAR(jsonValue(analyze({"0.25"}), "dc"), 0.25, 1e-12);
}

TEST(Analyze, CountsClippedFailedAndNonfiniteSamples) {
    // x is 1 after the evaluation before the render, so sample i sees x = i + 2.
    const struct {
        const char *formula, *samples;
        double clipped, clippedFirst, failed, failedFirst, nonfinite;
    } cases[] = {
        {"sqrt(t-0.5)", "132300", 0, NAN, 66150, 0, 0},
        {"x=x+1, x/1000-1", "10000", 8001, 1999.0 / 132300, 0, NAN, 0},
        {"log(x=x+1, x%3)", "3000", 0, NAN, 1000, 1.0 / 132300, 0},
        {"1e999*(t-0.5)", "1000", 1000, 0, 0, NAN, 1000},
        {"1e999-1e999", "1000", 0, NAN, 0, NAN, 1000}, // not-a-number is played as -1, not clipped
    };
    for (const auto &c : cases) {
        std::string report = analyze({"--samples", c.samples, c.formula});
        SCOPED_TRACE(c.formula);
        EXPECT_EQ(jsonValue(report, "clipped"), c.clipped);
        EXPECT_EQ(jsonValue(report, "failed"), c.failed);
        EXPECT_EQ(jsonValue(report, "nonfinite"), c.nonfinite);
        const double firsts[][2] = {{jsonValue(report, "clipped_first_t"), c.clippedFirst},
                                    {jsonValue(report, "failed_first_t"), c.failedFirst}};
        for (const auto &f : firsts)
            EXPECT_TRUE(std::isnan(f[1]) ? std::isnan(f[0]) : std::fabs(f[0] - f[1]) < 1e-9) << f[0] << " " << f[1];
    }
}

// Returns the channel objects of a report of several channels, in order.
std::vector<std::string> channelObjects(const std::string &json) {
    std::vector<std::string> objects;
    for (size_t at = json.find("{\"channel\": "); at != std::string::npos; at = json.find("{\"channel\": ", at + 1))
        objects.push_back(json.substr(at, json.find('}', at) - at + 1));
    return objects;
}

TEST(Analyze, EachOfEightChannelsHasItsOwnFiguresUnderEveryKeyOfOne) {
    const char *names[] = {"front left", "front right", "front centre", "LFE",
                           "back left",  "back right",  "side left",    "side right"};
    std::vector<std::string> arguments = {"--seconds", "0.5"};
    for (int c = 0; c < 8; c++)
        arguments.push_back(sine(c == 3 ? "0.25" : "0.5", std::to_string(100 * (c + 1)).c_str()));
    const std::string report = analyze(arguments);
    const std::string top = "{\"samples\": 66150, \"seconds\": 0.5, \"channels\": [{";
    EXPECT_EQ(report.substr(0, top.size()), top);
    EXPECT_EQ(report.substr(report.size() - 3), "]}\n");
    const std::vector<std::string> objects = channelObjects(report);
    ASSERT_EQ(objects.size(), 8u);
    const std::vector<std::string> mono = jsonKeys(analyze({"0"}));
    for (int c = 0; c < 8; c++) {
        SCOPED_TRACE(names[c]);
        std::vector<std::string> keys = {"channel", "name", names[c]}; // the name is quoted too
        keys.insert(keys.end(), mono.begin(), mono.end());
        EXPECT_EQ(jsonKeys(objects[c]), keys);
        EXPECT_EQ(jsonValue(objects[c], "channel"), c + 1);
        EXPECT_NEAR(jsonValue(objects[c], "frequency_hz"), 100 * (c + 1), 0.01);
        EXPECT_NEAR(jsonValue(objects[c], "rms_dbfs"), c == 3 ? -15.05 : -9.03, 0.01);
    }
    // The text has a block per channel, in order, under its number and name.
    arguments.insert(arguments.begin(), {render, "--analyze"});
    const std::string text = runProgram(arguments).out;
    size_t at = 0;
    for (int c = 0; c < 8; c++) {
        at = text.find("\nchannel " + std::to_string(c + 1) + " (" + names[c] + ")\npeak ", at);
        ASSERT_NE(at, std::string::npos) << names[c] << text;
        EXPECT_EQ(text.find("frequency", at), text.find(std::to_string(100 * (c + 1)) + ".000 Hz\n", at) - 20);
    }
}

TEST(Analyze, TwoChannelsHaveTheirCorrelationBalanceAndPhase) {
    const std::string left = sine("1", "1000"), cosine = "cos(1000*" + twoPi + "*t)";
    const struct {
        std::string left, right;
        const char *key;
        double expected, within; // NAN: null
    } cases[] = {
        {left, cosine, "phase_deg", 90, 0.1},
        {left, "-" + cosine, "phase_deg", -90, 0.1},
        {left, "sin(1000*" + twoPi + "*t+3.1415927)", "phase_deg", 180, 0.001}, // never -180
        {sine("1", "1234.567"), "0.3*sin(1234.567*" + twoPi + "*t+1)", "phase_deg", 57.29578, 0.001},
        {left, sine("1", "1003"), "phase_deg", NAN, 0}, // another tone
        {left, "0.2*sin(1000*" + twoPi + "*t-2)+" + sine("0.5", "3000"), "phase_deg", -114.59156, 0.001},
        {left, "-" + left, "correlation", -1, 1e-6},
        {"x=" + left + ",x", "-x", "correlation", -1, 1e-6},
        {left, cosine, "correlation", 0, 1e-6},
        {left, "0.25", "correlation", NAN, 0}, // a constant
        {left, sine("0.5", "1000"), "balance_db", 6.02, 0.05},
        {"0", left, "balance_db", NAN, 0}, // silence
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.left + " | " + c.right);
        const std::string report = analyze({"--", c.left, c.right});
        const double value = jsonValue(report, c.key);
        if (std::isnan(c.expected))
            EXPECT_NE(report.find(std::string("\"") + c.key + "\": null"), std::string::npos) << report;
        else
            EXPECT_NEAR(value, c.expected, c.within) << c.key;
    }
    const ProgramRun text = runProgram({render, "--analyze", left, cosine});
    EXPECT_NE(text.out.find("\n\ncorrelation         0.000000\nbalance L/R         0.000 dB\n"
                            "phase R-L           90.000 degrees\n"),
              std::string::npos)
        << text.out;
}

TEST(Start, NothingBeforeItIsWrittenOrMeasured) {
    // The counter runs from t = 0 even where nothing is written.
    ProgramRun whole = runProgram({render, "--samples", "20000", "x=x+1, x/100000"});
    ProgramRun tail = runProgram({render, "--start", "0.1", "--samples", "20000", "x=x+1, x/100000"});
    ASSERT_EQ(tail.exitCode, 0) << tail.err;
    EXPECT_TRUE(tail.out == whole.out.substr(2 * 13230));
    std::string report = analyze({"--start", "0.5", "sqrt(t-0.5)"});
    EXPECT_EQ(jsonValue(report, "failed"), 0);
    EXPECT_EQ(jsonValue(report, "samples"), 66150);
}

// Returns the width and height in a PNG file's header, or 0, 0.
std::pair<uint32_t, uint32_t> pngSize(const std::string &png) {
    if (png.size() < 24 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || png.compare(12, 4, "IHDR") != 0)
        return {0, 0};
    const auto at = [&](size_t i) {
        return (uint32_t)(unsigned char)png[i] << 24 | (uint32_t)(unsigned char)png[i + 1] << 16 |
               (uint32_t)(unsigned char)png[i + 2] << 8 | (uint32_t)(unsigned char)png[i + 3];
    };
    return {at(16), at(20)};
}

TEST(Plot, APngHasTheSizeAskedFor) {
    std::string folder = makeTempFolder();
    const struct {
        std::vector<std::string> size;
        uint32_t width, height;
        const char *seconds; // a short span is drawn sample by sample, a long one as its envelope
    } cases[] = {
        {{}, 1200, 800, "0.005"}, {{"--size", "640x480"}, 640, 480, "3"}, {{"--size", "200x150"}, 200, 150, "1"}};
    for (const auto &c : cases) {
        std::vector<std::string> command = {render, "--plot", folder + "/p.png", "--seconds", c.seconds};
        command.insert(command.end(), c.size.begin(), c.size.end());
        command.push_back("sqrt(t-0.2)*1.5*sin(440*" + twoPi + "*t)");
        ProgramRun run = runProgram(command);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(pngSize(readFileText(folder + "/p.png")), std::make_pair(c.width, c.height));
    }
    std::remove((folder + "/p.png").c_str());
    rmdir(folder.c_str());
}

// Returns 1 when every tag of xml is closed in order (after the declaration).
int wellFormed(const std::string &xml) {
    std::vector<std::string> open;
    for (size_t at = xml.find('<', xml.find("?>")); at != std::string::npos; at = xml.find('<', at + 1)) {
        size_t end = xml.find('>', at);
        if (end == std::string::npos) return 0;
        std::string tag = xml.substr(at + 1, end - at - 1);
        std::string name = tag.substr(tag[0] == '/', tag.find_first_of(" />", 1) - (tag[0] == '/'));
        if (tag[0] == '/') {
            if (open.empty() || open.back() != name) return 0;
            open.pop_back();
        } else if (tag.back() != '/') {
            open.push_back(name);
        }
    }
    return open.empty();
}

TEST(Plot, AnSvgIsWellFormedWithItsTwoPanels) {
    std::string folder = makeTempFolder(), path = folder + "/p.SVG";
    ProgramRun run = runProgram({render, "--plot", path, "--size", "900x600", "--seconds", "0.02", sine("1", "440")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::string svg = readFileText(path);
    EXPECT_EQ(svg.compare(0, 5, "<?xml"), 0);
    EXPECT_TRUE(wellFormed(svg));
    EXPECT_NE(svg.find("width=\"900px\" height=\"600px\""), std::string::npos);
    // Each panel's paper: the waveform above the middle, the spectrum below.
    std::vector<double> tops;
    for (size_t at = svg.find("fill:rgb(98%,98.5%,99%)"); at != std::string::npos;
         at = svg.find("fill:rgb(98%,98.5%,99%)", at + 1)) {
        size_t d = svg.find("d=\"M ", at);
        tops.push_back(std::strtod(svg.c_str() + svg.find(' ', d + 5) + 1, nullptr));
    }
    ASSERT_EQ(tops.size(), 2u);
    EXPECT_LT(tops[0], 300);
    EXPECT_GT(tops[1], 300);
    std::remove(path.c_str());
    rmdir(folder.c_str());
}

TEST(Plot, SeveralChannelsGetALaneEachAboveOneSpectrum) {
    const std::string folder = makeTempFolder();
    const std::string cosine = "cos(440*" + twoPi + "*t)", clipped = "1.5*sin(3000*" + twoPi + "*t)";
    std::vector<std::string> eight;
    for (int c = 0; c < 8; c++)
        eight.push_back(sine("0.5", std::to_string(100 * (c + 1)).c_str()));
    const struct {
        const char *name;
        std::vector<std::string> formulas;
        const char *seconds; // a short span is drawn sample by sample, a long one as its envelope
    } cases[] = {
        {"s.png", {sine("1", "440"), cosine}, "0.02"},
        {"s.svg", {sine("1", "440"), cosine}, "0.02"},
        {"e.png", eight, "2"},
        {"e.svg", {"sqrt(t-1)", clipped, "0.25"}, "2"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder + "/" + c.name;
        std::vector<std::string> command = {render, "--plot", path, "--size", "900x600", "--seconds", c.seconds};
        command.insert(command.end(), c.formulas.begin(), c.formulas.end());
        ProgramRun run = runProgram(command);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::string picture = readFileText(path);
        std::remove(path.c_str());
        if (path.find(".svg") == std::string::npos) {
            EXPECT_EQ(pngSize(picture), std::make_pair(900u, 600u));
            continue;
        }
        EXPECT_TRUE(wellFormed(picture));
        EXPECT_NE(picture.find("width=\"900px\" height=\"600px\""), std::string::npos);
        // The panels' paper, opaque: a lane per channel from the top, then the spectrum.
        std::vector<double> tops;
        const std::string paper = "fill:rgb(98%,98.5%,99%);fill-opacity:1;";
        for (size_t at = picture.find(paper); at != std::string::npos; at = picture.find(paper, at + 1)) {
            size_t d = picture.find("d=\"M ", at);
            tops.push_back(std::strtod(picture.c_str() + picture.find(' ', d + 5) + 1, nullptr));
        }
        ASSERT_EQ(tops.size(), c.formulas.size() + 1);
        for (size_t i = 0; i + 1 < c.formulas.size(); i++)
            EXPECT_LT(tops[i], tops[i + 1]);
        EXPECT_LT(tops[tops.size() - 2], 300);
        EXPECT_GT(tops.back(), 300);
    }
    rmdir(folder.c_str());
}

TEST(Formats, FlacAndWavFilesHoldTheSamplesExactly) {
    std::string folder = makeTempFolder();
    const std::string formula = "0.9*sin(440*" + twoPi + "*t)+0.2*sin(x=x+1)";
    const std::vector<int> stream = rawSamples(runProgram({render, "--samples", "50000", formula}).out);
    const struct {
        const char *name, *format;
        int bits; // of the samples: 16 and 24 are whole numbers, 32 floats
    } cases[] = {
        {"a.flac", "s16", 16}, {"b.FLAC", "s24", 24}, {"c.wav", "s24", 24}, {"d.wav", "f32", 32}, {"e.raw", "f32", 32}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = folder + "/" + c.name;
        ProgramRun run = runProgram({render, "--samples", "50000", "--format", c.format, "-o", path, formula});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::vector<double> values;
        if (c.name[0] == 'e') { // raw floats, little-endian
            std::string bytes = readFileText(path);
            values.resize(bytes.size() / 4);
            for (size_t i = 0; i < values.size(); i++) {
                float f;
                std::memcpy(&f, bytes.data() + 4 * i, 4);
                values[i] = f;
            }
        } else {
            Decoded d = decode(path);
            EXPECT_EQ(d.info.samplerate, 132300);
            EXPECT_EQ(d.info.channels, 1);
            values = d.values;
            for (size_t i = 0; c.bits == 16 && i < d.whole.size() && i < stream.size(); i++)
                ASSERT_EQ(d.whole[i] >> 16, stream[i]) << "sample " << i;
        }
        ASSERT_EQ(values.size(), stream.size());
        // 24 bits and floats hold the played values: truncated to 16 bits,
        // they are the stream's samples; floats are not rounded at all.
        size_t between = 0;
        for (size_t i = 0; i < values.size(); i++) {
            double scaled = values[i] * (c.bits == 24 ? 8388608.0 / 8388607 : 1) * 32767;
            ASSERT_NEAR(scaled, stream[i], 1.002) << "sample " << i; // a float may round up past a whole number
            between += std::fabs(scaled - std::round(scaled)) > 0.01;
        }
        EXPECT_GT(between, c.bits == 16 ? 0 : values.size() / 2);
        std::remove(path.c_str());
    }
    rmdir(folder.c_str());
}

// A float WAV file has the fmt chunk every reader takes: 18 bytes with a
// cbSize of 0, then the fact chunk with the frames; soxi reads it without a
// warning.
TEST(Formats, AFloatWavHasAWholeFormatChunk) {
    const std::string folder = makeTempFolder(), path = folder + "/f.wav";
    ASSERT_EQ(runProgram({render, "--samples", "1000", "--format", "f32", "-o", path, "0.5"}).exitCode, 0);
    const std::string bytes = readFileText(path);
    ASSERT_EQ(bytes.size(), 58u + 4000u);
    const auto number = [&](size_t at, int size) {
        uint32_t n = 0;
        for (int i = size - 1; i >= 0; i--)
            n = n << 8 | (unsigned char)bytes[at + i];
        return n;
    };
    EXPECT_EQ(bytes.substr(12, 4), "fmt ");
    EXPECT_EQ(number(16, 4), 18u); // the chunk's size
    EXPECT_EQ(number(20, 2), 3u);  // IEEE float
    EXPECT_EQ(number(36, 2), 0u);  // cbSize
    EXPECT_EQ(bytes.substr(38, 4), "fact");
    EXPECT_EQ(number(46, 4), 1000u);
    EXPECT_EQ(bytes.substr(50, 4), "data");
    EXPECT_EQ(decode(path).values, std::vector<double>(1000, 0.5));
    if (access("/usr/bin/soxi", X_OK) == 0) {
        const ProgramRun soxi = runProgram({"soxi", path});
        EXPECT_EQ(soxi.exitCode, 0);
        EXPECT_EQ(soxi.err, "");
    }
    std::remove(path.c_str());
    rmdir(folder.c_str());
}

// Returns the frequency of a tone from its rising zero crossings, between
// the first and the last.
double crossingFrequency(const std::vector<double> &v, double rate) {
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = 1; i < v.size(); i++)
        if (v[i - 1] < 0 && v[i] >= 0) {
            double at = (double)(i - 1) + v[i - 1] / (v[i - 1] - v[i]);
            if (first < 0) first = at;
            last = at;
            crossings++;
        }
    return (crossings - 1) / ((last - first) / rate);
}

TEST(Rate, AResampledToneKeepsItsFrequencyAndLevel) {
    std::string folder = makeTempFolder(), path = folder + "/r.wav";
    const struct {
        const char *rate, *samples;
        sf_count_t frames;
    } cases[] = {
        {"48000", "132300", 48000}, {"8000", "132300", 8000}, {"44100", "100000", 33333}, {"192000", "66150", 96000}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.rate);
        ProgramRun run = runProgram(
            {render, "--samples", c.samples, "--rate", c.rate, "--format", "f32", "-o", path, sine("0.5", "1000.5")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        Decoded d = decode(path);
        EXPECT_EQ(d.info.samplerate, std::atoi(c.rate));
        ASSERT_EQ(d.info.frames, c.frames);
        std::vector<double> middle(d.values.begin() + c.frames / 10, d.values.end() - c.frames / 10);
        double squares = 0;
        for (double v : middle)
            squares += v * v;
        EXPECT_NEAR(10 * std::log10(squares / (double)middle.size()), -9.03, 0.02);
        EXPECT_NEAR(crossingFrequency(middle, d.info.samplerate), 1000.5, 0.01);
    }
    std::remove(path.c_str());
    rmdir(folder.c_str());
}

TEST(Fade, RampsTheEndsAndLeavesTheMiddle) {
    std::string folder = makeTempFolder(), path = folder + "/f.wav";
    // 10 ms at 48000 Hz: 480 samples each way.
    ProgramRun run = runProgram(
        {render, "--seconds", "0.1", "--rate", "48000", "--fade", "10", "--format", "f32", "-o", path, "0.5"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    Decoded d = decode(path);
    ASSERT_EQ(d.values.size(), 4800u);
    const struct {
        size_t at;
        double value;
    } points[] = {{0, 0}, {240, 0.25}, {480, 0.5}, {2400, 0.5}, {4319, 0.5}, {4559, 0.25}, {4799, 0}};
    for (const auto &p : points)
        EXPECT_NEAR(d.values[p.at], p.value, 1e-6) << "sample " << p.at;
    for (size_t i = 1; i < 480; i++)
        EXPECT_GT(d.values[i], d.values[i - 1]) << "sample " << i;
    // At the stream's rate the middle is the stream's own samples.
    std::vector<int> plain = rawSamples(runProgram({render, "--seconds", "0.1", sine("0.7", "300")}).out);
    std::vector<int> faded =
        rawSamples(runProgram({render, "--seconds", "0.1", "--fade", "20", sine("0.7", "300")}).out);
    ASSERT_EQ(faded.size(), plain.size());
    EXPECT_TRUE(std::vector<int>(faded.begin() + 2646, faded.end() - 2646) ==
                std::vector<int>(plain.begin() + 2646, plain.end() - 2646));
    EXPECT_EQ(faded.front(), 0);
    EXPECT_EQ(faded.back(), 0);
    std::remove(path.c_str());
    rmdir(folder.c_str());
}

TEST(Workbench, BadInputIsRefusedWithAMessageAndNoFile) {
    std::string folder = makeTempFolder();
    const std::string out = folder + "/out";
    const struct {
        std::vector<std::string> arguments;
        const char *message;
    } cases[] = {
        {{"--format", "s32", "-o", out + ".wav"}, "'s32' is not a sample format"},
        {{"--format", "f32", "-o", out + ".flac"}, "a FLAC file holds whole-number samples only"},
        {{"--rate", "7999", "-o", out + ".wav"}, "'7999' is out of range (8000 to 192000 Hz)"},
        {{"--rate", "192001", "-o", out + ".wav"}, "is out of range"},
        {{"--rate", "48k", "-o", out + ".wav"}, "is not a whole number"},
        {{"--fade", "500.1", "-o", out + ".wav"}, "--fade 500.1 ms is longer than half the span (500 ms)"},
        {{"--plot", out + ".png", "--size", "199x150"}, "is too small (at least 200x150)"},
        {{"--plot", out + ".png", "--size", "200x149"}, "is too small"},
        {{"--plot", out + ".png", "--size", "10001x800"}, "is too large (at most 10000 pixels on a side)"},
        {{"--plot", out + ".png", "--size", "800"}, "is not a size of the form WxH"},
        {{"--start", "1", "-o", out + ".wav"}, "--start is not before the end of the render at 1 s"},
        {{"--start", "2", "--plot", out + ".png"}, "--start is not before the end"},
        {{"--plot", "/nonexistent-folder/x.png"}, "cannot write /nonexistent-folder/x.png"},
        {{"--samples", "2147483629", "--format", "f32", "-o", out + ".wav"}, "too long for a WAV file of 32-bit"},
        {{"--analyze", "-o", out + ".wav"}, "leave out -o"},
        {{"--play", "--format", "s24"}, "leave out --format"},
        {{"--json"}, "--json goes with --analyze"},
    };
    for (const auto &c : cases) {
        std::vector<std::string> command = {render};
        command.insert(command.end(), c.arguments.begin(), c.arguments.end());
        command.push_back("sin(t)");
        ProgramRun run = runProgram(command);
        std::string shown;
        for (const std::string &argument : c.arguments)
            shown += argument + " ";
        SCOPED_TRACE(shown);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(folderEntries(folder).empty());
    }
    rmdir(folder.c_str());
}

} // namespace
