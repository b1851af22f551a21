// What the tests of the Windows programs share: see windowsPrograms.h.
#include "tests/platform/windowsPrograms.h"

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

const std::string windowsBuild = TONALIX_WINDOWS_BUILD;
const std::string windowsRender = windowsBuild + "/tools/tonalix-render.exe";
const std::string windowsProgramFolder = windowsBuild + "/app";
const char *const startFormula = "sin(440*6.2831853071795865*t)";

std::string missingWine() {
    if (!std::getenv("WINEPREFIX") || !std::getenv("DISPLAY")) return "no Wine prefix (scripts/wine-env.sh makes one)";
    if (access(windowsRender.c_str(), X_OK) != 0 || access((windowsProgramFolder + "/tonalix.exe").c_str(), R_OK) != 0)
        return "no Windows build in " + windowsBuild + " (scripts/build-windows.sh)";
    return "";
}

std::vector<std::string> underWine(const std::string &folder, const std::vector<std::string> &command,
                                   const std::vector<std::string> &settings) {
    std::vector<std::string> line = {"env", "-C", folder};
    line.insert(line.end(), settings.begin(), settings.end());
    line.push_back("wine");
    line.insert(line.end(), command.begin(), command.end());
    return line;
}

std::string withoutCarriageReturns(std::string text) {
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

void WindowsProgram::SetUp() {
    const std::string why = missingWine();
    if (!why.empty()) GTEST_SKIP() << why;
}

void WindowsProgram::TearDown() {
    if (program > 0) {
        click("click", "1006");
        waitForProgram(10);
    }
}

int WindowsProgram::startWindow(const std::vector<std::string> &settings) {
    program = startProgram(underWine(programFolder, {"./tonalix.exe"}, settings), "/dev/null");
    return program > 0 && click("wait", "20000", settings).exitCode == 0;
}

ProgramRun WindowsProgram::click(const std::string &command, const std::string &number,
                                 const std::vector<std::string> &settings) {
    return runProgram(underWine(programFolder, {"./tonalix-click.exe", command, number}, settings));
}

std::string WindowsProgram::controlText(int id, const std::vector<std::string> &settings) {
    std::string text = withoutCarriageReturns(click("text", std::to_string(id), settings).out);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

int WindowsProgram::waitForProgram(int seconds) {
    for (int i = 0; i < seconds * 10; i++) {
        int status = 0;
        if (waitpid(program, &status, WNOHANG) == program) {
            program = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        usleep(100000);
    }
    kill(program, SIGKILL);
    waitpid(program, nullptr, 0);
    program = -1;
    return -1;
}
