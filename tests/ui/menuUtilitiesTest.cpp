// The help page and volume-control commands reaching the desktop services.
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/fakes/fakeSystem.h"
#include "tests/fakes/fakeWindow.h"
#include "tests/ui/commandWindowFixture.h"
#include "ui/menuUtilities.h"

namespace {

using MenuUtilitiesTest = CommandWindowTest;

TEST_F(MenuUtilitiesTest, HelpOpensThePageBesideTheProgram) {
    fakeSend(window, WM_COMMAND, commandParam(IDM_HELP, 0), 0);
    const auto &requests = fakeShellRequests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].owner, window);
    EXPECT_EQ(requests[0].verb, "open");
    EXPECT_EQ(requests[0].target, "./index.html");
    EXPECT_EQ(requests[0].showState, SW_SHOWMAXIMIZED);
    EXPECT_TRUE(fakeMessageBoxes().empty());
}

#ifdef _WIN32
const char *const mixer = "%SystemRoot%\\System32\\sndvol32.exe";
const char *const terminalMixer = "%SystemRoot%\\sndvol32.exe";
const char *const currentMixer = "%SystemRoot%\\System32\\SndVol.exe"; // every Windows since Vista
#else
const char *const mixer = "pavucontrol";
const char *const terminalMixer = "x-terminal-emulator -e alsamixer";
#endif

struct VolumeCase {
    std::vector<std::string> startable;
    int result;
    std::vector<std::string> tried; // command lines, in order
};

TEST_F(MenuUtilitiesTest, VolumeControlTriesEachCommandInTurn) {
    const VolumeCase cases[] = {
        {{mixer, terminalMixer}, 1, {mixer}},
        {{terminalMixer}, 1, {mixer, terminalMixer}},
#ifdef _WIN32
        {{currentMixer}, 1, {mixer, terminalMixer, currentMixer}},
        {{}, 0, {mixer, terminalMixer, currentMixer}},
#else
        {{}, 0, {mixer, terminalMixer}},
#endif
    };
    for (const VolumeCase &c : cases) {
        fakeResetSystem();
        fakeSetStartablePrograms(c.startable);
        EXPECT_EQ(launchVolumeControl(), c.result);
        std::vector<std::string> tried;
        for (const FakeProgramStart &start : fakeProgramStarts()) {
            tried.push_back(start.commandLine);
            EXPECT_EQ(start.waitMs, 10000u);
        }
        EXPECT_EQ(tried, c.tried);
    }
    EXPECT_TRUE(fakeMessageBoxes().empty());
}

// The menu command ignores the result and shows nothing when nothing starts.
TEST_F(MenuUtilitiesTest, VolumeMenuCommandFailsSilently) {
    fakeSend(window, WM_COMMAND, commandParam(IDM_VOLUME, 0), 0);
    size_t commands = 0;
    while (volumeControlCommands[commands])
        commands++;
    EXPECT_EQ(fakeProgramStarts().size(), commands);
    EXPECT_TRUE(fakeMessageBoxes().empty());
}

} // namespace
