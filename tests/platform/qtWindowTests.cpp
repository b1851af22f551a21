// The real Qt window, built from the resource tables on the offscreen
// platform and driven through Qt's test tools, with the scripted sound
// device behind it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <string>
#include <thread>
#include <vector>

#include "app/mainDialog.h"
#include "app/playback.h"
#include "audio/synthesis.h"
#include "audio/waveStream.h"
#include "platform/linux/qtWindow.h"
#include "res/layout.h"
#include "res/resource.h"
#include "tests/fakes/fakeWaveOut.h"

namespace {

struct BoxSeen {
    std::string text, caption;
    unsigned flags;
};
std::vector<BoxSeen> boxes;

class QtWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetFakeWaveOut();
        waveStream = WaveStream();
        sampleCapture = SampleCapture();
        resetPlaybackState();
        boxes.clear();
        qtSetMessageBoxHook([](Window, const char *text, const char *caption, unsigned flags) {
            boxes.push_back({text, caption, flags});
            return IDOK;
        });
        dialog = qtOpenDialog(IDD_MAIN, nullptr, mainDialogProc);
        ASSERT_NE(dialog, nullptr);
        widget = qtDialogWidget(dialog);
        widget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
    }

    void TearDown() override {
        if (waveStream.streaming) stopStream();
        settle();
        if (waveStream.device) closeStream();
        qtCloseDialog(dialog);
        qtSetMessageBoxHook(nullptr);
        resetFakeWaveOut();
    }

    // Handles every event waiting, posted messages included.
    void settle() {
        for (int i = 0; i < 5; i++)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
    }

    template <class W> W *control(int id) { return qobject_cast<W *>(qtControlWidget(dialog, id)); }

    QString status() { return control<QLabel>(IDC_STATUS)->text(); }

    void click(int id) {
        auto *button = control<QPushButton>(id);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton);
        settle();
    }

    // Hands every queued buffer back once, through the window's event queue.
    void returnBuffers() {
        size_t queued = fakeWaveOut.queue.size();
        for (size_t i = 0; i < queued; i++)
            fakeWaveReturnNext();
        settle();
    }

    Window dialog = nullptr;
    QDialog *widget = nullptr;
};

// Returns the class a control row must become.
bool hasKindWidget(ControlKind kind, QWidget *w) {
    switch (kind) {
    case ControlPushButton:
        return qobject_cast<QPushButton *>(w) != nullptr;
    case ControlCheckBox:
        return qobject_cast<QCheckBox *>(w) != nullptr;
    case ControlDropList:
        return qobject_cast<QComboBox *>(w) != nullptr;
    case ControlStaticText:
    case ControlIcon:
        return qobject_cast<QLabel *>(w) != nullptr;
    case ControlEdit:
        return qobject_cast<QLineEdit *>(w) != nullptr;
    case ControlGroupBox:
        return qobject_cast<QGroupBox *>(w) != nullptr;
    case ControlTrackbar:
        return qobject_cast<QSlider *>(w) != nullptr;
    }
    return false;
}

TEST_F(QtWindowTest, DialogUsesTheJapaneseUiFontAndItsMetrics) {
    EXPECT_EQ(widget->font().family(), QStringLiteral("Noto Sans CJK JP"));
    EXPECT_EQ(widget->font().pointSize(), 9);
    EXPECT_EQ(QFontInfo(widget->font()).family(), QStringLiteral("Noto Sans CJK JP")) << "fonts-noto-cjk missing?";
    int baseX = 0, baseY = 0;
    qtDialogBaseUnits(dialog, &baseX, &baseY);
    QFontMetrics metrics(widget->font());
    EXPECT_EQ(baseY, metrics.height());
    EXPECT_NEAR(baseX, metrics.horizontalAdvance(QStringLiteral("x")), 3);
    // fixed size: the client area of 327 x 143 units under the menu bar
    const int menu = qtMenuBar(dialog)->height();
    EXPECT_EQ(widget->minimumSize(), widget->maximumSize());
    EXPECT_NEAR(widget->width(), 327 * baseX / 4, 1);
    EXPECT_NEAR(widget->height() - menu, 143 * baseY / 8, 1);
    const Qt::WindowFlags flags = widget->windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(widget->windowTitle(), QStringLiteral(" Tonalix"));
}

TEST_F(QtWindowTest, EveryControlStandsAtItsPlaceWithItsState) {
    const DialogTemplate *layout = findDialogTemplate(IDD_MAIN);
    int baseX = 0, baseY = 0;
    qtDialogBaseUnits(dialog, &baseX, &baseY);
    auto px = [](int v, int base, int per) { return (v * base + per / 2) / per; };
    int anonymous = 0;
    for (int i = 0; i < layout->controlCount; i++) {
        const ControlTemplate &row = layout->controls[i];
        if (row.id == IDC_STATIC) {
            anonymous++;
            continue; // reached below through their siblings
        }
        QWidget *w = qtControlWidget(dialog, row.id);
        ASSERT_NE(w, nullptr) << row.id;
        EXPECT_TRUE(hasKindWidget(row.kind, w)) << row.id;
        EXPECT_EQ(w->x(), px(row.x, baseX, 4)) << row.id;
        EXPECT_EQ(w->y(), px(row.y, baseY, 8)) << row.id;
        if (row.kind != ControlIcon && row.kind != ControlDropList) {
            EXPECT_EQ(w->width(), px(row.width, baseX, 4)) << row.id;
            EXPECT_EQ(w->height(), px(row.height, baseY, 8)) << row.id;
        }
        EXPECT_EQ(w->isVisible(), (row.style & StyleVisible) != 0) << row.id;
        EXPECT_TRUE(w->isEnabled()) << row.id;
        EXPECT_EQ(w->focusPolicy() == Qt::StrongFocus, (row.style & StyleTabStop) != 0) << row.id;
    }
    EXPECT_EQ(anonymous, 2);

    EXPECT_EQ(control<QLineEdit>(IDC_FORMULA)->text(), QStringLiteral("sin(440*6.2831853071795865*t)"));
    EXPECT_EQ(status(), QStringLiteral("現在停止中"));
    EXPECT_EQ(control<QComboBox>(IDC_VOLUME_LIST)->currentText(), QStringLiteral("100"));
    EXPECT_EQ(control<QComboBox>(IDC_VOLUME_LIST)->count(), 101);
    EXPECT_EQ(control<QComboBox>(IDC_SINE_PHASE)->itemText(99), QStringLiteral("99"));
    EXPECT_EQ(control<QComboBox>(IDC_DATA_DIRECTION)->currentText(), QStringLiteral("書き込む"));
    EXPECT_EQ(control<QLineEdit>(IDC_SQUARE_FREQUENCY)->text(), QStringLiteral("1000"));
    EXPECT_EQ(control<QSlider>(IDC_VOLUME_TRACKBAR)->value(), 0);
    EXPECT_EQ(control<QSlider>(IDC_VOLUME_TRACKBAR)->maximum(), 100);
    EXPECT_EQ(qtButtonImage(dialog, IDC_PLAY), IDB_PLAY);
    EXPECT_EQ(qtButtonImage(dialog, IDC_EXIT), IDB_EXIT);
    EXPECT_FALSE(control<QCheckBox>(IDC_SINE_CHECK)->isChecked());
    EXPECT_EQ(control<QLineEdit>(IDC_SINE_FREQUENCY)->alignment() & Qt::AlignRight, Qt::AlignRight);

    // the hidden group box and the settings frame, found by their titles
    int frames = 0;
    for (QGroupBox *group : widget->findChildren<QGroupBox *>()) {
        if (group->title() == QStringLiteral("\u3000\u3000\u3000")) {
            EXPECT_FALSE(group->isVisible());
            frames++;
        }
        if (group->title().startsWith(QStringLiteral(" 波 形 の 設 定"))) {
            EXPECT_TRUE(group->isVisible());
            frames++;
        }
    }
    EXPECT_EQ(frames, 2);
}

TEST_F(QtWindowTest, MenuHoldsItsFourCommands) {
    QMenuBar *bar = qtMenuBar(dialog);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 1);
    EXPECT_EQ(bar->actions()[0]->text(), QStringLiteral("メニュー(&M)"));
    QMenu *menu = bar->actions()[0]->menu();
    ASSERT_NE(menu, nullptr);
    const QStringList expected = {QStringLiteral("バージョン情報(&A)"), QStringLiteral("説明書(&H)"),
                                  QStringLiteral("ボリュームコントロールを開く(&V)"), QStringLiteral("終了(&X)")};
    ASSERT_EQ(menu->actions().size(), expected.size());
    for (int i = 0; i < expected.size(); i++)
        EXPECT_EQ(menu->actions()[i]->text(), expected[i]);
}

// Tab walks the visible tab stops in template order and never reaches a
// hidden control.
TEST_F(QtWindowTest, TabFollowsTheTemplateOrder) {
    const DialogTemplate *layout = findDialogTemplate(IDD_MAIN);
    std::vector<QWidget *> expected;
    for (int i = 0; i < layout->controlCount; i++) {
        const ControlTemplate &row = layout->controls[i];
        if ((row.style & StyleTabStop) && (row.style & StyleVisible))
            expected.push_back(qtControlWidget(dialog, row.id));
    }
    expected.front()->setFocus();
    settle();
    for (size_t i = 1; i < expected.size() + 1; i++) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        settle();
        EXPECT_EQ(QApplication::focusWidget(), expected[i % expected.size()]) << "tab step " << i;
    }
}

// The main dialog chooses no focus when it starts: no control has it, so a
// Space typed at once presses nothing (the first tab stop is Exit); Tab then
// reaches the first tab stop.
TEST_F(QtWindowTest, NoControlHasTheFocusAtStart) {
    ASSERT_TRUE(QTest::qWaitForWindowActive(widget));
    settle();
    EXPECT_EQ(QApplication::focusWidget(), widget);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    settle();
    EXPECT_EQ(QApplication::focusWidget(), widget);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    settle();
    EXPECT_EQ(QApplication::focusWidget(), qtControlWidget(dialog, IDC_EXIT));
}

TEST_F(QtWindowTest, EnterAndEscapeDoNothing) {
    for (int id : {IDC_PLAY, IDC_FORMULA, IDC_VOLUME_LIST}) {
        qtControlWidget(dialog, id)->setFocus();
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QTest::keyClick(QApplication::focusWidget(), key);
            settle();
        }
    }
    EXPECT_TRUE(widget->isVisible());
    EXPECT_EQ(status(), QStringLiteral("現在停止中"));
    EXPECT_EQ(playbackState.playing, 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(QtWindowTest, VolumeListAndTrackbarMirrorEachOther) {
    auto *list = control<QComboBox>(IDC_VOLUME_LIST);
    auto *slider = control<QSlider>(IDC_VOLUME_TRACKBAR);
    QTest::keyClick(list, Qt::Key_Down); // "100" -> "99"
    settle();
    EXPECT_EQ(list->currentText(), QStringLiteral("99"));
    EXPECT_EQ(slider->value(), 1);
    const struct {
        Qt::Key key;
        const char *list;
    } keys[] = {
        {Qt::Key_End, "0"}, {Qt::Key_Up, "1"}, {Qt::Key_Home, "100"}, {Qt::Key_Down, "99"}, {Qt::Key_PageDown, "79"}};
    for (auto k : keys) {
        QTest::keyClick(slider, k.key);
        settle();
        EXPECT_EQ(list->currentText(), QString::fromUtf8(k.list)) << k.list;
        EXPECT_EQ(100 - list->currentText().toInt(), slider->value());
    }
}

// Play, the countdown, the time display and Stop, clicked as a user would;
// the timer is driven by the test.  A picture of the playing window is saved.
TEST_F(QtWindowTest, PlayAndStopDriveTheStatusLine) {
    QDir().mkpath(QStringLiteral(TONALIX_SCREENSHOTS));
    widget->grab().save(QStringLiteral(TONALIX_SCREENSHOTS "/window-stopped.png"));

    click(IDC_PLAY);
    EXPECT_EQ(playbackState.playing, 1);
    EXPECT_EQ(qtButtonImage(dialog, IDC_PLAY), IDB_STOP);
    EXPECT_EQ(qtTimerPeriod(dialog, IDT_PLAYBACK), 1000u);
    EXPECT_EQ(status(), QStringLiteral("現在停止中"));
    for (int id : {IDC_FORMULA, IDC_VOLUME_LIST, IDC_VOLUME_TRACKBAR, IDC_SINE_CHECK, IDC_APPLY})
        EXPECT_FALSE(qtControlWidget(dialog, id)->isEnabled()) << id;
    EXPECT_TRUE(qtControlWidget(dialog, IDC_EXIT)->isEnabled());

    const char *countdown[] = {"再生まで 3秒", "再生まで 2秒", "再生まで 1秒"};
    for (const char *expected : countdown) {
        ASSERT_EQ(qtFireTimer(dialog, IDT_PLAYBACK), 1);
        EXPECT_EQ(status(), QString::fromUtf8(expected));
        returnBuffers();
    }
    ASSERT_EQ(qtFireTimer(dialog, IDT_PLAYBACK), 1);
    EXPECT_EQ(qtTimerPeriod(dialog, IDT_PLAYBACK), 500u);
    returnBuffers();
    ASSERT_EQ(qtFireTimer(dialog, IDT_PLAYBACK), 1);
    EXPECT_EQ(status(), QStringLiteral("再生中  t = 0.7Sec （0.5Sec毎に更新）"));
    settle();
    widget->grab().save(QStringLiteral(TONALIX_SCREENSHOTS "/window-playing.png"));

    click(IDC_PLAY);
    EXPECT_EQ(status(), QStringLiteral("現在停止中"));
    EXPECT_EQ(playbackState.playing, 0);
    EXPECT_EQ(qtTimerPeriod(dialog, IDT_PLAYBACK), 0u);
    EXPECT_EQ(qtButtonImage(dialog, IDC_PLAY), IDB_PLAY);
    EXPECT_TRUE(qtControlWidget(dialog, IDC_FORMULA)->isEnabled());
    settle();
    EXPECT_EQ(waveStream.device, nullptr); // the end notice closed it
    EXPECT_TRUE(boxes.empty());

    // the settings file of this test run
    QFile settings(QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath(QStringLiteral("Quillmark/Humtone.conf")));
    ASSERT_TRUE(settings.open(QIODevice::ReadOnly)) << settings.fileName().toStdString();
    const QString content = QString::fromUtf8(settings.readAll());
    EXPECT_TRUE(content.contains(QStringLiteral("[Setting]"))) << content.toStdString();
    EXPECT_TRUE(content.contains(QStringLiteral("vol=100"))) << content.toStdString();
    EXPECT_TRUE(content.contains(QStringLiteral("sin_vol=100"))) << content.toStdString();
}

// Clicks that come faster than the event loop runs: Stop hands every buffer
// back as posted messages, and the click after it must find them handled
// (the device closed by the end notice) before it reaches the window, as
// posted messages come before input on the desktop.  Otherwise Play finds
// the old device still open and refuses.
TEST_F(QtWindowTest, PostedMessagesAreHandledBeforeTheNextClick) {
    click(IDC_PLAY);
    ASSERT_EQ(playbackState.playing, 1);
    auto *play = control<QPushButton>(IDC_PLAY);
    for (int round = 0; round < 3; round++) {
        QTest::mouseClick(play, Qt::LeftButton); // stop
        QTest::mouseClick(play, Qt::LeftButton); // start again at once
        EXPECT_TRUE(boxes.empty()) << round;
        EXPECT_EQ(playbackState.playing, 1) << round;
        EXPECT_EQ(fakeWaveOut.openCalls, round + 2) << round;
        EXPECT_EQ(fakeWaveOut.queue.size(), 3u) << round;
    }
    settle();
    EXPECT_NE(waveStream.device, nullptr); // no late end notice closed the new one
    EXPECT_EQ(waveStream.streaming, 1);
}

TEST_F(QtWindowTest, EmptyFormulaShowsItsErrorBox) {
    auto *formula = control<QLineEdit>(IDC_FORMULA);
    formula->setFocus();
    formula->selectAll();
    QTest::keyClick(formula, Qt::Key_Delete);
    click(IDC_PLAY);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              "\n波 形 式 が 入 力 さ れ て い ま せ ん 。\n\n波 形 式 を 書 き 直 し て く だ さ い 。\n\n");
    EXPECT_EQ(boxes[0].caption, "Tonalix");
    EXPECT_EQ(boxes[0].flags, (unsigned)(MB_OK | MB_ICONERROR));
    EXPECT_EQ(playbackState.playing, 0);
}

// After the box of a refused formula the formula box has the focus, with the
// refused character selected.
TEST_F(QtWindowTest, ARefusedFormulaIsSelectedInItsBox) {
    const struct {
        const char *formula;
        const char *selected;
    } cases[] = {{"sin(t)+2*-3", "-"}, {"(1+2))", ")"}, {"t+あ", "あ"}};
    auto *formula = control<QLineEdit>(IDC_FORMULA);
    for (const auto &c : cases) {
        boxes.clear();
        formula->setText(QString::fromUtf8(c.formula));
        click(IDC_PLAY);
        ASSERT_EQ(boxes.size(), 1u) << c.formula;
        EXPECT_TRUE(formula->hasFocus()) << c.formula;
        EXPECT_EQ(formula->selectedText().toStdString(), c.selected) << c.formula;
        EXPECT_EQ(playbackState.playing, 0);
    }
}

// The close box asks the dialog, which resets the stream and ends.
TEST(QtRunDialog, CloseBoxEndsTheDialogAndEscapeDoesNot) {
    resetFakeWaveOut();
    waveStream = WaveStream();
    resetPlaybackState();
    int sawEscape = 0;
    QTimer::singleShot(0, [&] {
        QWidget *top = QApplication::activeModalWidget();
        ASSERT_NE(top, nullptr);
        QTest::keyClick(top, Qt::Key_Escape);
        sawEscape = top->isVisible();
        top->close();
    });
    EXPECT_EQ(tonalixMain(nullptr), 0);
    EXPECT_EQ(sawEscape, 1);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    resetFakeWaveOut();
}

TEST(QtRunDialog, WithoutADeviceOnlyTheMessageIsShown) {
    resetFakeWaveOut();
    waveStream = WaveStream();
    fakeWaveOut.devices = 0;
    boxes.clear();
    int windowsShown = 0;
    qtSetMessageBoxHook([&](Window owner, const char *text, const char *caption, unsigned flags) {
        boxes.push_back({text, caption, flags});
        windowsShown = qtDialogWidget(owner)->isVisible();
        return IDOK;
    });
    EXPECT_EQ(tonalixMain(nullptr), 0);
    qtSetMessageBoxHook(nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "No waveform-audio devices.");
    EXPECT_EQ(boxes[0].flags, (unsigned)MB_OK);
    EXPECT_EQ(windowsShown, 0);
    resetFakeWaveOut();
}

// Messages posted from another thread arrive in order on the window thread,
// also while a message box is open.
std::vector<WParam> arrivals;
std::thread::id arrivalThread;
intptr_t collectingProc(Window, unsigned message, WParam wParam, LParam) {
    if (message == WM_USER) {
        arrivals.push_back(wParam);
        arrivalThread = std::this_thread::get_id();
    }
    return 0;
}

TEST(QtMessages, PostedFromAnyThreadArriveOnTheWindowThreadBehindABox) {
    arrivals.clear();
    Window window = createMessageWindow(collectingProc);
    ASSERT_NE(window, nullptr);
    QTimer::singleShot(0, [&] {
        std::thread device([&] {
            for (int i = 0; i < 200; i++)
                postMessage(window, WM_USER, (WParam)i, 0);
        });
        device.join();
        QTimer::singleShot(0, [] {
            if (QWidget *box = QApplication::activeModalWidget()) box->close();
        });
    });
    messageBox(nullptr, "behind", "Tonalix", MB_OK); // a real, modal box
    EXPECT_EQ(arrivals.size(), 200u);
    for (size_t i = 0; i < arrivals.size(); i++)
        EXPECT_EQ(arrivals[i], (WParam)i);
    EXPECT_EQ(arrivalThread, std::this_thread::get_id());
    destroyMessageWindow(window);
    EXPECT_EQ(postMessage(window, WM_USER, 1, 0), 0);
}

} // namespace
