// The whole program with real sound: the Qt window on the offscreen platform,
// the ALSA device and a private sound server of each kind
// (scripts/sound-server.sh).  Play and Stop are clicked; the null sink's
// monitor is recorded meanwhile.  Without a server the test reports itself
// skipped.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/mainDialog.h"
#include "app/playback.h"
#include "audio/waveStream.h"
#include "platform/linux/qtWindow.h"
#include "res/resource.h"
#include "tests/support/eachSoundServer.h"
#include "tests/support/soundAnalysis.h"

namespace {

// Starts argv with its output into path; returns its process id, or -1.
pid_t startRecorder(const std::vector<std::string> &argv, const std::string &path) {
    pid_t child = fork();
    if (child != 0) return child;
    int out = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) _exit(127);
    dup2(out, 1);
    std::vector<char *> args;
    for (const std::string &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Runs the event loop for ms milliseconds: timers and device messages go on.
void runFor(int ms) { QTest::qWait(ms); }

class WindowSound : public OnEachSoundServer {};

TEST_P(WindowSound, PlayCountsDownInSilenceThenSounds440HzUntilStop) {
    ASSERT_FALSE(soundSink().empty());
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());

    std::vector<std::string> boxes;
    qtSetMessageBoxHook([&](Window, const char *text, const char *, unsigned) {
        boxes.push_back(text);
        return IDOK;
    });
    resetPlaybackState();
    Window dialog = qtOpenDialog(IDD_MAIN, nullptr, mainDialogProc);
    ASSERT_NE(dialog, nullptr) << "the window found no sound device";
    QDialog *widget = qtDialogWidget(dialog);
    widget->show();
    auto *status = qobject_cast<QLabel *>(qtControlWidget(dialog, IDC_STATUS));
    auto *play = qobject_cast<QPushButton *>(qtControlWidget(dialog, IDC_PLAY));

    const std::string recording = config.path().toStdString() + "/monitor.raw";
    pid_t recorder = startRecorder(monitorRecorder(soundSink()), recording);
    ASSERT_GT(recorder, 0);
    QElapsedTimer clock;
    clock.start();
    // wait until the recorder delivers, so the whole countdown is recorded
    while (QFileInfo(QString::fromStdString(recording)).size() < monitorRate && clock.elapsed() < 10000)
        runFor(50);
    runFor(200);

    const double playAt = (double)clock.elapsed() / 1000;
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(playbackState.playing, 1);
    QStringList seen;
    while (clock.elapsed() < (qint64)((playAt + 6.0) * 1000)) {
        runFor(50);
        if (seen.isEmpty() || seen.last() != status->text()) seen << status->text();
    }
    const double stopAt = (double)clock.elapsed() / 1000;
    QTest::mouseClick(play, Qt::LeftButton);
    EXPECT_EQ(status->text(), QStringLiteral("現在停止中"));
    runFor(1500);
    const double killAt = (double)clock.elapsed() / 1000;
    kill(recorder, SIGTERM);
    waitpid(recorder, nullptr, 0);
    qtCloseDialog(dialog);
    qtSetMessageBoxHook(nullptr);
    EXPECT_TRUE(boxes.empty()) << boxes.front();
    EXPECT_EQ(waveStream.device, nullptr);

    // the status line went through the countdown to the time display
    ASSERT_GE(seen.size(), 5) << seen.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(seen[0], QStringLiteral("現在停止中"));
    EXPECT_EQ(seen[1], QStringLiteral("再生まで 3秒"));
    EXPECT_EQ(seen[2], QStringLiteral("再生まで 2秒"));
    EXPECT_EQ(seen[3], QStringLiteral("再生まで 1秒"));
    EXPECT_TRUE(seen[4].startsWith(QStringLiteral("再生中  t = "))) << seen[4].toStdString();

    // the recording: silence, then the tone, then silence again
    QFile file(QString::fromStdString(recording));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::vector<double> samples = decodeRecording(file.readAll().toStdString());
    size_t first = samples.size(), last = 0;
    for (size_t i = 0; i < samples.size(); i++) {
        if (std::fabs(samples[i]) > 3000) {
            first = std::min(first, i);
            last = i;
        }
    }
    ASSERT_LT(first, last) << "nothing was heard in " << samples.size() << " samples";
    // The recorder takes a moment to start, but it records up to the moment
    // it is stopped: the end of the recording gives the clock time of each
    // sample.
    const double origin = killAt - (double)samples.size() / monitorRate;
    const double onset = origin + (double)first / monitorRate, end = origin + (double)last / monitorRate;
    printf("recording from %.2f s, Play at %.2f s, tone from %.2f s to %.2f s, Stop at %.2f s\n", origin, playAt, onset,
           end, stopAt);
    // the three countdown steps and the tick that ends them are silent; the
    // queued silence (750 ms) plays out after them
    EXPECT_GT(onset - playAt, 3.8);
    EXPECT_LT(onset - playAt, 6.0);
    // nothing is heard once the stop has reset the device
    EXPECT_LT(end, stopAt + 0.5);
    for (size_t i = (size_t)std::max(0.0, (stopAt + 0.5 - origin) * monitorRate); i < samples.size(); i++)
        ASSERT_LE(std::fabs(samples[i]), 1.0) << "sound after Stop at " << origin + (double)i / monitorRate << " s";

    const size_t length = last - first;
    std::vector<double> steady(samples.begin() + (long)(first + length / 4),
                               samples.begin() + (long)(last - length / 4));
    EXPECT_NEAR(dominantFrequency(steady), 440.0, 1.0);

    QSettings settings(QDir(config.path()).filePath(QStringLiteral("Quillmark/Humtone.conf")), QSettings::IniFormat);
    EXPECT_EQ(settings.value(QStringLiteral("Setting/vol")).toString(), QStringLiteral("100"));
    EXPECT_EQ(settings.value(QStringLiteral("Setting/sin_vol")).toString(), QStringLiteral("100"));
}

INSTANTIATE_TEST_SUITE_P(On, WindowSound, eachSoundServer, soundServerName);

} // namespace
