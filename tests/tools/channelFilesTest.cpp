// Files of several channels: each channel holds the samples of its formula
// rendered alone, in every kind and format; shared variables pair the
// channels sample for sample; a WAV file of more than two channels names
// their speakers.
#include <cmath>
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

// Returns the samples of a file, frame by frame, exactly (whole numbers over
// a power of two, floats as they are), and stores its channels in
// *channels: through libsndfile, or raw 16-bit samples of rawChannels
// channels.
std::vector<double> fileSamples(const std::string &path, unsigned rawChannels, int *channels) {
    std::vector<double> samples;
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".raw") == 0) {
        const std::string bytes = readFileText(path);
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            samples.push_back((int16_t)(uint16_t)((unsigned char)bytes[i] | (unsigned char)bytes[i + 1] << 8) /
                              32768.0);
        *channels = (int)rawChannels;
        return samples;
    }
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SNDFILE *file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_TRUE(file) << path;
    if (!file) return samples;
    samples.resize((size_t)(info.frames * info.channels));
    sf_read_double(file, samples.data(), (sf_count_t)samples.size());
    sf_close(file);
    *channels = info.channels;
    return samples;
}

// Returns the little-endian number of size bytes at `at` of bytes.
uint32_t number(const std::string &bytes, size_t at, int size) {
    uint32_t n = 0;
    for (int i = size - 1; i >= 0; i--)
        n = n << 8 | (unsigned char)bytes[at + i];
    return n;
}

TEST(ChannelFiles, EachChannelHoldsTheSamplesOfItsFormulaAlone) {
    const std::string folder = makeTempFolder();
    // The right channel keeps a variable of its own: the channels share none.
    const std::vector<std::string> formulas = {"0.9*sin(440*" + twoPi + "*t)",
                                               "0.5*sin(x=x+0.01)+0.3*cos(1000*" + twoPi + "*t)"};
    const struct {
        const char *name;
        std::vector<std::string> options;
    } cases[] = {
        {"a.wav", {}},
        {"b.flac", {}},
        {"c.raw", {}},
        {"d.flac", {"--format", "s24"}},
        {"e.wav", {"--format", "f32"}},
        {"f.wav", {"--format", "s24", "--rate", "48000", "--fade", "5", "--start", "0.1"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder + "/" + c.name;
        std::vector<std::string> command = {render, "--samples", "30000", "-o", path};
        command.insert(command.end(), c.options.begin(), c.options.end());
        std::vector<std::string> both = command;
        both.insert(both.end(), formulas.begin(), formulas.end());
        ASSERT_EQ(runProgram(both).exitCode, 0);
        int channels = 0;
        const std::vector<double> together = fileSamples(path, 2, &channels);
        ASSERT_EQ(channels, 2);
        for (size_t ch = 0; ch < 2; ch++) {
            std::vector<std::string> alone = command;
            alone.push_back(formulas[ch]);
            ASSERT_EQ(runProgram(alone).exitCode, 0);
            int one = 0;
            const std::vector<double> mono = fileSamples(path, 1, &one);
            ASSERT_EQ(one, 1);
            ASSERT_EQ(together.size(), 2 * mono.size());
            for (size_t i = 0; i < mono.size(); i++)
                ASSERT_EQ(together[2 * i + ch], mono[i]) << "channel " << ch << ", frame " << i;
        }
        std::remove(path.c_str());
    }
    rmdir(folder.c_str());
}

TEST(ChannelFiles, ASharedVariableMakesExactOpposites) {
    const std::string folder = makeTempFolder();
    for (const char *format : {"s16", "f32"}) {
        SCOPED_TRACE(format);
        const std::string path = folder + "/pair.wav";
        ASSERT_EQ(runProgram({render, "--samples", "20000", "--format", format, "-o", path, "--",
                              "x=0.8*sin(1000*" + twoPi + "*t)+0.1*sin(y=y+0.3),x", "-x"})
                      .exitCode,
                  0);
        int channels = 0;
        const std::vector<double> samples = fileSamples(path, 2, &channels);
        ASSERT_EQ(channels, 2);
        ASSERT_EQ(samples.size(), 40000u);
        size_t sounding = 0;
        for (size_t i = 0; i < samples.size(); i += 2) {
            ASSERT_EQ(samples[i + 1], -samples[i]) << "frame " << i / 2;
            sounding += samples[i] != 0;
        }
        EXPECT_GT(sounding, 15000u);
        std::remove(path.c_str());
    }
    rmdir(folder.c_str());
}

// Returns the frequency of channel ch of count channels from its rising zero
// crossings, between the first and the last.
double crossingFrequency(const std::vector<double> &samples, int count, int ch, double rate) {
    long first = -1, last = -1, crossings = 0;
    for (size_t i = (size_t)(count + ch); i < samples.size(); i += (size_t)count)
        if (samples[i - (size_t)count] < 0 && samples[i] >= 0) {
            if (first < 0) first = (long)(i / (size_t)count);
            last = (long)(i / (size_t)count);
            crossings++;
        }
    return crossings > 1 ? (double)(crossings - 1) * rate / (double)(last - first) : 0;
}

TEST(ChannelFiles, AWavFileNamesTheSpeakersOfItsChannels) {
    const std::string folder = makeTempFolder();
    const struct {
        unsigned channels;
        const char *format;
        uint32_t tag, mask; // 0xFFFE: extensible, with the mask
    } cases[] = {
        {8, "s16", 0xFFFE, 0x63F}, {8, "f32", 0xFFFE, 0x63F}, {3, "s24", 0xFFFE, 0x7}, {6, "s16", 0xFFFE, 0x3F},
        {2, "s24", 0xFFFE, 0x3},   {2, "s16", 1, 0},          {2, "f32", 3, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.channels) + " " + c.format);
        const std::string path = folder + "/many.wav";
        std::vector<std::string> command = {render, "--seconds", "0.2", "--format", c.format, "-o", path};
        for (unsigned ch = 0; ch < c.channels; ch++)
            command.push_back("0.5*sin(" + std::to_string(100 * (ch + 1)) + "*" + twoPi + "*t)");
        ASSERT_EQ(runProgram(command).exitCode, 0);
        const std::string bytes = readFileText(path);
        ASSERT_GT(bytes.size(), 80u);
        EXPECT_EQ(number(bytes, 20, 2), c.tag);
        EXPECT_EQ(number(bytes, 22, 2), c.channels);
        if (c.tag == 0xFFFE) {
            EXPECT_EQ(number(bytes, 16, 4), 40u); // the fmt chunk's size
            EXPECT_EQ(number(bytes, 36, 2), 22u); // cbSize
            EXPECT_EQ(number(bytes, 40, 4), c.mask);
            EXPECT_EQ(number(bytes, 44, 2), std::strcmp(c.format, "f32") == 0 ? 3u : 1u); // the sub-format
        }
        int channels = 0;
        const std::vector<double> samples = fileSamples(path, 0, &channels);
        ASSERT_EQ(channels, (int)c.channels);
        for (unsigned ch = 0; ch < c.channels; ch++)
            EXPECT_NEAR(crossingFrequency(samples, channels, (int)ch, 132300), 100.0 * (ch + 1), 0.5)
                << "channel " << ch;
        std::remove(path.c_str());
    }
    rmdir(folder.c_str());
}

} // namespace
