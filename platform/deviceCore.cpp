// The device core: see deviceCore.h and the contract in waveOut.h.
//
// Each open device has a device thread, which alone calls the driver (but for
// wake).  The window thread reaches the device by queuing headers and by
// asking the thread to drop or to end, and waits for it only with a bound:
//
// - open waits at most openWaitMs for the thread to open the device, and
//   otherwise gives it up; the thread then closes what it opened and frees
//   the record itself;
// - reset hands every queued header back at once, and the thread drops what
//   the device still holds when it next runs;
// - close waits at most closeWaitMs for the thread to end, and otherwise
//   leaves the thread to finish the close and free the record.
//
// The thread moves a period at a time through a buffer of its own, so a
// header handed back early (by a reset, a close or a loss) is never read or
// written again: the generation, advanced by every hand-back of the whole
// queue, tells it that the period it holds belongs to nobody any more.
//
// The watchdog: while a period waits, a device that takes (or gives) no data
// for stallLimitMs is lost, startLimitMs before it has moved anything since
// it was opened or dropped.  A write or read that fails, and that the driver
// cannot mend (lives, where it has one), loses the device too.  A lost
// device is called no more but to close it, and the driver may leave even
// that undone.
//
// The clock: once the window thread has asked where the device stands
// (waveGetPosition), the thread asks the driver after every write (or read)
// that moves data, and keeps the answer with the moment it was given.
#include "platform/deviceCore.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/streamFormat.h"

typedef std::chrono::steady_clock Clock;

// Where an open device stands, beside the requests of a drop and an abandon
// (WaveDevice).  The device thread moves it on, but for the close, which
// waveClose asks for:
//   opening -> open       the driver opened the device
//   opening -> closing    the open failed, or nobody waits for it any more
//   open -> lost          the device failed or stopped (loseDevice)
//   open, lost -> closing waveClose
//   closing -> finished   the thread has let go of the device
enum DeviceState { DeviceOpening, DeviceOpen, DeviceLost, DeviceClosing, DeviceFinished };

struct WaveDevice {
    // Set by the opener before the thread starts, then read only.
    const DeviceCalls *driver;
    uint32_t deviceId;
    StreamFormat format;
    Window callback; // receives the messages
    DeviceMessages messages;
    DeviceBounds bounds;
    std::thread thread;

    std::mutex lock;                   // guards the fields below and header flags
    std::condition_variable settled;   // open and close wait here, with a bound
    std::condition_variable work;      // the idle thread waits here
    OpenedDevice *opened = nullptr;    // the driver's device, once open
    std::deque<WaveHeader *> queue;    // written and not yet handed back, oldest first
    uint32_t moved = 0;                // bytes of queue.front() the thread has taken (or filled)
    uint64_t generation = 0;           // advanced by every hand-back of the queue
    DeviceState state = DeviceOpening; // where the device stands
    WaveResult openResult = WaveOk;    // what the open came to
    int dropRequested = 0;             // 1: drop what the device holds (a reset asks for it)
    int abandonRequested = 0;          // 1: nobody waits any more; the thread frees the record
    std::atomic<int> clockWanted{0};   // 1 once the clock was asked for: read as data moves
    int clockKnown = 0;                // 1 once the driver told where its clock stands
    WavePosition clock = {};           // its last answer, since the open or the last drop
};

namespace {

std::atomic<int> threadsHeld{0}; // device and bounded threads running, plus drivers left open

long millisecondsSince(Clock::time_point since) {
    return (long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

// Marks header handed back and posts its done message.  The caller holds the
// device's lock.
void handBack(WaveDevice *device, WaveHeader *header) {
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    postMessage(device->callback, device->messages.done, (WParam)device, (LParam)header);
}

// Hands back every queued header in order; what the thread holds of them is
// no longer handed back.  The caller holds the lock.
void handBackAll(WaveDevice *device) {
    while (!device->queue.empty()) {
        handBack(device, device->queue.front());
        device->queue.pop_front();
    }
    device->moved = 0;
    device->generation++;
}

// Wakes the device thread, idle or waiting in the driver.  The caller holds
// the lock.
void wakeThread(WaveDevice *device) {
    device->work.notify_all();
    if (device->opened) device->driver->wake(device->opened);
}

// Marks an open device lost: posts the lost message, then hands back every
// queued header.  Returns 1, or 0 with nothing done once the device is
// closing.
int loseDevice(WaveDevice *device) {
    std::lock_guard<std::mutex> guard(device->lock);
    if (device->state != DeviceOpen) return 0;
    device->state = DeviceLost;
    postMessage(device->callback, device->messages.lost, (WParam)device, 0);
    handBackAll(device);
    return 1;
}

// Marks the device finished: the thread has let go of it.  When nobody waits
// for it any more, frees the record.  The thread's last act.
void finishThread(WaveDevice *device) {
    std::unique_lock<std::mutex> guard(device->lock);
    device->state = DeviceFinished;
    threadsHeld--;
    device->settled.notify_all();
    if (!device->abandonRequested) return; // the closer joins and frees
    guard.unlock();
    delete device;
}

// Asks the driver where the device's clock stands and keeps the answer,
// timed at the middle of the call, once somebody has asked for it: a call
// more into a driver is one more place for a stopped sound server to hold
// the thread.  Returns nothing.
void readClock(WaveDevice *device, OpenedDevice *opened) {
    if (!device->clockWanted.load()) return;
    uint64_t frames = 0;
    const Clock::time_point before = Clock::now();
    if (!device->driver->position || !device->driver->position(opened, &frames)) return;
    const Clock::time_point at = before + (Clock::now() - before) / 2;
    std::lock_guard<std::mutex> guard(device->lock);
    device->clock.samples = frames;
    device->clock.steadyNs =
        (int64_t)std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
    device->clockKnown = 1;
}

// What the thread holds of the front header: one period, taken from it
// (playback) or to be given to it (capture).
struct Period {
    std::vector<char> data;
    size_t bytes = 0, done = 0; // the period's bytes, and of those moved to (or from) the device
    uint64_t generation = 0;    // the queue's generation when it was taken
    WaveHeader *ends = nullptr; // the header the period completes, or null
};

// Takes the next period of the front header, under the lock.  Returns 0 when
// there is none to take.  A header with less than a frame left is handed
// back at once.
int takePeriod(WaveDevice *device, Period *period, int capture) {
    const uint32_t frameBytes = device->format.blockAlign ? device->format.blockAlign : 1;
    while (!device->queue.empty()) {
        WaveHeader *header = device->queue.front();
        const uint32_t left = header->dwBufferLength - device->moved;
        size_t bytes = left - left % frameBytes;
        if (bytes > period->data.size()) bytes = period->data.size();
        if (bytes == 0) { // less than a frame: nothing to move
            if (capture) header->dwBytesRecorded = device->moved;
            device->queue.pop_front();
            device->moved = 0;
            handBack(device, header);
            continue;
        }
        if (!capture) std::memcpy(period->data.data(), header->lpData + device->moved, bytes);
        device->moved += (uint32_t)bytes;
        period->bytes = bytes;
        period->done = 0;
        period->generation = device->generation;
        period->ends = header->dwBufferLength - device->moved < frameBytes ? header : nullptr;
        return 1;
    }
    return 0;
}

// A period fully moved: a capture period is copied into its header, and the
// header it completes is handed back.  The caller holds the lock.
void finishPeriod(WaveDevice *device, Period *period, int capture) {
    if (period->generation != device->generation || device->queue.empty()) return;
    WaveHeader *header = device->queue.front();
    if (capture) {
        const uint32_t at = device->moved - (uint32_t)period->bytes;
        std::memcpy(header->lpData + at, period->data.data(), period->bytes);
        header->dwBytesRecorded = device->moved;
    }
    if (period->ends == header) {
        device->queue.pop_front();
        device->moved = 0;
        handBack(device, header);
    }
}

// Opens the device and tells the opener what came of it.  Returns the
// driver's device, with *periodBytes set, and the device open; or null with
// the device closing when the open failed or nobody waits for it any more
// (what it opened is closed again).
OpenedDevice *openDevice(WaveDevice *device, uint32_t *periodBytes) {
    OpenedDevice *opened = nullptr;
    const WaveResult result =
        device->driver->open(device->driver->direction, device->deviceId, &device->format, &opened, periodBytes);
    std::unique_lock<std::mutex> guard(device->lock);
    device->openResult = result;
    const int wanted = result == WaveOk && !device->abandonRequested;
    device->state = wanted ? DeviceOpen : DeviceClosing;
    if (wanted) device->opened = opened;
    device->settled.notify_all();
    guard.unlock();
    if (result == WaveOk && !wanted) device->driver->close(opened, 0);
    return wanted ? opened : nullptr;
}

// Moves the front header a period at a time, hands each header back once
// all of it is moved, watches for a device that stops, and serves drops,
// until the device is closing or lost.  Returns 0 once it is closing, or 1
// once it is lost (then waveWrite refuses, and nothing but close is asked of
// the driver).
int movePeriods(WaveDevice *device, OpenedDevice *opened, uint32_t periodBytes) {
    const DeviceCalls *driver = device->driver;
    const int capture = driver->direction == DeviceCapture;
    const uint32_t frameBytes = device->format.blockAlign ? device->format.blockAlign : 1;
    Period period;
    period.data.resize(periodBytes > frameBytes ? periodBytes - periodBytes % frameBytes : frameBytes);
    Clock::time_point lastProgress = Clock::now();
    int ready = 1;   // 0: wait until the driver says a period can move
    int started = 0; // 1 once the device took (or gave) data after a wait
    for (;;) {
        std::unique_lock<std::mutex> guard(device->lock);
        if (device->state == DeviceClosing) return 0;
        if (device->dropRequested) {
            device->dropRequested = 0;
            device->clockKnown = 0; // the device's count starts again
            period.bytes = 0;
            guard.unlock();
            driver->drop(opened); // silence at once
            ready = 1;
            started = 0;
            continue;
        }
        if (period.bytes > 0 && period.generation != device->generation)
            period.bytes = 0; // a reset handed its header back
        if (period.bytes > 0 && period.done == period.bytes) {
            finishPeriod(device, &period, capture);
            period.bytes = 0;
            continue;
        }
        if (period.bytes == 0) {
            if (!takePeriod(device, &period, capture)) {
                device->work.wait(guard); // woken by a write, a reset or a close
                continue;
            }
            lastProgress = Clock::now(); // the stall clock runs while a period waits
        }
        guard.unlock();

        if (!ready) {
            const long waited = millisecondsSince(lastProgress);
            const long limit = started ? device->bounds.stallLimitMs : device->bounds.startLimitMs;
            if (waited >= limit) {
                if (loseDevice(device)) return 1; // the device stopped taking data
                continue;
            }
            ready = driver->wait(opened, (int)(limit - waited));
            started |= ready;
            continue;
        }
        char *at = period.data.data() + period.done;
        const uint32_t want = (uint32_t)(period.bytes - period.done);
        const long moved = capture ? driver->read(opened, at, want) : driver->write(opened, at, want);
        if (moved > 0) {
            period.done += (size_t)moved;
            lastProgress = Clock::now();
            readClock(device, opened);
        } else if (moved == 0) {
            ready = 0;
        } else {
            if (!(driver->lives && driver->lives(opened)) && loseDevice(device)) return 1;
            started = 0;
        }
    }
}

// The device thread: opens the device, moves its periods, and once the
// device is closing (after a loss, once waveClose asks) closes it and
// finishes.
void deviceThread(WaveDevice *device) {
    uint32_t periodBytes = 0;
    OpenedDevice *opened = openDevice(device, &periodBytes);
    if (opened) {
        const int lost = movePeriods(device, opened, periodBytes);
        if (lost) {
            std::unique_lock<std::mutex> guard(device->lock);
            device->work.wait(guard, [device] { return device->state == DeviceClosing; });
        }
        // A driver left open holds the process as a thread would.
        if (device->driver->close(opened, lost)) threadsHeld++;
    }
    finishThread(device);
}

} // namespace

WaveResult deviceOpen(const DeviceCalls *driver, uint32_t deviceId, const StreamFormat *format, Window callback,
                      WaveOutHandle *handle, const DeviceMessages &messages, const DeviceBounds &bounds) {
    if (!handle || !format || !driver) return WaveErrorGeneric;
    *handle = nullptr;
    WaveDevice *device = new WaveDevice();
    device->driver = driver;
    device->deviceId = deviceId;
    device->format = *format;
    device->callback = callback;
    device->messages = messages;
    device->bounds = bounds;
    threadsHeld++;
    device->thread = std::thread(deviceThread, device);

    std::unique_lock<std::mutex> guard(device->lock);
    if (!device->settled.wait_for(guard, std::chrono::milliseconds(bounds.openWaitMs),
                                  [device] { return device->state != DeviceOpening; })) {
        device->abandonRequested = 1; // the thread closes what it opens and frees the record
        device->thread.detach();
        return WaveErrorBadDevice;
    }
    const WaveResult result = device->openResult;
    if (result != WaveOk) {
        guard.unlock();
        device->thread.join();
        delete device;
        return result;
    }
    *handle = device;
    postMessage(callback, messages.open, (WParam)device, 0);
    return WaveOk;
}

WaveResult wavePrepareHeader(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    if (!handle) return WaveErrorInvalidHandle;
    if (!header || !header->lpData || size < sizeof(WaveHeader)) return WaveErrorGeneric;
    std::lock_guard<std::mutex> guard(handle->lock);
    header->dwFlags |= WHDR_PREPARED;
    return WaveOk;
}

WaveResult waveWrite(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    if (!handle) return WaveErrorInvalidHandle;
    if (!header || size < sizeof(WaveHeader)) return WaveErrorGeneric;
    std::lock_guard<std::mutex> guard(handle->lock);
    if (!(header->dwFlags & WHDR_PREPARED)) return WaveErrorUnprepared;
    if (header->dwFlags & WHDR_INQUEUE) return WaveErrorStillPlaying;
    if (handle->state == DeviceLost) return WaveErrorNoDriver;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    // The thread waits for work only with the queue empty; behind a queued
    // header it comes to this one without a wake-up of its own.
    const bool idle = handle->queue.empty();
    handle->queue.push_back(header);
    if (idle) handle->work.notify_all();
    return WaveOk;
}

WaveResult waveUnprepareHeader(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    if (!handle) return WaveErrorInvalidHandle;
    if (!header || size < sizeof(WaveHeader)) return WaveErrorGeneric;
    std::lock_guard<std::mutex> guard(handle->lock);
    if (header->dwFlags & WHDR_INQUEUE) return WaveErrorStillPlaying;
    header->dwFlags &= ~WHDR_PREPARED;
    return WaveOk;
}

WaveResult waveGetPosition(WaveOutHandle handle, WavePosition *position) {
    if (!handle) return WaveErrorInvalidHandle;
    if (!position) return WaveErrorGeneric;
    std::lock_guard<std::mutex> guard(handle->lock);
    handle->clockWanted = 1;
    if (!handle->clockKnown) return WaveErrorGeneric;
    *position = handle->clock;
    return WaveOk;
}

// Hands every queued header back at once; the device thread drops what the
// device still holds as soon as it runs.
WaveResult waveReset(WaveOutHandle handle) {
    if (!handle) return WaveErrorInvalidHandle;
    std::lock_guard<std::mutex> guard(handle->lock);
    handBackAll(handle);
    handle->dropRequested = 1;
    handle->clockKnown = 0;
    wakeThread(handle);
    return WaveOk;
}

// Closes the device; buffers still queued are handed back first.  A thread
// that does not end within closeWaitMs (its device hangs in a call) ends
// later on its own and frees the record then.
WaveResult waveClose(WaveOutHandle handle) {
    if (!handle) return WaveErrorInvalidHandle;
    const Window callback = handle->callback;
    const unsigned message = handle->messages.close;
    const WParam closed = (WParam)handle; // the message names the handle, which may be freed below
    std::unique_lock<std::mutex> guard(handle->lock);
    handBackAll(handle);
    handle->state = DeviceClosing;
    wakeThread(handle);
    if (handle->settled.wait_for(guard, std::chrono::milliseconds(handle->bounds.closeWaitMs),
                                 [handle] { return handle->state == DeviceFinished; })) {
        guard.unlock();
        handle->thread.join();
        delete handle;
    } else {
        handle->abandonRequested = 1;
        handle->thread.detach();
    }
    postMessage(callback, message, closed, 0);
    return WaveOk;
}

int runBounded(std::function<void()> work, int ms) {
    struct Shared {
        std::mutex lock;
        std::condition_variable answered;
        int done = 0;
    };
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    threadsHeld++;
    std::thread([shared, work] {
        work();
        std::lock_guard<std::mutex> guard(shared->lock);
        shared->done = 1;
        threadsHeld--;
        shared->answered.notify_all();
    }).detach();
    std::unique_lock<std::mutex> guard(shared->lock);
    return shared->answered.wait_for(guard, std::chrono::milliseconds(ms), [&shared] { return shared->done; }) ? 1 : 0;
}

int deviceThreadsHeld() { return threadsHeld.load(); }
