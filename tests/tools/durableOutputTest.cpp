// A written file survives a power cut: its data reaches the disk before the
// rename and the rename after it (seen under strace), a replaced file keeps
// its permission bits, and a flush that fails (failingFlush, put before the
// C library) leaves no file and the old one as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/tools/runProgram.h"

namespace {

const std::string render = RENDER_PATH;
const char formula[] = "sin(440*6.2831853071795865*t)";

// Returns the lines of text.
std::vector<std::string> linesOf(const std::string &text) {
    std::vector<std::string> lines;
    size_t from = 0;
    for (size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1)
        lines.push_back(text.substr(from, at - from));
    return lines;
}

// Returns the index of the first line at or after from that holds both a and
// b, or -1.
int lineWith(const std::vector<std::string> &lines, size_t from, const std::string &a, const std::string &b) {
    for (size_t i = from; i < lines.size(); i++)
        if (lines[i].find(a) != std::string::npos && lines[i].find(b) != std::string::npos) return (int)i;
    return -1;
}

// Returns "ASAN_OPTIONS=" with this process's options and extra, for the
// renderer of the sanitizer build, which the tests run under strace (where
// LeakSanitizer cannot work) or after a stand-in for fsync (which the
// sanitizer's runtime must not mind coming first).
std::string sanitizerOptions(const char *extra) {
    const char *options = std::getenv("ASAN_OPTIONS");
    return std::string("ASAN_OPTIONS=") + (options ? options : "") + ":" + extra;
}

// Returns the permission bits of path, or -1.
int modeOf(const std::string &path) {
    struct stat found;
    return stat(path.c_str(), &found) == 0 ? (int)(found.st_mode & 07777) : -1;
}

TEST(DurableOutput, TheDataReachesTheDiskBeforeTheRenameAndTheRenameAfter) {
    if (access("/usr/bin/strace", X_OK) != 0) GTEST_SKIP() << "strace is not installed";
    const std::string folder = makeTempFolder(), log = folder + ".strace";
    for (const char *name : {"new.wav", "old.flac"}) {
        SCOPED_TRACE(name);
        const std::string path = folder + "/" + name;
        if (name[0] == 'o') std::fclose(std::fopen(path.c_str(), "w"));
        const ProgramRun run = runProgram({"env", sanitizerOptions("detect_leaks=0"), "strace", "-f", "-y", "-e",
                                           "trace=fsync,rename,renameat,renameat2", "-o", log, render, "--seconds",
                                           "0.1", "-o", path, formula});
        const std::vector<std::string> lines = linesOf(readFileText(log));
        if (run.exitCode != 0 && lines.empty()) GTEST_SKIP() << "strace cannot trace here: " << run.err;
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const int data = lineWith(lines, 0, "fsync(", "/." + std::string(name) + ".");
        const int rename = lineWith(lines, 0, "rename", "\"" + path + "\"");
        ASSERT_GE(data, 0) << readFileText(log);
        ASSERT_GT(rename, data) << readFileText(log);
        EXPECT_GE(lineWith(lines, (size_t)rename, "fsync(", "<" + folder + ">)"), 0) << readFileText(log);
        std::remove(path.c_str());
    }
    std::remove(log.c_str());
    rmdir(folder.c_str());
}

TEST(DurableOutput, AReplacedFileKeepsItsPermissionBits) {
    const std::string folder = makeTempFolder(), path = folder + "/out.wav";
    const mode_t mask = umask(0);
    umask(mask);
    const struct {
        int oldMode; // -1: no file there
        int expected;
    } cases[] = {{0640, 0640}, {0600, 0600}, {0755, 0755}, {-1, (int)(0666 & ~mask)}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.oldMode);
        if (c.oldMode >= 0) {
            std::fclose(std::fopen(path.c_str(), "w"));
            ASSERT_EQ(chmod(path.c_str(), (mode_t)c.oldMode), 0);
        }
        const ProgramRun run = runProgram({render, "--seconds", "0.01", "-o", path, formula});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(modeOf(path), c.expected);
        std::remove(path.c_str());
    }
    rmdir(folder.c_str());
}

TEST(DurableOutput, AFailedFlushLeavesNoFileAndTheOldOneUntouched) {
    const std::string folder = makeTempFolder(), path = folder + "/out.wav";
    const std::string asan = sanitizerOptions("verify_asan_link_order=0");
    const struct {
        const char *failing; // what the disk refuses to flush
        int oldFile;         // 1: a file is there before
    } cases[] = {{"file", 0}, {"file", 1}, {"folder", 0}, {"folder", 1}};
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.failing) + (c.oldFile ? " over an old file" : ""));
        if (c.oldFile) {
            FILE *old = std::fopen(path.c_str(), "w");
            std::fputs("the old file", old);
            std::fclose(old);
        }
        const ProgramRun run = runProgram({"env", std::string("LD_PRELOAD=") + FAILING_FLUSH_PATH,
                                           std::string("TONALIX_FAILING_FLUSH=") + c.failing, asan, render, "--seconds",
                                           "0.1", "-o", path, formula});
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_NE(run.err.find("cannot write " + path + ": Input/output error"), std::string::npos) << run.err;
        EXPECT_EQ(folderEntries(folder), c.oldFile ? std::vector<std::string>{"out.wav"} : std::vector<std::string>{});
        if (c.oldFile) {
            EXPECT_EQ(readFileText(path), "the old file");
        }
        std::remove(path.c_str());
    }
    rmdir(folder.c_str());
}

} // namespace
