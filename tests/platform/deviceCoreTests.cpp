// The device core (platform/deviceCore.h) against a scripted fake driver,
// one row per way a device fails.  Each row states what the window thread
// sees: the messages posted to it, in their order, and the bound on each of
// its calls.  The core is the same code on every system, so the same table
// runs on Linux and, in the Windows build, under Wine.
//
// The fake device holds two periods and plays 10 bytes a millisecond; a
// period is 1000 bytes, each header 2500.  The bounds are the contract's
// (DeviceBounds' defaults) with slackMs more for the scheduler (Wine's
// above all).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/deviceCore.h"
#include "platform/streamFormat.h"

namespace {

typedef std::chrono::steady_clock Clock;

const int slackMs = 250;
const uint32_t periodBytes = 1000, deviceBytes = 2000, headerBytes = 2500;
const long bytesPerMs = 10;
const DeviceBounds bounds; // the contract's
const StreamFormat format = {1, 1, 5000, 10000, 2, 16, 0};

long msSince(Clock::time_point since) {
    return (long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

// What the scripted driver does.
struct Script {
    int openMs = 0;          // open takes this long
    int closeMs = 0;         // close takes this long
    int silentMs = 0;        // the device plays nothing for this long after its first period
    long stallAfter = -1;    // the device takes nothing more after this many bytes
    long failAfter = -1;     // writes fail after this many bytes, for good
    int holdSecondWrite = 0; // 1: the write of the second period waits until released
    int hangInDrop = 0;      // 1: drop waits until released
    int capture = 0;         // 1: a capture device, which gives bytes 0, 1, 2... as it records
    int withoutLives = 0;    // 1: a playback driver that names no lives call
};

// The fake driver's state: one device at a time.
struct Fake {
    std::mutex lock;
    std::condition_variable changed;
    Script script;
    int woken = 0, released = 0, writeUnderWay = 0;
    int writes = 0, drops = 0, closes = 0;
    long written = 0;                 // bytes the device took since the last drop
    Clock::time_point firstWrite;     // when it took its first since the last drop
    int playing = 0;                  // 1 after the first write
    Clock::time_point lastTaken;      // when it last took data
    std::vector<char> takenSinceDrop; // what it took since the last drop
} fake;

// Bytes played so far: none before the first write, nor for silentMs after.
long playedLocked() {
    if (!fake.playing) return 0;
    const long ms = msSince(fake.firstWrite) - fake.script.silentMs;
    return std::min(fake.written, ms > 0 ? ms * bytesPerMs : 0);
}

long roomLocked() {
    if (fake.script.stallAfter >= 0 && fake.written >= fake.script.stallAfter) return 0;
    return deviceBytes - (fake.written - playedLocked());
}

// Waits until the test releases what the script holds.
void holdLocked(std::unique_lock<std::mutex> &guard) {
    fake.changed.notify_all();
    fake.changed.wait(guard, [] { return fake.released; });
}

WaveResult fakeOpen(DeviceDirection, uint32_t, const StreamFormat *, OpenedDevice **opened, uint32_t *period) {
    std::this_thread::sleep_for(std::chrono::milliseconds(fake.script.openMs));
    *opened = (OpenedDevice *)&fake;
    *period = periodBytes;
    return WaveOk;
}

int fakeWait(OpenedDevice *, int timeoutMs) {
    const Clock::time_point start = Clock::now();
    std::unique_lock<std::mutex> guard(fake.lock);
    for (;;) {
        if (fake.woken) {
            fake.woken = 0;
            return 0;
        }
        if (fake.script.capture || roomLocked() > 0) return 1;
        if (timeoutMs >= 0 && msSince(start) >= timeoutMs) return 0;
        fake.changed.wait_for(guard, std::chrono::milliseconds(1));
    }
}

void fakeWake(OpenedDevice *) {
    std::lock_guard<std::mutex> guard(fake.lock);
    fake.woken = 1;
    fake.changed.notify_all();
}

long fakeWrite(OpenedDevice *, const char *data, uint32_t bytes) {
    std::unique_lock<std::mutex> guard(fake.lock);
    if (fake.script.failAfter >= 0 && fake.written >= fake.script.failAfter) return -1;
    const long taken = std::min((long)bytes, roomLocked());
    if (taken <= 0) return 0;
    if (++fake.writes == 2 && fake.script.holdSecondWrite) {
        fake.writeUnderWay = 1;
        holdLocked(guard);
    }
    if (!fake.playing) fake.playing = 1, fake.firstWrite = Clock::now();
    fake.written += taken;
    fake.lastTaken = Clock::now();
    fake.takenSinceDrop.insert(fake.takenSinceDrop.end(), data, data + taken);
    return taken;
}

long fakeRead(OpenedDevice *, char *data, uint32_t bytes) {
    std::lock_guard<std::mutex> guard(fake.lock);
    for (uint32_t i = 0; i < bytes; i++)
        data[i] = (char)(fake.written + i);
    fake.written += bytes;
    return bytes;
}

void fakeDrop(OpenedDevice *) {
    std::unique_lock<std::mutex> guard(fake.lock);
    fake.drops++;
    if (fake.script.hangInDrop) holdLocked(guard);
    fake.written = 0;
    fake.playing = 0;
    fake.takenSinceDrop.clear();
}

int fakeLives(OpenedDevice *) { return 0; }

// The device's clock: the frames it has played (or recorded).
int fakePosition(OpenedDevice *, uint64_t *frames) {
    std::lock_guard<std::mutex> guard(fake.lock);
    *frames = (uint64_t)((fake.script.capture ? fake.written : playedLocked()) / format.blockAlign);
    return 1;
}

int fakeClose(OpenedDevice *, int) {
    std::this_thread::sleep_for(std::chrono::milliseconds(fake.script.closeMs));
    std::lock_guard<std::mutex> guard(fake.lock);
    fake.closes++;
    fake.changed.notify_all();
    return 0;
}

const DeviceCalls playbackDriver = {
    .direction = DevicePlayback,
    .open = fakeOpen,
    .wait = fakeWait,
    .wake = fakeWake,
    .write = fakeWrite,
    .drop = fakeDrop,
    .lives = fakeLives,
    .position = fakePosition,
    .close = fakeClose,
};
const DeviceCalls captureDriver = {
    .direction = DeviceCapture,
    .open = fakeOpen,
    .wait = fakeWait,
    .wake = fakeWake,
    .read = fakeRead,
    .drop = fakeDrop,
    .lives = fakeLives,
    .position = fakePosition,
    .close = fakeClose,
};
// The same without lives: every failure loses the device.
const DeviceCalls playbackWithoutLives = {
    .direction = DevicePlayback,
    .open = fakeOpen,
    .wait = fakeWait,
    .wake = fakeWake,
    .write = fakeWrite,
    .drop = fakeDrop,
    .position = fakePosition,
    .close = fakeClose,
};

// The capture messages of the platform (waveIn's), for the capture row.
const DeviceMessages captureMessages = {0x3BE, 0x3BF, 0x3C0, 0x83C0};

// The window thread's view: every message posted to it, in order.
struct Posted {
    unsigned message;
    LParam header;
    long atMs; // since the row began
};
std::mutex postedLock;
std::vector<Posted> posted;
Clock::time_point rowStart;
WaveHeader headers[4];
std::vector<char> samples[4];

} // namespace

// The window layer's postMessage, which the core posts through.
int postMessage(Window, unsigned message, WParam, LParam lParam) {
    std::lock_guard<std::mutex> guard(postedLock);
    posted.push_back({message, lParam, msSince(rowStart)});
    return 1;
}

namespace {

// The messages so far, as "open done0 lost done1 close".
std::string messagesSeen() {
    std::lock_guard<std::mutex> guard(postedLock);
    std::string text;
    for (const Posted &post : posted) {
        if (!text.empty()) text += ' ';
        if (post.message == MM_WOM_OPEN || post.message == captureMessages.open) text += "open";
        if (post.message == MM_WOM_CLOSE || post.message == captureMessages.close) text += "close";
        if (post.message == MM_WOM_LOST) text += "lost";
        if (post.message == MM_WOM_DONE || post.message == captureMessages.done)
            for (int i = 0; i < 4; i++)
                if ((WaveHeader *)post.header == &headers[i])
                    text += (post.message == MM_WOM_DONE ? "done" : "data") + std::to_string(i);
    }
    return text;
}

// Returns the time of the first message named name ("lost", "done2"), or -1.
long timeOf(const std::string &name) {
    std::string seen = messagesSeen();
    std::lock_guard<std::mutex> guard(postedLock);
    size_t at = 0;
    for (size_t i = 0; i < posted.size(); i++) {
        const size_t end = seen.find(' ', at);
        if (seen.substr(at, end - at) == name) return posted[i].atMs;
        at = end + 1;
    }
    return -1;
}

// Waits up to ms for condition, checked every millisecond.
template <typename Condition> bool waitFor(Condition condition, int ms) {
    const Clock::time_point start = Clock::now();
    while (!condition()) {
        if (msSince(start) > ms) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void release() {
    std::lock_guard<std::mutex> guard(fake.lock);
    fake.released = 1;
    fake.changed.notify_all();
}

// What a row does once the device is open and its three headers written.
enum Act {
    PlayOut,          // wait until every header is handed back, then close
    CloseAtOnce,      // close while the headers play (or record)
    ResetMidWrite,    // reset while the second period's write is under way
    ResetHangsInDrop, // reset, then close while the driver hangs in drop
    OpenOnly,         // nothing: the open failed
};

struct Row {
    const char *name;
    Script script;
    Act act;
    WaveResult openResult; // what open returns
    long openBoundMs;      // the longest open may take
    const char *messages;  // what the window thread sees, in order
    long closeBoundMs;     // the longest close may take
    long lostFromMs;       // lost comes between these after the device last took data (-1: no loss)
    long lostToMs;
};

class DeviceCoreTable : public ::testing::TestWithParam<Row> {};

void prepareHeaders(WaveOutHandle handle) {
    for (int i = 0; i < 4; i++) {
        samples[i].assign(headerBytes, (char)(10 + i));
        headers[i] = WaveHeader{};
        headers[i].lpData = samples[i].data();
        headers[i].dwBufferLength = headerBytes;
        ASSERT_EQ(wavePrepareHeader(handle, &headers[i], sizeof(WaveHeader)), WaveOk);
    }
}

// Writes header i; the write never waits for the device.
void writeHeader(WaveOutHandle handle, int i, WaveResult expected = WaveOk) {
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(waveWrite(handle, &headers[i], sizeof(WaveHeader)), expected);
    EXPECT_LE(msSince(start), slackMs) << "write " << i;
}

TEST_P(DeviceCoreTable, Row) {
    const Row &row = GetParam();
    {
        std::lock_guard<std::mutex> guard(fake.lock);
        fake.script = row.script;
        fake.woken = fake.released = fake.writeUnderWay = 0;
        fake.writes = fake.drops = fake.closes = 0;
        fake.written = 0;
        fake.playing = 0;
        fake.takenSinceDrop.clear();
    }
    {
        std::lock_guard<std::mutex> guard(postedLock);
        posted.clear();
    }
    ASSERT_EQ(deviceThreadsHeld(), 0) << "a row before left a thread running";
    rowStart = Clock::now();

    WaveOutHandle handle = nullptr;
    Window window = (Window)&posted;
    const Clock::time_point opening = Clock::now();
    const WaveResult opened = row.script.capture
                                  ? deviceOpen(&captureDriver, WAVE_MAPPER, &format, window, &handle, captureMessages)
                                  : deviceOpen(row.script.withoutLives ? &playbackWithoutLives : &playbackDriver,
                                               WAVE_MAPPER, &format, window, &handle);
    const long openMs = msSince(opening);
    EXPECT_EQ(opened, row.openResult);
    EXPECT_LE(openMs, row.openBoundMs + slackMs);
    if (row.act == OpenOnly) {
        EXPECT_GE(openMs, bounds.openWaitMs - slackMs) << "open gave up early";
        // The thread closes what it opened late, and ends on its own.
        EXPECT_TRUE(waitFor([] { return deviceThreadsHeld() == 0; }, row.script.openMs + 1000));
        EXPECT_EQ(fake.closes, 1);
        EXPECT_EQ(messagesSeen(), row.messages);
        return;
    }
    ASSERT_EQ(opened, WaveOk);
    WavePosition clock = {};
    EXPECT_EQ(waveGetPosition(handle, &clock), WaveErrorGeneric) << "the clock is read once asked for";
    prepareHeaders(handle);
    for (int i = 0; i < 3; i++)
        writeHeader(handle, i);

    const auto handedBack = [](int count) {
        return [count] {
            for (int i = 0; i < count; i++)
                if (!(headers[i].dwFlags & WHDR_DONE)) return false;
            return true;
        };
    };
    if (row.act == PlayOut) {
        // Three headers play in 750 ms; a silent start or a loss adds to it.
        EXPECT_TRUE(waitFor(handedBack(3), row.script.silentMs + 750 + bounds.startLimitMs + slackMs));
        if (row.lostFromMs >= 0) writeHeader(handle, 3, WaveErrorNoDriver);
        if (row.lostFromMs < 0) {
            // The last reading of the device's clock, taken as the last period
            // moved: within the row, and at most what the device took.
            EXPECT_EQ(waveGetPosition(handle, &clock), WaveOk);
            const int64_t atMs =
                (clock.steadyNs -
                 (int64_t)std::chrono::duration_cast<std::chrono::nanoseconds>(rowStart.time_since_epoch()).count()) /
                1000000;
            EXPECT_GE(atMs, 0);
            EXPECT_LE(atMs, msSince(rowStart));
            EXPECT_LE(clock.samples, 3 * headerBytes / format.blockAlign);
            if (row.script.capture) {
                EXPECT_GE(clock.samples, 2 * headerBytes / format.blockAlign);
            }
        }
    }
    if (row.act == ResetMidWrite) {
        ASSERT_TRUE(waitFor([] { return fake.writeUnderWay; }, 1000));
        const Clock::time_point resetting = Clock::now();
        EXPECT_EQ(waveReset(handle), WaveOk);
        EXPECT_LE(msSince(resetting), slackMs);
        EXPECT_TRUE(handedBack(3)()) << "reset hands every header back at once";
        release(); // the write ends; its period belongs to nobody now
        EXPECT_TRUE(waitFor([] { return fake.drops == 1; }, 1000));
        writeHeader(handle, 3);
        EXPECT_TRUE(waitFor([] { return (headers[3].dwFlags & WHDR_DONE) != 0; }, 1000));
        std::lock_guard<std::mutex> guard(fake.lock);
        EXPECT_EQ(fake.takenSinceDrop, samples[3]) << "after the reset the device gets the new header only";
    }
    if (row.act == ResetHangsInDrop) {
        ASSERT_TRUE(waitFor([] { return fake.written > 0; }, 1000));
        const Clock::time_point resetting = Clock::now();
        EXPECT_EQ(waveReset(handle), WaveOk);
        EXPECT_LE(msSince(resetting), slackMs);
        EXPECT_TRUE(handedBack(3)());
        EXPECT_TRUE(waitFor([] { return fake.drops == 1; }, 1000));
    }

    const Clock::time_point closing = Clock::now();
    EXPECT_EQ(waveClose(handle), WaveOk);
    EXPECT_LE(msSince(closing), row.closeBoundMs + slackMs);
    if (row.act == ResetHangsInDrop) {
        // The thread is held in the driver: the end of the process must not
        // wait for it.
        EXPECT_EQ(deviceThreadsHeld(), 1);
        release();
    }
    // The thread ends on its own; nothing is posted after the close.
    EXPECT_TRUE(waitFor([] { return deviceThreadsHeld() == 0; }, row.script.closeMs + 1000));
    EXPECT_EQ(fake.closes, 1);
    EXPECT_EQ(messagesSeen(), row.messages);

    const long lostAt = timeOf("lost");
    if (row.lostFromMs < 0) {
        EXPECT_EQ(lostAt, -1);
    } else {
        const long sinceTaken =
            lostAt - (long)std::chrono::duration_cast<std::chrono::milliseconds>(fake.lastTaken - rowStart).count();
        EXPECT_GE(sinceTaken, row.lostFromMs - 5);
        EXPECT_LE(sinceTaken, row.lostToMs + slackMs);
    }
    if (row.script.silentMs) {
        EXPECT_GE(timeOf("done2"), row.script.silentMs) << "played before it was heard";
    }
    if (row.script.capture) {
        for (int i = 0; i < 3; i++) {
            EXPECT_EQ(headers[i].dwBytesRecorded, headerBytes);
            for (uint32_t at = 0; at < headerBytes; at++)
                ASSERT_EQ(samples[i][at], (char)(i * headerBytes + at)) << "header " << i << " byte " << at;
        }
    }
}

Script script(void (*set)(Script &)) {
    Script s;
    set(s);
    return s;
}

const long openMs = 100, closeMs = bounds.closeWaitMs;

INSTANTIATE_TEST_SUITE_P(
    Rows, DeviceCoreTable,
    ::testing::Values(Row{"Plays", Script(), PlayOut, WaveOk, openMs, "open done0 done1 done2 close", closeMs, -1, -1},
                      // Takes 3000 bytes and then no more: lost 2 s after it last took data.
                      Row{"Stalls", script([](Script &s) { s.stallAfter = 3000; }), PlayOut, WaveOk, openMs,
                          "open done0 lost done1 done2 close", closeMs, bounds.stallLimitMs, bounds.stallLimitMs},
                      // Fails for good after 3000 bytes: lost at once.
                      Row{"IsLost", script([](Script &s) { s.failAfter = 3000; }), PlayOut, WaveOk, openMs,
                          "open done0 lost done1 done2 close", closeMs, 0, 50},
                      // The same with a driver that names no lives call.
                      Row{"IsLostWithoutLives", script([](Script &s) {
                              s.failAfter = 3000;
                              s.withoutLives = 1;
                          }),
                          PlayOut, WaveOk, openMs, "open done0 lost done1 done2 close", closeMs, 0, 50},
                      // Opens in 2.5 s: given up after 2 s; nothing is posted, and the
                      // thread closes the device itself.
                      Row{"SlowOpen", script([](Script &s) { s.openMs = 2500; }), OpenOnly, WaveErrorBadDevice,
                          bounds.openWaitMs, "", closeMs, -1, -1},
                      // Closes in 1 s: close returns after 150 ms all the same.
                      Row{"SlowClose", script([](Script &s) { s.closeMs = 1000; }), CloseAtOnce, WaveOk, openMs,
                          "open done0 done1 done2 close", closeMs, -1, -1},
                      // Hangs in the drop of a reset: reset and close return at once.
                      Row{"HangsInDriver", script([](Script &s) { s.hangInDrop = 1; }), ResetHangsInDrop, WaveOk,
                          openMs, "open done0 done1 done2 close", closeMs, -1, -1},
                      // Reset while the second period's write is under way: every header
                      // comes back at once, and the period in the write is not played
                      // after it.
                      Row{"ResetMidWrite", script([](Script &s) { s.holdSecondWrite = 1; }), ResetMidWrite, WaveOk,
                          openMs, "open done0 done1 done2 done3 close", closeMs, -1, -1},
                      // Plays nothing for 3 s after its first period, as a sound server
                      // that is slow to start: within the start limit, so not lost.
                      Row{"SilentBeforeFirstBuffer", script([](Script &s) { s.silentMs = 3000; }), PlayOut, WaveOk,
                          openMs, "open done0 done1 done2 close", closeMs, -1, -1},
                      // Capture is one more driver: its headers come back full, in order.
                      Row{"Captures", script([](Script &s) { s.capture = 1; }), PlayOut, WaveOk, openMs,
                          "open data0 data1 data2 close", closeMs, -1, -1}),
    [](const ::testing::TestParamInfo<Row> &info) { return std::string(info.param.name); });

} // namespace
