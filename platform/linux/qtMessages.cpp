// The messages of the Qt window layer: posted messages, which travel as Qt
// events to the window thread; the set of live windows that may take them;
// the input filter that hands them over before the user's input; timers,
// which become WM_TIMER; message-only windows; and the message loop.  The
// functions of platform/window.h for these live here too (postMessage,
// startTimer, createMessageWindow, runMessageLoop, ...); dialogs are built in
// qtDialogBuilder.cpp, and the rest of platform/window.h is qtWindow.cpp.
//
// The order of delivery.  On the desktop a window thread takes, of what
// waits for it, the messages posted to it before the user's input (clicks,
// keys, wheel turns), and the messages those post in turn before the input
// too: the input waits until no posted message does.  Qt has no such order:
// its event dispatcher may read a click from the window system before it
// sends the events posted ahead of it.  The program relies on the desktop's
// order: Stop hands the device's buffers back as posted messages, and the
// return of the last of them posts the end notice that closes the device.  A
// quick Stop and Play would otherwise reach Play with those messages still
// waiting, and Play would find the old device open and refuse.  So the
// filter InputAfterPosted hands over every posted message waiting on the
// window thread, and those they post, before each click, key and wheel turn
// of the user reaches its widget (deliverWaitingMessages says how far it
// goes).  Timers, paints and everything else keep Qt's order.
#include "platform/linux/qtMessages.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>

namespace qtWindowParts {

namespace {

// Posted messages not yet handed over (or dropped with their window); any
// thread posts, so the count is atomic.
std::atomic<int> postedWaiting{0};

// Posted messages handed to procedures so far; counted on the window thread,
// the only one that hands them over.
int handedOver = 0;

// The message a posted event carries.
class PostedMessageEvent : public QEvent {
public:
    static QEvent::Type kind() {
        static const int type = QEvent::registerEventType();
        return (QEvent::Type)type;
    }
    PostedMessageEvent(unsigned message, WParam wParam, LParam lParam)
        : QEvent(kind()), message(message), wParam(wParam), lParam(lParam) {
        postedWaiting++;
    }
    ~PostedMessageEvent() override { postedWaiting--; }
    unsigned message;
    WParam wParam;
    LParam lParam;
};

// The dialogs and message windows that take posted messages, and the lock
// that guards them: postMessage comes from any thread.  Both are made once
// and never destroyed, because a device thread may still post while the
// process ends, after static objects are gone.
std::mutex &liveLock = *new std::mutex;
std::set<WindowRecord *> &liveWindows = *new std::set<WindowRecord *>;
QPointer<QEventLoop> messageLoop;  // the loop of runMessageLoop, while it runs
int quitPending = 0, quitCode = 0; // from postQuitMessage

// The most rounds deliverWaitingMessages runs.  Each round hands over only
// the messages posted before it began (Qt keeps those posted during a round
// for the next), so the rounds follow a chain of messages that post
// messages one link a round.  The longest chain of the program takes three:
// a buffer handed back, the end notice it posts, the close notice of the
// device the end closes.  The bound only keeps a chain without end, or a
// device thread that posts as fast as they are handled, from holding the
// user's input back for ever.
const int deliveryRoundLimit = 8;

// Hands the posted messages waiting on the window thread to their
// procedures, in rounds, until no posted message is waiting, or a round
// handed none over (what still waits was posted during that round from
// another thread, and may come after the input), or deliveryRoundLimit
// rounds ran.  Returns the number of messages handed over; changes whatever
// their procedures change.
int deliverWaitingMessages() {
    const int before = handedOver;
    for (int round = 0; round < deliveryRoundLimit && postedWaiting.load() > 0; round++) {
        const int roundStart = handedOver;
        QCoreApplication::sendPostedEvents(nullptr, PostedMessageEvent::kind());
        if (handedOver == roundStart) break;
    }
    return handedOver - before;
}

// The filter that keeps the desktop's order (see the top of this file): it
// hands the waiting messages over before every click, key and wheel turn of
// the user, and lets the input go on.
class InputAfterPosted : public QObject {
protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
            if (event->spontaneous() && postedWaiting.load() > 0) deliverWaitingMessages();
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }
};

// The receiver of a message-only window.
class MessageObject : public QObject {
public:
    explicit MessageObject(WindowRecord *record) : record(record) {}

protected:
    bool event(QEvent *event) override { return handlePosted(record, event) || QObject::event(event); }

private:
    WindowRecord *record;
};

// Starts or replaces timer timerId of window.
void armTimer(WindowRecord *window, unsigned timerId, unsigned periodMs) {
    QTimer *&timer = window->timers[timerId];
    if (!timer) {
        timer = new QTimer(window->receiver);
        QObject::connect(timer, &QTimer::timeout, [window, timerId] { deliver(window, WM_TIMER, timerId, 0); });
    }
    timer->start((int)std::min(periodMs ? periodMs : 1u, 0x7FFFFFFFu));
}

} // namespace

intptr_t deliver(WindowRecord *window, unsigned message, WParam wParam, LParam lParam) {
    WindowRecord *target = window->dialog ? window->dialog : window;
    return target->proc ? target->proc(target, message, wParam, lParam) : 0;
}

void notify(WindowRecord *control, unsigned notification) {
    deliver(control, WM_COMMAND, commandParam((unsigned)control->id, notification), (LParam)control);
}

bool handlePosted(WindowRecord *window, QEvent *event) {
    if (event->type() != PostedMessageEvent::kind()) return false;
    auto *posted = static_cast<PostedMessageEvent *>(event);
    handedOver++;
    deliver(window, posted->message, posted->wParam, posted->lParam);
    return true;
}

void keepInputAfterPosted() {
    static InputAfterPosted *filter = nullptr;
    if (filter || !QCoreApplication::instance()) return;
    filter = new InputAfterPosted;
    QCoreApplication::instance()->installEventFilter(filter);
}

void addLiveWindow(WindowRecord *window) {
    std::lock_guard<std::mutex> hold(liveLock);
    liveWindows.insert(window);
}

void destroyRecord(WindowRecord *window) {
    {
        std::lock_guard<std::mutex> hold(liveLock);
        liveWindows.erase(window);
    }
    for (auto &timer : window->timers)
        delete timer.second;
    window->timers.clear();
    QObject *owner = window->widget ? (QObject *)window->widget : window->receiver;
    delete owner;
    delete window;
}

} // namespace qtWindowParts

using namespace qtWindowParts;

// --- The messages of platform/window.h ------------------------------------------

void startTimer(Window window, unsigned timerId, unsigned periodMs) {
    if (window && window->receiver) armTimer(window, timerId, periodMs);
}

void stopTimer(Window window, unsigned timerId) {
    if (!window) return;
    auto found = window->timers.find(timerId);
    if (found != window->timers.end()) found->second->stop();
}

int postMessage(Window window, unsigned message, WParam wParam, LParam lParam) {
    std::lock_guard<std::mutex> hold(liveLock);
    if (!window || !liveWindows.count(window)) return 0;
    // postEvent is safe from any thread; the event is handled on the
    // receiver's thread, the one that runs the window
    QCoreApplication::postEvent(window->receiver, new PostedMessageEvent(message, wParam, lParam));
    return 1;
}

void postQuitMessage(int exitCode) {
    quitPending = 1;
    quitCode = exitCode;
    if (messageLoop) messageLoop->exit(exitCode);
}

Window createMessageWindow(WindowProc proc) {
    if (!proc) return nullptr;
    auto *window = new WindowRecord;
    window->proc = proc;
    window->receiver = new MessageObject(window);
    addLiveWindow(window);
    return window;
}

void destroyMessageWindow(Window window) {
    if (window && !window->dialog && !window->widget) destroyRecord(window);
}

int runMessageLoop() {
    if (!quitPending) {
        QEventLoop loop;
        messageLoop = &loop;
        loop.exec();
        messageLoop = nullptr;
    }
    quitPending = 0;
    return quitCode;
}
