// The Windows release files (scripts/build-windows.sh writes them).  The
// installer in a fresh Wine prefix of the test's own: a silent install for
// the current user puts the programs, the help page and the licence files
// together, with a Start-menu shortcut and an uninstall entry; the program
// opens its window from the shortcut; the silent uninstall leaves none of
// them, and the settings key alone.  The ZIP holds the same files in one
// folder, with a readme instead of the uninstaller.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "tests/platform/windowsPrograms.h"
#include "tests/support/soundAnalysis.h"

namespace {

// A function, since windowsBuild belongs to another file: a constant made
// from it here could be made before it and come out as "/tonalix-...".
std::string installer() { return windowsBuild + "/tonalix-" TONALIX_VERSION "-windows-x64-setup.exe"; }
const char *const uninstallKey = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tonalix";
const char *const settingsKey = "HKCU\\Software\\Quillmark\\Humtone\\Setting";

class WindowsInstaller : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string why = missingWine();
        if (!why.empty()) GTEST_SKIP() << why;
        if (access(installer().c_str(), R_OK) != 0) GTEST_SKIP() << "no installer " << installer();
        if (soundSink().empty()) GTEST_SKIP() << "no sound server (scripts/test.sh starts one)";
        folder = makeTempFolder();
        // winemenubuilder would copy the shortcut into the desktop's menu
        settings = {"WINEPREFIX=" + folder + "/prefix", "WINEDLLOVERRIDES=mscoree,mshtml=;winemenubuilder.exe=d"};
        ASSERT_EQ(wine({"wineboot", "-i"}).exitCode, 0) << "the fresh prefix did not start";
        // the private Wine's desktop settings, so that the picture shows text
        runProgram(withSettings({"bash", "-c", "source \"$0\" && wineDesktopSettings", WINE_ENV_SCRIPT}));
    }
    void TearDown() override {
        if (folder.empty()) return;
        runProgram(withSettings({"wineserver", "-k"}));
        runProgram({"rm", "-rf", folder});
    }

    // Returns command with the prefix's settings.
    std::vector<std::string> withSettings(const std::vector<std::string> &command) {
        std::vector<std::string> line = {"env"};
        line.insert(line.end(), settings.begin(), settings.end());
        line.insert(line.end(), command.begin(), command.end());
        return line;
    }
    // Runs a Windows command in the fresh prefix.
    ProgramRun wine(const std::vector<std::string> &command, const std::string &in = windowsProgramFolder) {
        return runProgram(underWine(in, command, settings));
    }
    // Returns the first line that a Windows command printed.
    std::string lineOf(const std::vector<std::string> &command) {
        const std::string out = withoutCarriageReturns(wine(command).out);
        return out.substr(0, out.find('\n'));
    }
    // Returns the Linux path of a Windows path in the prefix.
    std::string unixPath(const std::string &path) { return lineOf({"winepath", "-u", path}); }
    bool exists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }
    // Returns 1 when an installed tonalix.exe runs with folder as its
    // current folder (Wine keeps the Windows one as the process's own).
    bool runsIn(const std::string &folder) {
        char *real = realpath(folder.c_str(), nullptr);
        const std::string wanted = real ? real : folder;
        std::free(real);
        const std::string found = runProgram({"pgrep", "-f", "Programs.Tonalix.tonalix\\.exe"}).out;
        for (size_t at = 0, end; (end = found.find('\n', at)) != std::string::npos; at = end + 1) {
            char cwd[4096];
            const std::string link = "/proc/" + found.substr(at, end - at) + "/cwd";
            const ssize_t length = readlink(link.c_str(), cwd, sizeof cwd - 1);
            if (length > 0 && std::string(cwd, (size_t)length) == wanted) return true;
        }
        return false;
    }
    // Waits until every program of the prefix has ended.
    void waitForPrefix() { runProgram(withSettings({"timeout", "120", "wineserver", "-w"})); }

    std::string folder;
    std::vector<std::string> settings;
};

TEST_F(WindowsInstaller, InstallsForTheUserAndUninstallsCompletely) {
    ASSERT_EQ(wine({installer(), "/S"}).exitCode, 0);
    waitForPrefix();
    const std::string programs = lineOf({"cmd", "/c", "echo", "%LOCALAPPDATA%\\Programs\\Tonalix"});
    const std::string shortcut =
        lineOf({"cmd", "/c", "echo", "%APPDATA%"}) + "\\Microsoft\\Windows\\Start Menu\\Programs\\Tonalix.lnk";
    const std::string programsFolder = unixPath(programs), shortcutFile = unixPath(shortcut);
    EXPECT_EQ(folderEntries(programsFolder),
              (std::vector<std::string>{"COPYING", "THIRD-PARTY.txt", "index.html", "tonalix-render.exe", "tonalix.exe",
                                        "uninstall.exe"}));
    EXPECT_TRUE(exists(shortcutFile)) << shortcutFile;
    const std::string entry = withoutCarriageReturns(wine({"reg", "query", uninstallKey}).out);
    const std::string quiet = "\"" + programs + "\\uninstall.exe\" /S";
    const std::string values[] = {
        "DisplayName    REG_SZ    Tonalix\n",
        "DisplayVersion    REG_SZ    " TONALIX_VERSION "\n",
        "Publisher    REG_SZ    ",
        "DisplayIcon    REG_SZ    " + programs + "\\tonalix.exe,0\n",
        "UninstallString    REG_SZ    \"" + programs + "\\uninstall.exe\"\n",
        "QuietUninstallString    REG_SZ    " + quiet + "\n",
        "EstimatedSize    REG_DWORD    0x",
    };
    for (const std::string &value : values)
        EXPECT_NE(entry.find("    " + value), std::string::npos) << value << " is not in\n" << entry;

    // The shortcut starts the installed program in its folder, beside the
    // help page.
    ASSERT_EQ(wine({"start", shortcut}).exitCode, 0);
    ASSERT_EQ(wine({"./tonalix-click.exe", "wait", "20000"}).exitCode, 0) << "no window from the shortcut";
    EXPECT_EQ(lineOf({"./tonalix-click.exe", "text", "1065"}), "現在停止中");
    EXPECT_TRUE(runsIn(programsFolder)) << "the program does not run in " << programsFolder;
    runProgram({"mkdir", "-p", windowsBuild + "/screenshots"});
    wine({"./tonalix-click.exe", "screenshot", windowsBuild + "/screenshots/win32-installed.bmp"});
    wine({"./tonalix-click.exe", "click", "1006"});
    waitForPrefix();

    // The uninstaller leaves the settings, written here as a Play would.
    ASSERT_EQ(wine({"reg", "add", settingsKey, "/v", "vol", "/t", "REG_DWORD", "/d", "100", "/f"}).exitCode, 0);
    ASSERT_EQ(wine({programs + "\\uninstall.exe", "/S"}).exitCode, 0);
    waitForPrefix(); // the uninstaller runs on from a copy of itself
    EXPECT_FALSE(exists(programsFolder)) << folderEntries(programsFolder).size() << " entries left";
    EXPECT_FALSE(exists(shortcutFile));
    EXPECT_NE(wine({"reg", "query", uninstallKey}).exitCode, 0) << "the uninstall entry stays";
    EXPECT_EQ(wine({"reg", "query", settingsKey}).exitCode, 0) << "the settings are gone";
}

TEST(WindowsZip, HoldsTheProgramsTheHelpPageAndTheLicences) {
    const std::string folder = "tonalix-" TONALIX_VERSION "-windows-x64";
    const std::string zip = windowsBuild + "/" + folder + ".zip";
    if (access(zip.c_str(), R_OK) != 0) GTEST_SKIP() << "no ZIP " << zip;
    const ProgramRun list = runProgram({"unzip", "-Z1", zip});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    std::vector<std::string> files;
    for (size_t at = 0, end; (end = list.out.find('\n', at)) != std::string::npos; at = end + 1)
        if (end > at && list.out[end - 1] != '/') files.push_back(list.out.substr(at, end - at));
    std::sort(files.begin(), files.end());
    const std::string names[] = {"COPYING",    "README.txt",         "THIRD-PARTY.txt",
                                 "index.html", "tonalix-render.exe", "tonalix.exe"};
    std::vector<std::string> expected;
    for (const std::string &name : names)
        expected.push_back(folder + "/" + name);
    EXPECT_EQ(files, expected);
}

} // namespace
