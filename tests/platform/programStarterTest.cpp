// Starting programs as processes of their own, on this machine.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/desktop.h"

namespace {

// Returns a fresh path in the temporary folder.
std::string temporaryPath(const char *name) {
    return std::string(P_tmpdir) + "/tonalix-starter-" + std::to_string(getpid()) + "-" + name;
}

// Waits up to five seconds for path to exist; returns 1 when it does.
int waitForFile(const std::string &path) {
    for (int i = 0; i < 500; i++) {
        if (access(path.c_str(), F_OK) == 0)
            return 1;
        usleep(10000);
    }
    return 0;
}

struct StartCase {
    const char *const argv[4];
    int started;
};

const StartCase startCases[] = {
    {{"true", nullptr}, 1},                             // found on the search path
    {{"/bin/true", nullptr}, 1},                        // by its path
    {{"tonalix-no-such-program", nullptr}, 0},          // not on the search path
    {{"/nonexistent/folder/program", nullptr}, 0},
    {{"/etc/hostname", nullptr}, 0},                    // exists but cannot be run
    {{nullptr}, 0},                                     // nothing to start
};

TEST(ProgramStarter, ReportsWhetherTheProgramStarted) {
    for (const StartCase &c : startCases)
        EXPECT_EQ(startProgram(c.argv, 10000), c.started) << (c.argv[0] ? c.argv[0] : "(none)");
}

// Arguments reach the program unchanged and no shell interprets them.
TEST(ProgramStarter, PassesArgumentsWithoutAShell) {
    std::string path = temporaryPath("args");
    unlink(path.c_str());
    const char *argv[] = {"touch", path.c_str(), nullptr};
    ASSERT_EQ(startProgram(argv, 10000), 1);
    EXPECT_TRUE(waitForFile(path));
    unlink(path.c_str());

    std::string quoted = temporaryPath("a b;c");
    unlink(quoted.c_str());
    const char *spaced[] = {"touch", quoted.c_str(), nullptr};
    ASSERT_EQ(startProgram(spaced, 10000), 1);
    EXPECT_TRUE(waitForFile(quoted));
    unlink(quoted.c_str());
}

// The started program inherits no descriptor beyond the standard three.
TEST(ProgramStarter, LeavesNoDescriptorsToTheProgram) {
    int open = ::open("/dev/null", O_RDONLY);       // not close-on-exec
    ASSERT_GE(open, 3);
    std::string path = temporaryPath("fds");
    unlink(path.c_str());
    // The answer is written aside and renamed, so it appears complete.
    std::string probe = "if test -e /proc/self/fd/" + std::to_string(open) + "; then echo leaked; else echo closed; fi > " +
                        path + ".part && mv " + path + ".part " + path;
    const char *argv[] = {"sh", "-c", probe.c_str(), nullptr};
    ASSERT_EQ(startProgram(argv, 10000), 1);
    ASSERT_TRUE(waitForFile(path));
    FILE *file = fopen(path.c_str(), "r");
    ASSERT_NE(file, nullptr);
    char text[16] = {};
    ASSERT_NE(fgets(text, sizeof text, file), nullptr);
    fclose(file);
    EXPECT_STREQ(text, "closed\n");
    unlink(path.c_str());
    close(open);
}

}  // namespace
