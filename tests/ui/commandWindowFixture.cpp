// A main window on the in-memory window layer.
#include "tests/ui/commandWindowFixture.h"

#include "app/mainDialog.h"
#include "app/playback.h"
#include "audio/waveStream.h"
#include "res/resource.h"
#include "tests/fakes/fakeFileDialog.h"
#include "tests/fakes/fakeSystem.h"
#include "tests/fakes/fakeWaveOut.h"
#include "tests/fakes/fakeWindow.h"
#include "ui/aboutBox.h"

void CommandWindowTest::openWindow() {
    fakeResetWindows();
    fakeResetSystem();
    fakeResetFileDialog();
    resetFakeWaveOut();
    resetPlaybackState();
    linkVisited = 0; // every test is a fresh run
    window = fakeOpenDialog(IDD_MAIN, nullptr, mainDialogProc);
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(fakeDialogEnded(window), 0);
}

void CommandWindowTest::closeWindow() {
    // A playback the test left running ends as the Exit button ends it; the
    // stream's end notice then closes the device.
    stopStream();
    fakeDeliverPosted();
    closeStream();
    resetPlaybackState();
    fakeCloseDialog(window);
    fakeDropPosted();
}

std::vector<std::string> CommandWindowTest::messageTexts() const {
    std::vector<std::string> texts;
    for (const FakeMessageBox &box : fakeMessageBoxes())
        texts.push_back(box.text);
    return texts;
}

std::string CommandWindowTest::controlText(int id) const { return fakeText(controlOf(window, id)); }
