// What the tests of the Windows programs under Wine share: where the cross
// build is, running a program under Wine, and a fixture that starts the real
// tonalix.exe and drives it from outside with tonalix-click.exe.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <sys/types.h>
#include <vector>

#include "tests/tools/runProgram.h"

extern const std::string windowsBuild;         // the cross build (scripts/build-windows.sh)
extern const std::string windowsRender;        // its tonalix-render.exe
extern const std::string windowsProgramFolder; // the folder of tonalix.exe and tonalix-click.exe
extern const char *const startFormula;         // the formula the window starts with

// Returns why the Windows programs cannot run here, or "" when they can.
std::string missingWine();
// Returns command run under Wine in folder, with environment settings first.
std::vector<std::string> underWine(const std::string &folder, const std::vector<std::string> &command,
                                   const std::vector<std::string> &settings = {});
// Returns text without the CR of Windows line ends.
std::string withoutCarriageReturns(std::string text);

class WindowsProgram : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts tonalix.exe with settings in its environment and waits for its
    // main window.  Returns 1 when the window opened.
    int startWindow(const std::vector<std::string> &settings = {});
    // Runs tonalix-click.exe with a command and its number.
    ProgramRun click(const std::string &command, const std::string &number,
                     const std::vector<std::string> &settings = {});
    // Returns the text of control id of the running window.
    std::string controlText(int id, const std::vector<std::string> &settings = {});
    // Waits up to seconds for tonalix.exe to end.  Returns its exit code, or
    // -1 when it had to be killed.
    int waitForProgram(int seconds);

    pid_t program = -1;
    std::string programFolder = windowsProgramFolder; // where the programs are started
};
