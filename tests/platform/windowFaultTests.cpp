// The whole window against a sound server that fails: paused while playing
// (then Stop, or no Stop), killed while playing or during the countdown, or
// gone before Play.  The server is one of the test's own, of each kind, so
// it can be paused and killed.  In every case the window keeps answering, ends up
// stopped with the right message, leaves no device thread behind and plays
// again once the server is back.
#include <gtest/gtest.h>

#include <signal.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/mainDialog.h"
#include "app/playback.h"
#include "audio/waveStream.h"
#include "platform/linux/qtWindow.h"
#include "res/resource.h"
#include "tests/support/eachSoundServer.h"

namespace {

const char *const deviceLostText =
    "\nサ ウ ン ド デ バ イ ス が 失 わ れ ま し た 。\n\n再 生 を 停 止 し ま し た 。\n\n";
const char *const deviceFailedText = "\nサ ウ ン ド デ バ イ ス を 開 け ま せ ん 。\n\n";
const int answerLimitMs = 500; // the longest the window thread may be away

// Returns the number of threads of this process, leaving out Qt's thread
// pool, which starts and ends threads of its own as it likes: what is left
// are the window thread, the device threads and the sound client's.
int threadCount() {
    int count = 0;
    std::error_code error;
    for (const auto &task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        count += name != "Thread (pooled)";
    }
    return count;
}

enum FaultTime { WhileSounding, InCountdown, BeforePlay };

struct FaultCase {
    const char *what;
    FaultTime when;
    int signal;      // sent to the server
    int pressStop;   // 1: Stop is pressed right after the fault
    const char *box; // the message the user then sees, or null
};

class WindowFaults : public OnEachSoundServer {
protected:
    void SetUp() override {
        OnEachSoundServer::SetUp();
        if (IsSkipped()) return;
        ASSERT_TRUE(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        qtSetMessageBoxHook([this](Window, const char *text, const char *, unsigned) {
            boxes.push_back(text);
            return IDOK;
        });
        resetPlaybackState();
        dialog = qtOpenDialog(IDD_MAIN, nullptr, mainDialogProc);
        ASSERT_NE(dialog, nullptr) << "the window found no sound device";
        qtDialogWidget(dialog)->show();
        status = qobject_cast<QLabel *>(qtControlWidget(dialog, IDC_STATUS));
        play = qobject_cast<QPushButton *>(qtControlWidget(dialog, IDC_PLAY));
        formula = qtControlWidget(dialog, IDC_FORMULA);
        // The heartbeat: the longest time between two of its ticks is the
        // longest the window thread was away.
        QObject::connect(&heartbeat, &QTimer::timeout,
                         [this] { longestAway = std::max(longestAway, sinceBeat.restart()); });
        heartbeat.start(20);
        sinceBeat.start();
    }
    void TearDown() override {
        heartbeat.stop();
        if (dialog) qtCloseDialog(dialog);
        qtSetMessageBoxHook(nullptr);
        OnEachSoundServer::TearDown();
    }

    // Runs the event loop until done() or ms have passed; returns done().
    bool waitFor(const std::function<bool()> &done, int ms) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms)
            QTest::qWait(20);
        return done();
    }
    // Clicks Play/Stop; the click's own handling counts as time away.
    void click() {
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(play, Qt::LeftButton);
        longestAway = std::max(longestAway, clock.elapsed());
        sinceBeat.restart();
    }
    bool sounding() { return status->text().startsWith(QStringLiteral("再生中  t = ")); }
    // Plays until the time display runs, then stops; returns 1 when it did.
    bool playsAgain() {
        boxes.clear();
        click();
        bool sounded = waitFor([this] { return sounding(); }, 8000);
        click();
        waitFor([] { return waveStream.device == nullptr; }, 2000);
        return sounded && boxes.empty();
    }
    void expectStopped(const char *what) {
        EXPECT_EQ(status->text(), QStringLiteral("現在停止中")) << what;
        EXPECT_TRUE(formula->isEnabled()) << what;
        EXPECT_EQ(playbackState.playing, 0) << what;
        EXPECT_EQ(waveStream.device, nullptr) << what;
    }

    QTemporaryDir config;
    std::vector<std::string> boxes;
    Window dialog = nullptr;
    QLabel *status = nullptr;
    QPushButton *play = nullptr;
    QWidget *formula = nullptr;
    QTimer heartbeat;
    QElapsedTimer sinceBeat;
    qint64 longestAway = 0;
};

TEST_P(WindowFaults, TheWindowAnswersStopsAndReportsWhateverTheServerDoes) {
    const FaultCase cases[] = {
        {"paused while playing, then Stop", WhileSounding, SIGSTOP, 1, nullptr},
        {"paused while playing", WhileSounding, SIGSTOP, 0, deviceLostText},
        {"killed while playing", WhileSounding, SIGKILL, 0, deviceLostText},
        {"killed during the countdown", InCountdown, SIGKILL, 0, deviceLostText},
        {"gone before Play", BeforePlay, SIGKILL, 0, deviceFailedText},
    };
    for (const FaultCase &c : cases) {
        SCOPED_TRACE(c.what);
        boxes.clear();
        const int threadsBefore = threadCount();
        if (c.when == BeforePlay) signalPrivateServer(&server, c.signal);
        longestAway = 0;
        sinceBeat.restart();
        click();
        if (c.when == WhileSounding)
            ASSERT_TRUE(waitFor([this] { return sounding(); }, 8000)) << status->text().toStdString();
        else if (c.when == InCountdown)
            waitFor([] { return false; }, 1500);
        if (c.when != BeforePlay) signalPrivateServer(&server, c.signal);
        if (c.pressStop) {
            waitFor([] { return false; }, 200);
            click();
        }
        // the loss is found within the stall limit and a little more
        waitFor([this] { return !boxes.empty() && waveStream.device == nullptr; }, 5000);
        waitFor([] { return false; }, 300);
        EXPECT_LT(longestAway, answerLimitMs);
        std::printf("%s: the window was away at most %lld ms\n", c.what, (long long)longestAway);
        expectStopped(c.what);
        ASSERT_EQ(boxes.size(), c.box ? 1u : 0u);
        if (c.box) {
            EXPECT_EQ(boxes[0], c.box);
        }

        // back to a server that answers: the paused one resumes; without
        // one, Play says the device does not open, then a new one starts
        if (c.signal == SIGSTOP) {
            signalPrivateServer(&server, SIGCONT);
        } else {
            if (c.when != BeforePlay) {
                boxes.clear();
                click();
                EXPECT_EQ(boxes, std::vector<std::string>{deviceFailedText});
                expectStopped(c.what);
            }
            ASSERT_TRUE(startPrivateServer(&server));
        }
        EXPECT_TRUE(waitFor([threadsBefore] { return threadCount() <= threadsBefore; }, 10000))
            << threadCount() << " threads, " << threadsBefore << " before";
        EXPECT_TRUE(playsAgain());
        EXPECT_LT(longestAway, answerLimitMs);
    }
}

INSTANTIATE_TEST_SUITE_P(On, WindowFaults, eachSoundServer, soundServerName);

} // namespace
