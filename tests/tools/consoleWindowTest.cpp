// The message-only window backend: posted messages in order from any
// thread, timers, destroyed windows and the quit code.
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/window.h"

namespace {

struct Received {
    Window window;
    unsigned message;
    WParam wParam;
    LParam lParam;
};

std::vector<Received> received;
int ticksBeforeQuit = 0; // WM_TIMER messages to take before quitting

// Records every message; WM_USER + 9 quits with its wParam as the code.
intptr_t recordingProc(Window window, unsigned message, WParam wParam, LParam lParam) {
    received.push_back({window, message, wParam, lParam});
    if (message == WM_USER + 9) postQuitMessage((int)wParam);
    if (message == WM_TIMER && --ticksBeforeQuit == 0) postQuitMessage(7);
    return 0;
}

TEST(ConsoleWindow, PostsFromAnotherThreadArriveInOrder) {
    received.clear();
    Window window = createMessageWindow(recordingProc);
    ASSERT_NE(window, nullptr);
    std::thread poster([window] {
        for (int i = 0; i < 1000; i++)
            postMessage(window, WM_USER + 1, (WParam)i, -i);
        postMessage(window, WM_USER + 9, 3, 0);
    });
    EXPECT_EQ(runMessageLoop(), 3);
    poster.join();
    ASSERT_EQ(received.size(), 1001u);
    for (int i = 0; i < 1000; i++) {
        EXPECT_EQ(received[i].wParam, (WParam)i);
        EXPECT_EQ(received[i].lParam, -i);
        EXPECT_EQ(received[i].window, window);
    }
    destroyMessageWindow(window);
}

TEST(ConsoleWindow, ADestroyedWindowTakesNoMoreMessages) {
    received.clear();
    Window gone = createMessageWindow(recordingProc);
    Window stays = createMessageWindow(recordingProc);
    EXPECT_EQ(postMessage(gone, WM_USER + 1, 1, 0), 1); // queued, then dropped
    destroyMessageWindow(gone);
    EXPECT_EQ(postMessage(gone, WM_USER + 1, 2, 0), 0);
    EXPECT_EQ(postMessage(nullptr, WM_USER + 1, 3, 0), 0);
    postMessage(stays, WM_USER + 9, 0, 0);
    EXPECT_EQ(runMessageLoop(), 0);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].window, stays);
    destroyMessageWindow(stays);
}

TEST(ConsoleWindow, TimersTickUntilStoppedOrReplaced) {
    received.clear();
    Window window = createMessageWindow(recordingProc);
    startTimer(window, 5, 1000000); // replaced below before it is due
    startTimer(window, 5, 1);
    ticksBeforeQuit = 3;
    EXPECT_EQ(runMessageLoop(), 7);
    ASSERT_EQ(received.size(), 3u);
    for (const Received &r : received) {
        EXPECT_EQ(r.message, (unsigned)WM_TIMER);
        EXPECT_EQ(r.wParam, 5u);
    }
    stopTimer(window, 5);
    received.clear();
    postMessage(window, WM_USER + 9, 1, 0);
    EXPECT_EQ(runMessageLoop(), 1);
    EXPECT_EQ(received.size(), 1u); // no tick after the stop
    destroyMessageWindow(window);
}

TEST(ConsoleWindow, PostedMessagesComeBeforeDueTimers) {
    received.clear();
    Window window = createMessageWindow(recordingProc);
    startTimer(window, 2, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(5)); // the timer is due
    postMessage(window, WM_USER + 1, 0, 0);
    ticksBeforeQuit = 1;
    EXPECT_EQ(runMessageLoop(), 7);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].message, (unsigned)WM_USER + 1);
    destroyMessageWindow(window);
}

} // namespace
