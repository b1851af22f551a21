// tonalix-render gives the same bytes as it always has: the files, the
// samples on standard output and the reports of a set of commands, each
// checked by its length and its 64-bit FNV-1a digest.  Only what does not
// depend on the machine is here: no resampling (libsoxr picks its code by
// the processor) and no pictures (their text depends on the fonts).
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "tests/tools/runProgram.h"

namespace {

const std::string render = RENDER_PATH;

// Returns the 64-bit FNV-1a digest of bytes.
uint64_t digest(const std::string &bytes) {
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes)
        hash = (hash ^ c) * 0x100000001b3ull;
    return hash;
}

struct SameOutputCase {
    std::vector<std::string> arguments; // "FILE" stands for the file written, by its ending
    const char *file;                   // the ending of the file written; "" for standard output
    size_t size;
    uint64_t digest;
};

// clang-format off
const SameOutputCase sameOutputCases[] = {
    {{"--seconds", "0.1", "sin(440*6.2831853071795865*t)"}, "", 26460, 0x24b671f3e97b3515ull},
    {{"--samples", "5000", "-o", "FILE", "0.5*sin(1000*6.2831853071795865*t)+0.25"}, ".wav", 10044, 0x37cb61d557789f42ull},
    {{"--seconds", "0.2", "--format", "s24", "--fade", "10", "-o", "FILE", "sin(220*6.2831853071795865*t)"}, ".wav", 79424, 0x1b5aceee523c473bull},
    {{"--seconds", "0.2", "--start", "0.05", "--format", "f32", "-o", "FILE", "1.5*sin(330*6.2831853071795865*t)"}, ".wav", 79438, 0x327ceb05fdb16009ull},
    {{"--seconds", "0.2", "--format", "f32", "--fade", "5", "-o", "FILE", "x=x+0.001, sin(x)"}, ".raw", 105840, 0x695fc3f06ff1f117ull},
    {{"--seconds", "0.2", "-o", "FILE", "sin(440*6.2831853071795865*t)^3"}, ".flac", 10364, 0xc78ec9b8906d962cull},
    {{"--seconds", "0.2", "--format", "s24", "--start", "0.1", "-o", "FILE", "t*5-floor(t*5)"}, ".flac", 1962, 0x210b4b4453ec4accull},
    {{"--analyze", "--seconds", "1.5", "0.5*sin(1000*6.2831853071795865*t)"}, "", 422, 0xac82f651330a0d06ull},
    {{"--analyze", "--json", "--seconds", "0.3", "--start", "0.1", "log(sin(t*300))*2"}, "", 284, 0x880e83be64b392e7ull},
    {{"--analyze", "--json", "--samples", "40000", "sin(50*6.2831853071795865*t)+sin(3000*6.2831853071795865*t)"}, "", 299, 0x60c872c71b468dfbull},
    {{"--help"}, "", 8577, 0xfdf5df9ca06bd830ull}, // it describes the channels, the devices, --play --rate and drift_ppm
};
// clang-format on

TEST(SameOutput, CommandsGiveTheBytesTheyAlwaysGave) {
    const std::string folder = makeTempFolder();
    for (const SameOutputCase &c : sameOutputCases) {
        std::vector<std::string> command = {render};
        const std::string path = folder + "/out" + c.file;
        std::string shown;
        for (const std::string &a : c.arguments) {
            command.push_back(a == "FILE" ? path : a);
            shown += " " + a;
        }
        const ProgramRun run = runProgram(command);
        ASSERT_EQ(run.exitCode, 0) << shown << ": " << run.err;
        const std::string bytes = *c.file ? readFileText(path) : run.out;
        char actual[64];
        std::snprintf(actual, sizeof actual, "%zu, 0x%016llxull", bytes.size(), (unsigned long long)digest(bytes));
        EXPECT_TRUE(bytes.size() == c.size && digest(bytes) == c.digest) << shown << " gives " << actual;
        std::remove(path.c_str());
    }
    rmdir(folder.c_str());
}

} // namespace
