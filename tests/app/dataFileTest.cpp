// The waveform data-file option on the in-memory main window: the checks of
// the option and their messages, reading files, writing them at the stop,
// the retry after a failed write, and the file chooser.
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/dataFile.h"
#include "app/playback.h"
#include "audio/synthesis.h"
#include "res/resource.h"
#include "tests/fakes/fakeFileDialog.h"
#include "tests/fakes/fakeSystem.h"
#include "tests/fakes/fakeWaveOut.h"
#include "tests/fakes/fakeWindow.h"
#include "tests/ui/commandWindowFixture.h"

namespace {

const char *const countMissing = "\nデ ー タ 数 を 入 力 し て く だ さ い 。\n\n";
const char *const countInvalid = "\nデ ー タ 数 が 正 し く あ り ま せ ん 。\n\n";
const char *const countTooSmall = "\nデ ー タ 数 が 少 な す ぎ ま す 。\n\n";
const char *const countTooLarge = "\nデ ー タ 数 が 多 す ぎ ま す 。\n\n";
const char *const pathMissing = "\nファイル名を入力してください 。\n\n";
const char *const fileMissing =
    "\n波 形 値 フ ァ イ ル が 存 在 し ま せ ん 。\n\nフ ァ イ ル を 指 定 し な お し て く だ さ い。\n\n";
const char *const fileUnusable =
    "\nフ ァ イ ル が 使 用 で き ま せ ん 。\n\nパ ス 、フ ァ イ ル 名 を 確 認 し て く だ さ い 。\n\n"
    "ま た フ ァ イ ル へ の 書 き 込 み 権 限 も 確 認 し て く だ さ い 。\n\n";
const char *const emptyFormula =
    "\n波 形 式 が 入 力 さ れ て い ま せ ん 。\n\n波 形 式 を 書 き 直 し て く だ さ い 。\n\n";

std::string countMismatch(int found) {
    return "\n指定したデータ数と\nファイル内に存在するデータ数が違います\n\nファイル内のデータ数：" +
           std::to_string(found);
}

std::string badLine(int line, const std::string &data) {
    return "\n" + std::to_string(line) + " 個 目 の 波 形 デ ー タ が 不 正 で す 。\n\nデ ー タ ： " + data;
}

const int readIndex = 1;  // "読み込む" in the direction list
const int writeIndex = 0; // "書き込む"

// Returns the file system's path for a UTF-8 path, as the window gives it.
std::filesystem::path fsPath(const std::string &path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

// Returns the whole content of path, or "(missing)".
std::string fileContent(const std::string &path) {
    std::ifstream file(fsPath(path), std::ios::binary);
    if (!file) return "(missing)";
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void writeFile(const std::string &path, const std::string &content) {
    std::ofstream file(fsPath(path), std::ios::binary);
    ASSERT_TRUE(file) << path;
    file.write(content.data(), (std::streamsize)content.size());
}

// count lines of value, each ended by lineEnd.
std::string repeatedLines(int count, const std::string &value, const std::string &lineEnd) {
    std::string content;
    for (int i = 0; i < count; i++)
        content += value + lineEnd;
    return content;
}

class DataFileTest : public CommandWindowTest {
protected:
    void SetUp() override {
        CommandWindowTest::SetUp();
        std::random_device seed;
        const std::filesystem::path made =
            std::filesystem::temp_directory_path() / ("tonalix-datafile-" + std::to_string(seed()));
        ASSERT_TRUE(std::filesystem::create_directory(made));
        const std::u8string name = made.generic_u8string();
        folder.assign(name.begin(), name.end());
    }

    void TearDown() override {
        CommandWindowTest::TearDown();
        releaseCaptureSamples();
        std::error_code ignored;
        std::filesystem::remove_all(fsPath(folder), ignored);
    }

    std::string path(const char *name) const { return folder + "/" + name; }

    // Ticks the hidden option and fills its controls through the window layer.
    void setOption(const char *count, const std::string &file, int direction) {
        checkButton(window, IDC_DATA_OPTION, 1);
        setControlText(window, IDC_DATA_COUNT, count);
        setControlText(window, IDC_DATA_PATH, file.c_str());
        listSelect(window, IDC_DATA_DIRECTION, direction);
    }

    void pressPlayStop() { ASSERT_EQ(fakeClick(window, IDC_PLAY), 1); }

    // Ends the countdown: three ticks show it, the fourth ends it.
    void endCountdown() {
        for (int i = 0; i < 4; i++)
            ASSERT_EQ(fakeFireTimer(window, IDT_PLAYBACK), 1);
        ASSERT_EQ(countdownActive, 0);
    }

    // Lets the device hand back one buffer, which the stream refills.
    void playOneBuffer() {
        ASSERT_NE(fakeWaveReturnNext(), nullptr);
        fakeDeliverPosted();
    }

    std::string folder;
};

struct OptionCase {
    const char *name;
    const char *count;
    const char *file; // under the test folder; "" for an empty box
    int direction;
    std::string message; // "" when the option is accepted
    unsigned flags;
};

// Each refusal shows its message and the window stays stopped.
TEST_F(DataFileTest, OptionChecksInOrder) {
    const OptionCase cases[] = {
        {"empty count", "", "a.csv", writeIndex, countMissing, MB_OK | MB_ICONERROR},
        {"count in exponent form", "1e3", "a.csv", writeIndex, countInvalid, MB_OK | MB_ICONERROR},
        {"count with a leading blank", " 100", "a.csv", writeIndex, countInvalid, MB_OK | MB_ICONERROR},
        {"count with leading zero", "0100", "a.csv", writeIndex, countInvalid, MB_OK | MB_ICONERROR},
        {"count beyond 32 bits", "4294967396", "a.csv", writeIndex, countInvalid, MB_OK | MB_ICONERROR},
        {"count 99", "99", "a.csv", writeIndex, countTooSmall, MB_OK | MB_ICONERROR},
        {"negative count", "-100", "a.csv", writeIndex, countTooSmall, MB_OK | MB_ICONERROR},
        {"count 100000001", "100000001", "a.csv", writeIndex, countTooLarge, MB_OK | MB_ICONERROR},
        {"empty path", "100", "", writeIndex, pathMissing, MB_OK | MB_ICONERROR},
        {"count checked before path", "99", "", writeIndex, countTooSmall, MB_OK | MB_ICONERROR},
        {"missing file to read", "100", "missing.csv", readIndex, fileMissing, MB_OK},
        {"folder to read", "100", ".", readIndex, fileMissing, MB_OK},
        {"folder to write", "100", ".", writeIndex, fileUnusable, MB_OK | MB_ICONERROR},
        {"unwritable path", "100", "no/such/folder/a.csv", writeIndex, fileUnusable, MB_OK | MB_ICONERROR},
        {"count 100 to write", "100", "a.csv", writeIndex, "", 0},
    };
    for (const OptionCase &c : cases) {
        SCOPED_TRACE(c.name);
        closeWindow();
        openWindow();
        setOption(c.count, c.file[0] ? path(c.file) : "", c.direction);
        pressPlayStop();
        if (c.message.empty()) {
            EXPECT_TRUE(fakeMessageBoxes().empty());
            EXPECT_EQ(playbackState.playing, 1);
            EXPECT_EQ(sampleCapture.mode, CaptureRecord);
            continue;
        }
        ASSERT_EQ(fakeMessageBoxes().size(), 1u);
        EXPECT_EQ(fakeMessageBoxes()[0].text, c.message);
        EXPECT_EQ(fakeMessageBoxes()[0].caption, "Tonalix");
        EXPECT_EQ(fakeMessageBoxes()[0].flags, c.flags);
        EXPECT_EQ(playbackState.playing, 0);
        EXPECT_EQ(fakeWaveOut.openCalls, 0);
        EXPECT_EQ(sampleCapture.samples, nullptr);
    }
}

// A path longer than the 255 bytes the option keeps is not cut: the cut
// would name another file, here one that exists and would be emptied or read.
TEST_F(DataFileTest, PathTooLongIsNotCut) {
    std::string cut = path("v");
    cut += std::string(255 - cut.size(), 'x');
    const struct {
        int direction;
        const char *message;
        unsigned flags;
    } cases[] = {
        {writeIndex, fileUnusable, MB_OK | MB_ICONERROR},
        {readIndex, fileMissing, MB_OK},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.direction);
        closeWindow();
        openWindow();
        std::string content = repeatedLines(100, "1", "\n");
        writeFile(cut, content);
        setOption("100", cut + ".csv", c.direction);
        pressPlayStop();
        ASSERT_EQ(fakeMessageBoxes().size(), 1u);
        EXPECT_EQ(fakeMessageBoxes()[0].text, c.message);
        EXPECT_EQ(fakeMessageBoxes()[0].flags, c.flags);
        EXPECT_EQ(playbackState.playing, 0);
        EXPECT_EQ(sampleCapture.samples, nullptr);
        EXPECT_EQ(fileContent(cut), content);
        EXPECT_EQ(fileContent(cut + ".csv"), "(missing)");
    }
}

// The largest count is accepted; the array it needs is zero-filled.
TEST_F(DataFileTest, LargestCountIsAccepted) {
    setOption("100000000", path("big.csv"), writeIndex);
    ASSERT_EQ(checkDataFileOption(window), 1);
    EXPECT_EQ(sampleCapture.count, 100000000);
    ASSERT_NE(sampleCapture.samples, nullptr);
    EXPECT_EQ(sampleCapture.samples[0], 0);
    EXPECT_EQ(sampleCapture.samples[99999999], 0);
    EXPECT_EQ(fileContent(path("big.csv")), ""); // emptied at the start
    releaseCaptureSamples();
}

struct ReadCase {
    const char *name;
    std::string content;
    int count;
    std::string message;        // "" when the file is read
    std::vector<int16_t> first; // the first values read
};

TEST_F(DataFileTest, ReadingFiles) {
    std::string mixed = "32767\n-32768\r\n0\n-1\r\n12345\n" + repeatedLines(95, "7", "\r\n");
    std::string badAt5 = repeatedLines(4, "1", "\n") + "32768\n" + repeatedLines(95, "1", "\n");
    std::string nineDigits = repeatedLines(9, "1", "\n") + "123456789\n" + repeatedLines(90, "1", "\n");
    std::string eightAndCrLf = repeatedLines(2, "1", "\r\n") + "12345678\r\n" + repeatedLines(97, "1", "\r\n");
    std::string emptyLine = repeatedLines(41, "1", "\n") + "\n" + repeatedLines(58, "1", "\n");
    const ReadCase cases[] = {
        {"100 zeros with CR LF", repeatedLines(100, "0", "\r\n"), 100, "", {0, 0, 0}},
        {"100 zeros with LF", repeatedLines(100, "0", "\n"), 100, "", {0, 0, 0}},
        {"mixed line ends and extremes", mixed, 100, "", {32767, -32768, 0, -1, 12345, 7}},
        {"last value without a line end", repeatedLines(99, "0", "\n") + "0", 100, countMismatch(99), {}},
        {"one line too many", repeatedLines(101, "0", "\n"), 100, countMismatch(101), {}},
        {"empty file", "", 100, countMismatch(0), {}},
        {"value out of range", badAt5, 100, badLine(5, "32768"), {}},
        {"nine digits", nineDigits, 100, badLine(10, "123456789"), {}},
        {"eight digits before CR LF", eightAndCrLf, 100, badLine(3, "12345678"), {}},
        {"empty line", emptyLine, 100, badLine(42, ""), {}},
        {"minus zero", "-0\n" + repeatedLines(99, "1", "\n"), 100, badLine(1, "-0"), {}},
        {"plus sign", repeatedLines(99, "1", "\n") + "+1\n", 100, badLine(100, "+1"), {}},
        {"blank after the value", "1 \n" + repeatedLines(99, "1", "\n"), 100, badLine(1, "1 "), {}},
        {"text after the last line feed", repeatedLines(100, "0", "\n") + "5", 100, badLine(101, "5"), {}},
        {"bad text after the last line feed", repeatedLines(100, "0", "\n") + "x", 100, badLine(101, "x"), {}},
        {"lone CR is not a line end", repeatedLines(99, "0", "\n") + "1\r2\n", 100, badLine(100, "1\r2"), {}},
        {"NUL byte inside a value",
         "-3" + std::string(1, '\0') + "0\n" + repeatedLines(99, "1", "\n"),
         100,
         badLine(1, "-3"),
         {}},
    };
    for (const ReadCase &c : cases) {
        SCOPED_TRACE(c.name);
        closeWindow();
        openWindow();
        writeFile(path("in.csv"), c.content);
        setOption(std::to_string(c.count).c_str(), path("in.csv"), readIndex);
        pressPlayStop();
        if (c.message.empty()) {
            EXPECT_TRUE(fakeMessageBoxes().empty());
            EXPECT_EQ(sampleCapture.mode, CaptureRead);
            ASSERT_NE(sampleCapture.samples, nullptr);
            for (size_t i = 0; i < c.first.size(); i++)
                EXPECT_EQ(sampleCapture.samples[i], c.first[i]) << i;
            EXPECT_EQ(playbackState.playing, 1);
            pressPlayStop(); // the stop releases what was read
            EXPECT_EQ(sampleCapture.samples, nullptr);
            EXPECT_EQ(fileContent(path("in.csv")), c.content);
            continue;
        }
        ASSERT_EQ(fakeMessageBoxes().size(), 1u);
        EXPECT_EQ(fakeMessageBoxes()[0].text, c.message);
        EXPECT_EQ(fakeMessageBoxes()[0].flags, MB_OK | MB_ICONERROR);
        EXPECT_EQ(playbackState.playing, 0);
        EXPECT_EQ(sampleCapture.samples, nullptr);
    }
}

// The samples the generator produces for "t*1000", computed as it does.
std::vector<int> expectedSamples(int count) {
    std::vector<int> samples;
    double t = 0, period = 1.0 / 132300;
    for (int i = 0; i < count; i++, t = period + t) {
        double v = t * 1000;
        samples.push_back((int)((v > 1 ? 1 : v) * 32767));
    }
    return samples;
}

std::string asLines(const std::vector<int> &values) {
    std::string text;
    for (int v : values)
        text += std::to_string(v) + "\r\n";
    return text;
}

TEST_F(DataFileTest, WritingAtTheStop) {
    const struct {
        const char *name;
        int afterCountdown; // 1: the stop comes after the countdown
        int buffers;        // buffers played after the countdown
        const char *count;
        int captured; // samples the generator stored
    } cases[] = {
        {"stop after the countdown", 1, 1, "100", 100},
        {"stop during the countdown", 0, 0, "100", 0},
        {"stop right after the countdown", 1, 0, "100", 0},
        {"stop before the count was reached", 1, 1, "40000", 33075},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        closeWindow();
        openWindow();
        setControlText(window, IDC_FORMULA, "t*1000");
        setOption(c.count, path("out.csv"), writeIndex);
        writeFile(path("out.csv"), "old content\r\n");
        pressPlayStop();
        ASSERT_EQ(playbackState.playing, 1);
        EXPECT_EQ(fileContent(path("out.csv")), ""); // emptied at the start
        if (c.afterCountdown) endCountdown();
        for (int i = 0; i < c.buffers; i++)
            playOneBuffer();
        pressPlayStop();
        EXPECT_EQ(playbackState.playing, 0);
        EXPECT_TRUE(fakeMessageBoxes().empty());
        EXPECT_EQ(sampleCapture.samples, nullptr);
        if (!c.afterCountdown) {
            EXPECT_EQ(fileContent(path("out.csv")), "");
            continue;
        }
        // Lines of samples never captured read 0.
        int count = atoi(c.count);
        std::vector<int> values = expectedSamples(c.captured);
        values.resize(count, 0);
        EXPECT_EQ(fileContent(path("out.csv")), asLines(values));
    }
}

// A folder and a file with Japanese names are written and read like any
// other: the path is handed on as UTF-8, whatever the system's code page.
TEST_F(DataFileTest, JapaneseFolderAndFileNames) {
    const std::string file = path("波形データ") + "/記録.csv";
    ASSERT_TRUE(std::filesystem::create_directory(fsPath(path("波形データ"))));
    setControlText(window, IDC_FORMULA, "t*1000");
    setOption("100", file, writeIndex);
    pressPlayStop();
    endCountdown();
    playOneBuffer();
    pressPlayStop();
    EXPECT_TRUE(fakeMessageBoxes().empty());
    EXPECT_EQ(fileContent(file), asLines(expectedSamples(100)));
    fakeDeliverPosted(); // the end notice closes the device

    setOption("100", file, readIndex);
    pressPlayStop();
    EXPECT_TRUE(fakeMessageBoxes().empty());
    EXPECT_EQ(sampleCapture.mode, CaptureRead);
    EXPECT_EQ(playbackState.playing, 1);
}

// A write error at the stop is told, and the next press tries again.
TEST_F(DataFileTest, FailedWriteIsToldAndRetried) {
    setControlText(window, IDC_FORMULA, "t*1000");
    setOption("100", path("out.csv"), writeIndex);
    pressPlayStop();
    endCountdown();
    playOneBuffer();
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no limit on a process's file size to make the write fail";
#else
    // Files may not grow beyond 10 bytes: the write of 300 fails as on a
    // full disk.
    struct rlimit saved, small;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    small = saved;
    small.rlim_cur = 10;
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    pressPlayStop();
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &saved), 0);
    signal(SIGXFSZ, previous);
    ASSERT_EQ(fakeMessageBoxes().size(), 1u);
    EXPECT_NE(fakeMessageBoxes()[0].text.find("書 き 込 み に 失 敗"), std::string::npos);
    EXPECT_EQ(fakeMessageBoxes()[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_EQ(playbackState.playing, 1);
    EXPECT_EQ(fakeButtonImage(window, IDC_PLAY), IDB_STOP);
    ASSERT_NE(sampleCapture.samples, nullptr);

    pressPlayStop(); // room again
    EXPECT_EQ(playbackState.playing, 0);
    EXPECT_EQ(fakeMessageBoxes().size(), 1u);
    EXPECT_EQ(fakeButtonImage(window, IDC_PLAY), IDB_PLAY);
    EXPECT_EQ(fileContent(path("out.csv")), asLines(expectedSamples(100)));
#endif
}

// A file that cannot be opened at the stop is retried silently.
TEST_F(DataFileTest, UnopenableFileAtTheStopIsRetried) {
    std::string sub = path("sub");
    ASSERT_TRUE(std::filesystem::create_directory(fsPath(sub)));
    setOption("100", sub + "/out.csv", writeIndex);
    pressPlayStop();
    ASSERT_EQ(playbackState.playing, 1);
    ASSERT_TRUE(std::filesystem::remove(fsPath(sub + "/out.csv")));
    ASSERT_TRUE(std::filesystem::remove(fsPath(sub)));
    pressPlayStop();
    EXPECT_TRUE(fakeMessageBoxes().empty());
    EXPECT_EQ(playbackState.playing, 1);
    EXPECT_EQ(controlText(IDC_STATUS), "現在停止中");
    ASSERT_TRUE(std::filesystem::create_directory(fsPath(sub)));
    pressPlayStop();
    EXPECT_EQ(playbackState.playing, 0);
    EXPECT_EQ(fileContent(sub + "/out.csv"), ""); // stopped during the countdown
}

// A start that ends after the array was made keeps no array.
TEST_F(DataFileTest, EarlyEndOfTheStartReleasesTheArray) {
    const struct {
        const char *formula;
        int direction;
    } cases[] = {
        {"", writeIndex},
        {"sin(", writeIndex},
        {"", readIndex},
    };
    writeFile(path("in.csv"), repeatedLines(100, "3", "\n"));
    for (const auto &c : cases) {
        closeWindow();
        openWindow();
        setControlText(window, IDC_FORMULA, c.formula);
        setOption("100", path(c.direction == readIndex ? "in.csv" : "out.csv"), c.direction);
        pressPlayStop();
        EXPECT_EQ(playbackState.playing, 0);
        ASSERT_EQ(fakeMessageBoxes().size(), 1u);
        if (!c.formula[0]) {
            EXPECT_EQ(fakeMessageBoxes()[0].text, emptyFormula);
        }
        EXPECT_EQ(sampleCapture.samples, nullptr) << c.formula;
    }
}

// Without the tick the option does nothing, whatever its controls hold.
TEST_F(DataFileTest, UntickedOptionIsOff) {
    setOption("5", "", writeIndex);
    checkButton(window, IDC_DATA_OPTION, 0);
    pressPlayStop();
    EXPECT_TRUE(fakeMessageBoxes().empty());
    EXPECT_EQ(sampleCapture.mode, CaptureOff);
    EXPECT_EQ(playbackState.playing, 1);
}

// With too little memory for the array, the start is refused with a message.
TEST_F(DataFileTest, TooLittleMemoryRefusesTheStart) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#elif defined(_WIN32)
    GTEST_SKIP() << "Windows has no limit on a process's address space to make the allocation fail";
#else
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
    struct rlimit tight = saved;
    tight.rlim_cur = 64u << 20; // far below the 200 million bytes needed, with room for the rest
    FILE *maps = fopen("/proc/self/statm", "r");
    ASSERT_NE(maps, nullptr);
    unsigned long pages = 0;
    ASSERT_EQ(fscanf(maps, "%lu", &pages), 1);
    fclose(maps);
    tight.rlim_cur += pages * (unsigned long)sysconf(_SC_PAGESIZE);
    setOption("100000000", path("big.csv"), writeIndex);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    pressPlayStop();
    ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);
    ASSERT_EQ(fakeMessageBoxes().size(), 1u);
    EXPECT_NE(fakeMessageBoxes()[0].text.find("メ モ リ が 足 り ま せ ん"), std::string::npos);
    EXPECT_EQ(fakeMessageBoxes()[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_EQ(playbackState.playing, 0);
    EXPECT_EQ(sampleCapture.samples, nullptr);
#endif
}

TEST_F(DataFileTest, ChooserAsksForAnExistingFile) {
    fakeSetCurrentDirectory("/home/user/sounds");
    fakeChooseFile("/home/user/sounds/wave.csv");
    setControlText(window, IDC_DATA_PATH, "before.csv");
    // The chooser button is hidden: its command comes through the window layer.
    fakeSend(window, WM_COMMAND, commandParam(IDC_CHOOSE_FILE, BN_CLICKED), 0);
    ASSERT_EQ(fakeFileDialogRequests().size(), 1u);
    const FakeFileDialogRequest &request = fakeFileDialogRequests()[0];
    EXPECT_EQ(request.owner, window);
    EXPECT_EQ(request.title, "ファイルを指定する");
    EXPECT_EQ(request.filter, (std::vector<std::string>{"CSVファイル (*.csv)", "*.csv", "テキストファイル (*.txt)",
                                                        "*.txt", "全てのファイル (*.*)", "*.*"}));
    EXPECT_EQ(request.filterIndex, 1u);
    EXPECT_EQ(request.initialDirectory, "/home/user/sounds");
    EXPECT_EQ(request.flags, (unsigned)OFN_FILEMUSTEXIST);
    EXPECT_EQ(request.proposedFile, "");
    EXPECT_EQ(request.fileSize, 256u);
    EXPECT_EQ(controlText(IDC_DATA_PATH), "/home/user/sounds/wave.csv");

    fakeChooseFile(""); // cancelled: the path box keeps its text
    EXPECT_EQ(chooseDataFile(window), 0);
    EXPECT_EQ(controlText(IDC_DATA_PATH), "/home/user/sounds/wave.csv");
}

} // namespace
