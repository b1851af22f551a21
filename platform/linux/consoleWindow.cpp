// The message-only window backend for programs without a dialog
// (tonalix-render): invisible windows, one message queue, timers and the
// loop that hands every message to its window's procedure.
//
// Any thread may post; everything else, and every window procedure, runs on
// the thread that runs runMessageLoop.  A program links this backend or the
// Qt one, never both.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

#include "platform/window.h"

typedef std::chrono::steady_clock Clock;

struct WindowRecord {
    WindowProc proc; // where the window's messages go
    int alive;       // 0 once destroyed
};

namespace {

struct QueuedMessage {
    Window window;
    unsigned message;
    WParam wParam;
    LParam lParam;
};

struct Timer {
    Window window;
    unsigned id;
    Clock::duration period;
    Clock::time_point due; // next expiry
};

// The backend's one record: windows, the queue and the timers.
struct ConsoleLoop {
    std::mutex lock;                 // guards everything below
    std::condition_variable wake;    // signalled on every post and quit
    std::vector<Window> windows;     // every live window
    std::deque<QueuedMessage> queue; // posted messages, oldest first
    std::vector<Timer> timers;       // running timers
    int quitting = 0;                // 1 after postQuitMessage
    int exitCode = 0;
};

ConsoleLoop loop;

// Returns 1 when window is alive.  The caller holds the lock.
int isAlive(Window window) {
    for (Window w : loop.windows)
        if (w == window) return 1;
    return 0;
}

// Removes every timer of window (all when timerId is 0 and any is 1).  The
// caller holds the lock.
void removeTimers(Window window, unsigned timerId, int any) {
    for (size_t i = 0; i < loop.timers.size();)
        if (loop.timers[i].window == window && (any || loop.timers[i].id == timerId))
            loop.timers.erase(loop.timers.begin() + (long)i);
        else
            i++;
}

} // namespace

Window createMessageWindow(WindowProc proc) {
    if (!proc) return nullptr;
    Window window = new WindowRecord{proc, 1};
    std::lock_guard<std::mutex> guard(loop.lock);
    loop.windows.push_back(window);
    return window;
}

void destroyMessageWindow(Window window) {
    std::lock_guard<std::mutex> guard(loop.lock);
    for (size_t i = 0; i < loop.windows.size(); i++)
        if (loop.windows[i] == window) {
            loop.windows.erase(loop.windows.begin() + (long)i);
            removeTimers(window, 0, 1);
            // Messages still queued for it are dropped as they come up.
            for (QueuedMessage &m : loop.queue)
                if (m.window == window) m.window = nullptr;
            delete window;
            return;
        }
}

int postMessage(Window window, unsigned message, WParam wParam, LParam lParam) {
    std::lock_guard<std::mutex> guard(loop.lock);
    if (!window || !isAlive(window)) return 0;
    loop.queue.push_back({window, message, wParam, lParam});
    loop.wake.notify_one();
    return 1;
}

void postQuitMessage(int exitCode) {
    std::lock_guard<std::mutex> guard(loop.lock);
    if (!loop.quitting) {
        loop.quitting = 1;
        loop.exitCode = exitCode;
    }
    loop.wake.notify_one();
}

void startTimer(Window window, unsigned timerId, unsigned periodMs) {
    std::lock_guard<std::mutex> guard(loop.lock);
    if (!window || !isAlive(window)) return;
    removeTimers(window, timerId, 0);
    Clock::duration period = std::chrono::milliseconds(periodMs ? periodMs : 1);
    loop.timers.push_back({window, timerId, period, Clock::now() + period});
    loop.wake.notify_one();
}

void stopTimer(Window window, unsigned timerId) {
    std::lock_guard<std::mutex> guard(loop.lock);
    removeTimers(window, timerId, 0);
}

// Returns the exit code given to postQuitMessage.  Hands posted messages to
// their windows in order and, when none is waiting, the timer that is due
// first; sleeps while there is nothing to do.  The quit request is taken
// once, so the loop can be run again afterwards.
int runMessageLoop() {
    std::unique_lock<std::mutex> guard(loop.lock);
    for (;;) {
        if (loop.quitting) {
            loop.quitting = 0;
            return loop.exitCode;
        }
        QueuedMessage next{};
        if (!loop.queue.empty()) {
            next = loop.queue.front();
            loop.queue.pop_front();
            if (!next.window) continue; // its window was destroyed
        } else {
            Timer *due = nullptr;
            for (Timer &t : loop.timers)
                if (!due || t.due < due->due) due = &t;
            if (!due) {
                loop.wake.wait(guard);
                continue;
            }
            if (Clock::now() < due->due) {
                loop.wake.wait_until(guard, due->due);
                continue;
            }
            // A late timer is not made to catch up: it fires once and is
            // due a whole period later.
            next = {due->window, WM_TIMER, (WParam)due->id, 0};
            due->due += due->period;
            if (due->due < Clock::now()) due->due = Clock::now() + due->period;
        }
        WindowProc proc = next.window->proc;
        guard.unlock();
        proc(next.window, next.message, next.wParam, next.lParam);
        guard.lock();
    }
}
