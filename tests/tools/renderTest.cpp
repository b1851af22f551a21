// tonalix-render: what it writes, and how it refuses bad input without
// leaving a file behind.
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "audio/synthesis.h"
#include "formula/formula.h"
#include "tests/tools/runProgram.h"

namespace {

const std::string render = RENDER_PATH;
const char *sine = "sin(440*6.2831853071795865*t)";

// Returns the bytes the stream would carry for formula after the countdown:
// samples samples, generated as Play does, in buffers of 33075 samples.
std::string streamedBytes(const char *formula, size_t samples) {
    EXPECT_EQ(compileFormula(formula), 0);
    evaluateFormula();
    EXPECT_EQ(setStreamFormat(1, 1, 132300, 2, 264600, 16, 0, formula), 1);
    countdownActive = 0;
    sampleCapture.mode = CaptureOff;
    std::string bytes;
    std::vector<char> buffer(66150);
    while (bytes.size() < 2 * samples) {
        generateSamples(buffer.data(), 66150);
        bytes.append(buffer.data(), std::min<size_t>(66150, 2 * samples - bytes.size()));
    }
    return bytes;
}

// Returns the little-endian 16- or 32-bit value at offset of bytes.
uint32_t field(const std::string &bytes, size_t offset, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; i--)
        value = value << 8 | (unsigned char)bytes[offset + i];
    return value;
}

TEST(Render, RawOutputIsWhatTheStreamCarries) {
    // 70000 samples span three buffers, the last one cut short.
    const char *formulas[] = {sine, "x=x+1, x/100000", "t*3-1", "1/(t-0.1)"};
    for (const char *formula : formulas) {
        ProgramRun run = runProgram({render, "--samples", "70000", formula});
        EXPECT_EQ(run.exitCode, 0) << formula << run.err;
        EXPECT_TRUE(run.out == streamedBytes(formula, 70000)) << formula;
    }
}

TEST(Render, WavFilesCarryAPcmHeaderThenTheSamples) {
    std::string folder = makeTempFolder();
    const char *names[] = {"a.wav", "b.WAV", "c.Wav"};
    for (const char *name : names) {
        std::string path = folder + "/" + name;
        ProgramRun run = runProgram({render, "--seconds", "0.5", "-o", path, sine});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::string file = readFileText(path);
        ASSERT_EQ(file.size(), 44u + 2 * 66150) << name;
        EXPECT_EQ(file.substr(0, 4), "RIFF");
        EXPECT_EQ(field(file, 4, 4), 36u + 2 * 66150);
        EXPECT_EQ(file.substr(8, 8), "WAVEfmt ");
        const struct {
            size_t offset;
            int size;
            uint32_t value;
        } fields[] = {{16, 4, 16}, {20, 2, 1}, {22, 2, 1}, {24, 4, 132300}, {28, 4, 264600}, {32, 2, 2}, {34, 2, 16}};
        for (const auto &f : fields)
            EXPECT_EQ(field(file, f.offset, f.size), f.value) << "offset " << f.offset;
        EXPECT_EQ(file.substr(36, 4), "data");
        EXPECT_EQ(field(file, 40, 4), 2u * 66150);
        EXPECT_TRUE(file.substr(44) == streamedBytes(sine, 66150));
        std::remove(path.c_str());
    }
    rmdir(folder.c_str());
}

TEST(Render, OtherNamesAndDashGetRawSamples) {
    std::string folder = makeTempFolder();
    ProgramRun toFile = runProgram({render, "--samples", "10", "-o", folder + "/x.wave", "0.5"});
    ProgramRun toDash = runProgram({render, "--samples", "10", "-o", "-", "0.5"});
    ProgramRun byDefault = runProgram({render, "0.5"});
    EXPECT_EQ(readFileText(folder + "/x.wave"), streamedBytes("0.5", 10));
    EXPECT_EQ(toDash.out, streamedBytes("0.5", 10));
    EXPECT_EQ(byDefault.out.size(), 2u * 132300); // one second by default
    EXPECT_EQ(toFile.exitCode + toDash.exitCode + byDefault.exitCode, 0);
    std::remove((folder + "/x.wave").c_str());
    rmdir(folder.c_str());
}

TEST(Render, SecondsRoundToTheNearestSample) {
    const struct {
        const char *seconds;
        size_t samples;
    } cases[] = {{"1", 132300}, {"0.25", 33075}, {"1e-5", 1}, {"0.00001", 1}, {"2.5E-1", 33075}, {".5", 66150}};
    for (const auto &c : cases) {
        ProgramRun run = runProgram({render, "--seconds", c.seconds, "0"});
        EXPECT_EQ(run.exitCode, 0) << c.seconds << run.err;
        EXPECT_EQ(run.out.size(), 2 * c.samples) << c.seconds;
    }
}

// Returns the first argument of a case, shortened, for the failure messages.
std::string printableLead(const std::vector<std::string> &arguments) {
    return arguments.empty() ? "(none)" : arguments[0].substr(0, 40);
}

struct RefusalCase {
    std::vector<std::string> arguments;
    int exitCode;
    const char *message; // a part of what standard error says
};

TEST(Render, BadInputIsRefusedWithAMessageAndNoFile) {
    const RefusalCase cases[] = {
        {{"sin(t"}, 1, "parentheses do not match"},
        {{"1+"}, 1, "validator refused"},
        {{"sin(t)#1"}, 1, "lexer refused the formula at position 7: '#'"},
        {{"2=t"}, 1, "position 2: '=' must follow a variable"},
        {{"1+.5#"}, 1, "position 5: '#'"},
        {{"2*.e1"}, 1, "position 3: the '.' begins no number"},
        {{""}, 2, "the formula is empty"},
        {{}, 2, "no formula given"},
        {{"t", "t", "t", "t", "t", "t", "t", "t", "t"}, 2, "give at most 8 formulas"},
        {{"t", ""}, 2, "formula 2 of 2, right, is empty"},
        {{"t", "sin(t", "t"}, 1, "formula 2 of 3, front right, does not compile: the postfix"},
        {{"-t"}, 2, "unknown option '-t'"},
        {{"--seconds"}, 2, "--seconds needs a value"},
        {{"--seconds", "0", "t"}, 2, "not a positive number"},
        {{"--seconds", "-2", "t"}, 2, "not a positive number"},
        {{"--seconds", "2s", "t"}, 2, "not a decimal number"},
        {{"--seconds", "inf", "t"}, 2, "not a decimal number"},
        {{"--seconds", "nan", "t"}, 2, "not a decimal number"},
        {{"--seconds", "0x10", "t"}, 2, "not a decimal number"},
        {{"--seconds", "1e-7", "t"}, 2, "less than one sample"},
        {{"--seconds", "1e-400", "t"}, 2, "less than one sample"},
        {{"--seconds", "16233", "t"}, 2, "too long"},
        {{"--seconds", "1e999", "t"}, 2, "too long"},
        {{"--samples", "0", "t"}, 2, "less than one sample"},
        {{"--samples", "-5", "t"}, 2, "not a whole number"},
        {{"--samples", "1.5", "t"}, 2, "not a whole number"},
        {{"--samples", "2147483630", "t"}, 2, "too many"},
        {{"--samples", "99999999999999999999999", "t"}, 2, "too many"},
        {{"--samples", "5", "--seconds", "1", "t"}, 2, "only one of"},
        {{"-o"}, 2, "-o needs a file name"},
        {{"-o", "", "t"}, 2, "-o needs a file name"},
        {{"--play", "t"}, 2, "leave out -o"},
    };
    std::string folder = makeTempFolder();
    for (const RefusalCase &c : cases) {
        std::vector<std::string> command = {render, "-o", folder + "/out.wav"};
        if (!c.arguments.empty() && c.arguments[0].rfind("-o", 0) == 0) command.resize(1); // the case brings its own -o
        command.insert(command.end(), c.arguments.begin(), c.arguments.end());
        ProgramRun run = runProgram(command);
        std::string what =
            c.arguments.empty() ? "(none)" : c.arguments[0] + (c.arguments.size() > 1 ? " " + c.arguments[1] : "");
        EXPECT_EQ(run.exitCode, c.exitCode) << what;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << what << ": " << run.err;
        EXPECT_TRUE(folderEntries(folder).empty()) << what;
    }
    rmdir(folder.c_str());
}

// Every refused formula is shown with a caret under the byte where the
// engine stopped, whichever stage stopped it.
TEST(Render, RefusedFormulasShowWhere) {
    const struct {
        const char *formula;
        unsigned caret; // the byte under the caret, from 0
    } cases[] = {
        {"(1+2))", 5}, {"sin(t", 3}, {"2*-3", 2}, {"1+", 1}, {"sin(t)7", 6}, {"sin(t)+Q", 7}, {"1+2 ^ -3", 6},
    };
    for (const auto &c : cases) {
        ProgramRun run = runProgram({render, "--samples", "1", c.formula});
        EXPECT_EQ(run.exitCode, 1) << c.formula;
        const std::string shown = std::string("\n  ") + c.formula + "\n  " + std::string(c.caret, ' ') + "^";
        EXPECT_NE(run.err.find(shown), std::string::npos) << c.formula << ": " << run.err;
        EXPECT_NE(run.err.find("at position " + std::to_string(c.caret + 1)), std::string::npos) << run.err;
    }
}

// Hostile command lines: each gets a message of bounded length, with what it
// quotes made printable, and an exit code; nothing is written.
TEST(Render, HostileCommandLinesGetAShortMessage) {
    const std::string longDigits(100000, '9'), longName = "/tmp/" + std::string(100000, 'n') + ".wav";
    const RefusalCase cases[] = {
        {{"--seconds", "1e308", "t"}, 2, "too long"},
        {{"--seconds", "-1e308", "t"}, 2, "not a positive number"},
        {{"--seconds", "18446744073709551617", "t"}, 2, "too long"},
        {{"--seconds", "NaN", "t"}, 2, "not a decimal number"},
        {{"--samples", "18446744073709551617", "t"}, 2, "too many"},
        {{"--samples", "-9223372036854775808", "t"}, 2, "not a whole number"},
        {{"--seconds", longDigits, "t"}, 2, "too long"},
        {{"--samples", longDigits, "t"}, 2, "too many"},
        {{"--seconds", "1\xff", "t"}, 2, "'1\\xFF' is not a decimal number"},
        {{"-\xc3\x28", "t"}, 2, "unknown option '-\\xC3('"},
        {{"-" + std::string(100000, 'x'), "t"}, 2, "xxx...' (put --"},
        {{"\xff\xfe(t)"}, 1, "the byte 0xFF is not part of the formula language"},
        {{std::string(100000, 't')}, 1, "too many tokens"},
        {{std::string(50000, '(') + "t" + std::string(50000, ')')}, 1, "too many tokens"},
        {{"-o", longName, "t"}, 1, "nnn...: "},
    };
    std::string folder = makeTempFolder();
    for (const RefusalCase &c : cases) {
        std::vector<std::string> command = {render, "-o", folder + "/out.wav"};
        if (c.arguments[0] == "-o") command.resize(1);
        command.insert(command.end(), c.arguments.begin(), c.arguments.end());
        ProgramRun run = runProgram(command);
        std::string what = printableLead(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << what;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << what << ": " << run.err.substr(0, 400);
        EXPECT_LT(run.err.size(), 1000u) << what;
        EXPECT_TRUE(folderEntries(folder).empty()) << what;
    }
    rmdir(folder.c_str());
}

// Outputs that take nothing: a full device (the kernel's "full" device, made
// in a folder of the test, or /dev/full) fails at the first write with its
// reason, whether named or as standard output, and so does a disk that is
// full from the start, however long the render asked for.
TEST(Render, AFullOutputFailsAtOnce) {
    std::string folder = makeTempFolder(), device = folder + "/full";
    struct stat status;
    if (mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 7)) != 0) device = "/dev/full";
    if (stat(device.c_str(), &status) != 0 || !S_ISCHR(status.st_mode)) {
        rmdir(folder.c_str());
        GTEST_SKIP() << "no full device here";
    }
    const std::string longest = "2147483629";
    ProgramRun named = runProgram({render, "--samples", longest, "-o", device, sine});
    EXPECT_EQ(named.exitCode, 1);
    EXPECT_NE(named.err.find("cannot write " + device + ": No space left on device"), std::string::npos) << named.err;
    ProgramRun standard = runProgram({render, "--samples", longest, sine}, device);
    EXPECT_EQ(standard.exitCode, 1);
    EXPECT_NE(standard.err.find("cannot write standard output: No space left on device"), std::string::npos)
        << standard.err;
    // (the limit also holds for the collected standard error)
    ProgramRun fullDisk = runProgram({render, "--samples", longest, "-o", folder + "/x.wav", sine}, "", 10000);
    EXPECT_EQ(fullDisk.exitCode, 1);
    EXPECT_NE(fullDisk.err.find("cannot write " + folder + "/x.wav"), std::string::npos) << fullDisk.err;
    EXPECT_TRUE(S_ISCHR(status.st_mode));
    std::remove((folder + "/full").c_str());
    EXPECT_TRUE(folderEntries(folder).empty());
    rmdir(folder.c_str());
}

TEST(Render, AFailedWriteLeavesNoFileAndKeepsTheOldOne) {
    std::string folder = makeTempFolder();
    std::string path = folder + "/tone.wav";
    {
        ProgramRun first = runProgram({render, "--samples", "5", "-o", path, "0.5"});
        ASSERT_EQ(first.exitCode, 0);
    }
    std::string before = readFileText(path);
    // A file size limit makes the writes fail as on a full disk.
    ProgramRun run = runProgram({render, "--seconds", "3", "-o", path, sine}, "", 100000);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("cannot write " + path), std::string::npos) << run.err;
    EXPECT_EQ(folderEntries(folder), std::vector<std::string>{"tone.wav"});
    EXPECT_EQ(readFileText(path), before);
    std::remove(path.c_str());
    rmdir(folder.c_str());
}

TEST(Render, OutputsThatCannotBeWrittenAreReported) {
    // Standard output on a file that cannot grow past 10000 bytes: a full disk.
    std::string folder = makeTempFolder();
    ProgramRun full = runProgram({render, "--seconds", "2", sine}, folder + "/out.raw", 10000);
    EXPECT_EQ(full.exitCode, 1);
    EXPECT_NE(full.err.find("cannot write standard output"), std::string::npos) << full.err;
    std::remove((folder + "/out.raw").c_str());
    rmdir(folder.c_str());
    ProgramRun noFolder = runProgram({render, "-o", "/nonexistent-folder/x.wav", "t"});
    EXPECT_EQ(noFolder.exitCode, 1);
    EXPECT_NE(noFolder.err.find("cannot write /nonexistent-folder/x.wav"), std::string::npos) << noFolder.err;
    ProgramRun folderName = runProgram({render, "-o", "/tmp/", "t"});
    EXPECT_EQ(folderName.exitCode, 1);
    // A folder named without its slash is refused before anything is written.
    std::string existing = makeTempFolder();
    ProgramRun folderItself = runProgram({render, "-o", existing, "t"});
    EXPECT_EQ(folderItself.exitCode, 1);
    EXPECT_NE(folderItself.err.find("names a folder"), std::string::npos) << folderItself.err;
    EXPECT_TRUE(folderEntries(existing).empty());
    rmdir(existing.c_str());
}

// The finished file must replace what the name stands for, never a link or
// a named pipe in its place.
TEST(Render, LinksAreFollowedAndPipesWrittenInPlace) {
    std::string folder = makeTempFolder();
    std::string file = folder + "/real.raw", link = folder + "/link.raw", pipe = folder + "/pipe";
    ASSERT_EQ(runProgram({render, "--samples", "3", "-o", file, "0"}).exitCode, 0);
    ASSERT_EQ(symlink("real.raw", link.c_str()), 0);
    ProgramRun throughLink = runProgram({render, "--samples", "10", "-o", link, "0.5"});
    EXPECT_EQ(throughLink.exitCode, 0) << throughLink.err;
    struct stat status;
    ASSERT_EQ(lstat(link.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    EXPECT_EQ(readFileText(file), streamedBytes("0.5", 10));

    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    pid_t pid = startProgram({render, "--samples", "10", "-o", pipe, "0.25"}, "/dev/null");
    std::string received;
    for (;;) {
        // A safety bound only: a render that never opens the pipe fails here.
        struct pollfd ready = {reader, POLLIN, 0};
        if (poll(&ready, 1, 20000) <= 0) break;
        char bytes[64];
        ssize_t n = read(reader, bytes, sizeof bytes);
        if (n > 0)
            received.append(bytes, (size_t)n);
        else if (n == 0 || errno != EAGAIN)
            break;
    }
    close(reader);
    int exitStatus = 0;
    waitpid(pid, &exitStatus, 0);
    EXPECT_TRUE(WIFEXITED(exitStatus) && WEXITSTATUS(exitStatus) == 0);
    EXPECT_EQ(received, streamedBytes("0.25", 10));
    ASSERT_EQ(lstat(pipe.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    EXPECT_EQ(folderEntries(folder), (std::vector<std::string>{"link.raw", "pipe", "real.raw"}));
    for (const std::string &name : folderEntries(folder))
        std::remove((folder + "/" + name).c_str());
    rmdir(folder.c_str());
}

TEST(Render, CompileMessagesShowTheStretchAroundTheFault) {
    const struct {
        std::string formula;
        std::string shown; // the two lines under the message
    } cases[] = {
        {"sin(t)\t+1", "\n  sin(t)?+1\n        ^"},
        {std::string(100, 't') + "#" + std::string(100, 't'),
         "\n  ..." + std::string(36, 't') + "#" + std::string(36, 't') + "...\n" + std::string(41, ' ') + "^"},
    };
    for (const auto &c : cases) {
        ProgramRun run = runProgram({render, "--samples", "1", c.formula});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find(c.shown), std::string::npos) << run.err;
    }
}

TEST(Render, HelpDescribesEveryOption) {
    ProgramRun run = runProgram({render, "--help"});
    EXPECT_EQ(run.exitCode, 0);
    const char *words[] = {"--seconds", "--samples", "-o FILE", ".wav",   "--play", "aplay -f S16_LE -r 132300 -c 1",
                           "--start",   "--format",  "--rate",  "--fade", ".flac",  "--analyze",
                           "--json",    "--plot",    "--size"};
    for (const char *word : words)
        EXPECT_NE(run.out.find(word), std::string::npos) << word;
}

} // namespace
