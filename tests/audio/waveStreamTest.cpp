// The wave output stream against the scripted device: enumeration, open,
// priming, the refill ring, draining, stop and close.
#include <vector>

#include <gtest/gtest.h>

#include "audio/synthesis.h"
#include "audio/waveStream.h"
#include "tests/audio/postRecorder.h"
#include "tests/fakes/fakeWaveOut.h"

namespace {

WindowRecord mainWindow{1};
const unsigned noticeMessage = WM_USER;
const WParam Started = NoticeStarted, Ended = NoticeEnded, Done = NoticeBufferDone;

// Returns the state byte of slot i.
unsigned stateOf(int i) { return (unsigned)((waveStream.slots[i].dwUser >> 8) & 0xFF); }

// Returns the states of the first n slots.
std::vector<unsigned> states(int n) {
    std::vector<unsigned> result;
    for (int i = 0; i < n; i++)
        result.push_back(stateOf(i));
    return result;
}

class StreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetFakeWaveOut();
        waveStream = WaveStream();
        postedMessages.clear();
        countdownActive = 0;
        sampleCapture = SampleCapture{CaptureOff, 0, 0, nullptr};
        ASSERT_EQ(setStreamFormat(1, 1, 132300, 2, 264600, 16, 0, "0.5"), 1);
    }
    void TearDown() override {
        // Hand back what the device still holds, then close.
        if (waveStream.streaming) stopStream();
        deliver();
        closeStream();
        resetFakeWaveOut();
    }

    // Hands every device message posted so far to the stream, in order;
    // handling may post more, which are delivered too.
    void deliver() {
        for (size_t i = delivered; i < postedMessages.size(); i++) {
            PostedMessage m = postedMessages[i];
            if (m.message != noticeMessage) onDeviceMessage(m.message, m.wParam, m.lParam);
        }
        delivered = postedMessages.size();
    }
    // The device hands back its oldest buffer and the stream handles it.
    // Returns the slot index that came back, or -1.
    int returnOne() {
        WaveHeader *header = fakeWaveReturnNext();
        deliver();
        return header ? (int)(header - waveStream.slots) : -1;
    }
    // Returns the notices posted since the last call.
    std::vector<WParam> newNotices() {
        std::vector<WParam> all = postedCodes(noticeMessage);
        std::vector<WParam> fresh(all.begin() + (long)noticesSeen, all.end());
        noticesSeen = all.size();
        return fresh;
    }
    // Enumerates one device and opens the default one with count buffers of
    // 250 ms.
    void openDefault(int32_t count = 3) {
        ASSERT_EQ(enumerateDevices(&mainWindow, noticeMessage), 1);
        ASSERT_EQ(openStream(0, count, 250), 1);
    }

    size_t delivered = 0, noticesSeen = 0;
};

// --- Enumeration ----------------------------------------------------------

struct EnumerationCase {
    uint32_t devices;
    int mapperFails;
    uint32_t capsFailFrom;
    int result;
    uint32_t deviceCount;
    std::vector<uint32_t> queried;
};

TEST_F(StreamTest, EnumerationCountsTheDefaultDeviceAndThoseThatAnswer) {
    const EnumerationCase cases[] = {
        {0, 0, UINT32_MAX, 0, 0, {}},
        {1, 0, UINT32_MAX, 1, 2, {WAVE_MAPPER, 0}},
        {2, 0, UINT32_MAX, 1, 3, {WAVE_MAPPER, 0, 1}},
        {6, 0, UINT32_MAX, 1, 5, {WAVE_MAPPER, 0, 1, 2, 3}},
        {6, 0, 2, 1, 3, {WAVE_MAPPER, 0, 1, 2}},
        {3, 0, 0, 1, 1, {WAVE_MAPPER, 0}}, // only the default device answers
        {3, 1, UINT32_MAX, 0, 0, {WAVE_MAPPER}},
    };
    for (const EnumerationCase &c : cases) {
        resetFakeWaveOut();
        waveStream = WaveStream();
        fakeWaveOut.devices = c.devices;
        fakeWaveOut.mapperCapsFails = c.mapperFails;
        fakeWaveOut.capsFailFrom = c.capsFailFrom;
        EXPECT_EQ(enumerateDevices(&mainWindow, noticeMessage), c.result) << c.devices;
        EXPECT_EQ(waveStream.deviceCount, c.deviceCount) << c.devices;
        EXPECT_EQ(fakeWaveOut.capsQueried, c.queried) << c.devices;
        EXPECT_EQ(waveStream.notifyWindow, &mainWindow);
    }
}

TEST_F(StreamTest, EnumerationWithoutAWindowStoresNothing) {
    EXPECT_EQ(enumerateDevices(nullptr, noticeMessage), 0);
    EXPECT_EQ(waveStream.notifyWindow, nullptr);
    EXPECT_EQ(waveStream.notifyMessage, 0u);
    EXPECT_EQ(fakeWaveOut.countCalls, 0);
}

TEST_F(StreamTest, OpenRefusesWithoutADevice) {
    fakeWaveOut.devices = 0;
    EXPECT_EQ(enumerateDevices(&mainWindow, noticeMessage), 0);
    EXPECT_EQ(openStream(0, 3, 250), 0);
    EXPECT_EQ(fakeWaveOut.openCalls, 0);
    fakeWaveOut.devices = 2;
    fakeWaveOut.mapperCapsFails = 1;
    EXPECT_EQ(enumerateDevices(&mainWindow, noticeMessage), 0);
    EXPECT_EQ(openStream(0, 3, 250), 0);
    EXPECT_EQ(fakeWaveOut.openCalls, 0);
}

// --- Open -------------------------------------------------------------------

TEST_F(StreamTest, DeviceNumbersChooseAnsweringDevicesOrTheDefault) {
    // Three devices answer: numbers 1 to 3 name devices 0 to 2.
    const struct {
        uint32_t number, opened;
    } cases[] = {{0, WAVE_MAPPER}, {1, 0}, {3, 2}, {4, WAVE_MAPPER}, {WAVE_MAPPER, WAVE_MAPPER}};
    fakeWaveOut.devices = 3;
    ASSERT_EQ(enumerateDevices(&mainWindow, noticeMessage), 1);
    for (const auto &c : cases) {
        ASSERT_EQ(openStream(c.number, 3, 250), 1) << c.number;
        EXPECT_EQ(fakeWaveOut.openedDevice, c.opened) << c.number;
        EXPECT_EQ(fakeWaveOut.openedFormat, &streamFormat);
        EXPECT_EQ(fakeWaveOut.callback, &mainWindow);
        closeStream();
    }
}

TEST_F(StreamTest, BufferCountsAreHeldBetweenTwoAndEight) {
    const struct {
        int32_t requested, used;
    } cases[] = {{INT32_MIN, 2}, {-1, 2}, {0, 2}, {1, 2}, {2, 2}, {3, 3}, {8, 8}, {9, 8}, {INT32_MAX, 8}};
    ASSERT_EQ(enumerateDevices(&mainWindow, noticeMessage), 1);
    for (const auto &c : cases) {
        ASSERT_EQ(openStream(0, c.requested, 250), 1) << c.requested;
        EXPECT_EQ(waveStream.bufferCount, c.used) << c.requested;
        EXPECT_EQ(fakeWaveOut.allocSize, 66150u * (uint32_t)c.used) << c.requested;
        closeStream();
    }
}

TEST_F(StreamTest, BufferLengthsAreWholeFramesOfTheRequestedTime) {
    const struct {
        int32_t milliseconds;
        uint32_t bytes;
    } cases[] = {{250, 66150}, {5, 1322}, {1, 264}, {0, 264600}, {-1, 264600}, {1000, 264600}, {16231, 4294722}};
    ASSERT_EQ(enumerateDevices(&mainWindow, noticeMessage), 1);
    for (const auto &c : cases) {
        ASSERT_EQ(openStream(0, 2, c.milliseconds), 1) << c.milliseconds;
        EXPECT_EQ(waveStream.bytesPerBuffer, c.bytes) << c.milliseconds;
        closeStream();
    }
}

TEST_F(StreamTest, OneBlockIsCutIntoTheBuffers) {
    openDefault(3);
    EXPECT_EQ(fakeWaveOut.allocSize, 198450u);
    ASSERT_NE(fakeWaveOut.block, nullptr);
    char *block = (char *)fakeWaveOut.block;
    EXPECT_EQ(waveStream.slots[0].lpData, block);
    EXPECT_EQ(waveStream.slots[1].lpData, block + 66150);
    EXPECT_EQ(waveStream.slots[2].lpData, block + 132300);
}

TEST_F(StreamTest, ASecondOpenChangesNothing) {
    openDefault(3);
    WaveOutHandle device = waveStream.device;
    EXPECT_EQ(openStream(0, 5, 100), 0);
    EXPECT_EQ(waveStream.device, device);
    EXPECT_EQ(waveStream.bufferCount, 3);
    EXPECT_EQ(waveStream.bytesPerBuffer, 66150u);
    EXPECT_EQ(fakeWaveOut.openCalls, 1);
}

TEST_F(StreamTest, AFailedOpenAllocatesNothing) {
    fakeWaveOut.openResult = WaveErrorBadFormat;
    ASSERT_EQ(enumerateDevices(&mainWindow, noticeMessage), 1);
    EXPECT_EQ(openStream(0, 4, 250), 0);
    EXPECT_EQ(waveStream.device, nullptr);
    EXPECT_EQ(waveStream.bufferCount, 4);
    EXPECT_EQ(fakeWaveOut.block, nullptr);
    EXPECT_EQ(fakeWaveOut.allocSize, 0u);
}

TEST_F(StreamTest, WithoutMemoryTheDeviceIsClosedAgain) {
    fakeWaveOut.allocFails = 1;
    ASSERT_EQ(enumerateDevices(&mainWindow, noticeMessage), 1);
    EXPECT_EQ(openStream(0, 3, 250), 0);
    EXPECT_EQ(waveStream.device, nullptr);
    EXPECT_EQ(fakeWaveOut.open, 0);
    EXPECT_EQ(fakeWaveOut.closeCalls, 1);
    // The stream can be opened again once memory is there.
    fakeWaveOut.allocFails = 0;
    EXPECT_EQ(openStream(0, 3, 250), 1);
}

// --- Start and the ring -----------------------------------------------------

TEST_F(StreamTest, StartPrimesEverySlotInOrder) {
    openDefault(3);
    startStream();
    EXPECT_EQ(newNotices(), std::vector<WParam>{Started});
    EXPECT_EQ(waveStream.streaming, 1);
    ASSERT_EQ(fakeWaveOut.written.size(), 3u);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(fakeWaveOut.written[i], &waveStream.slots[i]);
        EXPECT_EQ(waveStream.slots[i].dwBufferLength, 66150u);
        EXPECT_EQ(waveStream.slots[i].dwUser, (uintptr_t)i);
    }
    // 0.5 gives 16383 (0x3FFF) in every sample of every buffer.
    EXPECT_EQ((unsigned char)waveStream.slots[2].lpData[66148], 0xFF);
    EXPECT_EQ((unsigned char)waveStream.slots[2].lpData[66149], 0x3F);
}

TEST_F(StreamTest, ASecondStartDoesNothing) {
    openDefault(3);
    startStream();
    newNotices();
    startStream();
    EXPECT_TRUE(newNotices().empty());
    EXPECT_EQ(fakeWaveOut.writeCalls, 3);
}

TEST_F(StreamTest, TheRingRefillsEachReturnedSlotWithTheNextSamples) {
    ASSERT_EQ(setStreamFormat(1, 1, 132300, 2, 264600, 16, 0, "t"), 1);
    openDefault(3);
    startStream();
    newNotices();
    std::vector<int> order;
    for (int k = 0; k < 7; k++) {
        order.push_back(returnOne());
        EXPECT_EQ(newNotices(), std::vector<WParam>{Done}) << k;
        // The requeued buffer ends with sample (k + 4) * 33075 - 1.
        EXPECT_NEAR(lastSampleTime, ((k + 4) * 33075.0 - 1) / 132300, 1e-9) << k;
    }
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 0, 1, 2, 0}));
    EXPECT_EQ(fakeWaveOut.queue.size(), 3u);
    EXPECT_EQ(states(3), (std::vector<unsigned>{SlotStreaming, SlotStreaming, SlotStreaming}));
}

struct PrimingCase {
    int prepareFailsAt, writeFailsAt;
    int queued; // slots queued before the failure
    std::vector<unsigned> slotStates;
    int unprepares; // unprepare calls during the start
};

TEST_F(StreamTest, AFailedPrimingDrainsWhatWasQueued) {
    const PrimingCase cases[] = {
        {1, 0, 0, {}, 0},
        {0, 1, 0, {}, 1},
        {2, 0, 1, {SlotDraining, SlotFinished, SlotFinished}, 0},
        {0, 2, 1, {SlotDraining, SlotFinished, SlotFinished}, 1},
        {0, 3, 2, {SlotDraining, SlotDraining, SlotFinished}, 1},
    };
    for (const PrimingCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "prepare " << c.prepareFailsAt << " write " << c.writeFailsAt);
        TearDown();
        SetUp();
        delivered = noticesSeen = 0;
        fakeWaveOut.prepareFailsAt = c.prepareFailsAt;
        fakeWaveOut.writeFailsAt = c.writeFailsAt;
        openDefault(3);
        startStream();
        EXPECT_EQ((int)fakeWaveOut.queue.size(), c.queued);
        EXPECT_EQ(fakeWaveOut.unprepareCalls, c.unprepares);
        if (c.queued == 0) {
            EXPECT_EQ(newNotices(), (std::vector<WParam>{Started, Ended}));
            EXPECT_EQ(waveStream.streaming, 0);
            continue;
        }
        EXPECT_EQ(states(3), c.slotStates);
        EXPECT_EQ(newNotices(), std::vector<WParam>{Started});
        for (int k = 0; k < c.queued - 1; k++) {
            returnOne();
            EXPECT_EQ(newNotices(), std::vector<WParam>{Done});
        }
        returnOne();
        EXPECT_EQ(newNotices(), (std::vector<WParam>{Done, Ended}));
        EXPECT_EQ(waveStream.streaming, 0);
        EXPECT_TRUE(fakeWaveOut.queue.empty());
    }
}

TEST_F(StreamTest, AFailedRefillDrainsTheBuffersStillQueued) {
    // Prepares and writes 1 to 4 prime slots 0..2 and refill slot 0; the
    // fifth, refilling slot 1, fails while slots 2 and 0 are queued.
    const struct { int prepareFailsAt, writeFailsAt; } cases[] = {{5, 0}, {0, 5}};
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "prepare " << c.prepareFailsAt << " write " << c.writeFailsAt);
        TearDown();
        SetUp();
        delivered = noticesSeen = 0;
        fakeWaveOut.prepareFailsAt = c.prepareFailsAt;
        fakeWaveOut.writeFailsAt = c.writeFailsAt;
        openDefault(3);
        startStream();
        EXPECT_EQ(returnOne(), 0);
        EXPECT_EQ(returnOne(), 1);
        EXPECT_EQ(states(3), (std::vector<unsigned>{SlotDraining, SlotFinished, SlotDraining}));
        EXPECT_EQ(waveStream.slots[1].dwFlags & WHDR_PREPARED, 0u); // not left prepared
        EXPECT_EQ(newNotices(), (std::vector<WParam>{Started, Done, Done}));
        EXPECT_EQ(returnOne(), 2);
        EXPECT_EQ(newNotices(), std::vector<WParam>{Done});
        EXPECT_EQ(returnOne(), 0);
        EXPECT_EQ(newNotices(), (std::vector<WParam>{Done, Ended}));
        EXPECT_EQ(waveStream.streaming, 0);
        EXPECT_EQ(fakeWaveOut.writeCalls, c.writeFailsAt ? 5 : 4);
    }
}

TEST_F(StreamTest, TwoSlotsDrainToo) {
    fakeWaveOut.writeFailsAt = 3; // the refill of slot 0
    openDefault(2);
    startStream();
    EXPECT_EQ(returnOne(), 0);
    EXPECT_EQ(states(2), (std::vector<unsigned>{SlotFinished, SlotDraining}));
    EXPECT_EQ(returnOne(), 1);
    EXPECT_EQ(newNotices(), (std::vector<WParam>{Started, Done, Done, Ended}));
}

// --- Stop and close ---------------------------------------------------------

TEST_F(StreamTest, StopEndsThePlaybackOnceForAllReturnedBuffers) {
    openDefault(3);
    startStream();
    returnOne();
    newNotices();
    stopStream();
    deliver();
    EXPECT_EQ(fakeWaveOut.resetCalls, 1);
    EXPECT_EQ(newNotices(), (std::vector<WParam>{Done, Ended}));
    EXPECT_EQ(waveStream.streaming, 0);
    EXPECT_EQ(fakeWaveOut.writeCalls, 4); // nothing requeued after the stop
    EXPECT_TRUE(fakeWaveOut.queue.empty());
    stopStream();
    EXPECT_EQ(fakeWaveOut.resetCalls, 1); // no reset once the stream has ended
}

// A lost device hands everything back after its MM_WOM_LOST: the stream ends
// as on a stop and says why, whether it was streaming or already draining.
TEST_F(StreamTest, ALostDeviceEndsThePlaybackAndSaysSo) {
    const struct {
        const char *when;
        int failRefill; // 1: a refill has failed first, the ring drains
        std::vector<WParam> notices;
    } cases[] = {
        {"streaming", 0, {NoticeDeviceLost, Done, Ended}},
        {"draining", 1, {NoticeDeviceLost, Done, Ended}},
    };
    for (const auto &c : cases) {
        TearDown();
        SetUp();
        delivered = noticesSeen = 0;
        openDefault(3);
        startStream();
        if (c.failRefill) {
            fakeWaveOut.writeFailsAt = 4;
            returnOne();
        }
        newNotices();
        int writes = fakeWaveOut.writeCalls;
        fakeWaveLoseDevice();
        deliver();
        EXPECT_EQ(newNotices(), c.notices) << c.when;
        EXPECT_EQ(waveStream.streaming, 0) << c.when;
        EXPECT_EQ(waveStream.deviceLost, 1) << c.when;
        EXPECT_EQ(fakeWaveOut.writeCalls, writes) << c.when; // nothing is queued on a lost device
        closeStream();
        EXPECT_EQ(openStream(0, 3, 250), 1) << c.when; // a new open starts afresh
        EXPECT_EQ(waveStream.deviceLost, 0) << c.when;
    }
}

TEST_F(StreamTest, ALossOfAnotherDeviceIsNoNews) {
    openDefault(3);
    startStream();
    newNotices();
    WaveDevice *other = reinterpret_cast<WaveDevice *>(&mainWindow);
    EXPECT_EQ(onDeviceMessage(MM_WOM_LOST, (WParam)other, 0), 1);
    EXPECT_EQ(waveStream.deviceLost, 0);
    EXPECT_TRUE(newNotices().empty());
    EXPECT_EQ(states(3), (std::vector<unsigned>{SlotStreaming, SlotStreaming, SlotStreaming}));
}

TEST_F(StreamTest, StopBeforeStartLeavesTheDeviceAlone) {
    openDefault(3);
    stopStream();
    EXPECT_EQ(fakeWaveOut.resetCalls, 0);
    EXPECT_TRUE(postedCodes(noticeMessage).empty());
}

TEST_F(StreamTest, CloseAfterTheEndClosesTheDeviceAndFreesTheBlock) {
    openDefault(3);
    startStream();
    stopStream();
    deliver();
    closeStream();
    EXPECT_EQ(fakeWaveOut.open, 0);
    EXPECT_EQ(fakeWaveOut.block, nullptr);
    EXPECT_EQ(waveStream.device, nullptr);
    EXPECT_EQ(waveStream.slots[0].lpData, nullptr);
    EXPECT_EQ(openStream(0, 3, 250), 1); // and the stream can be opened again
}

TEST_F(StreamTest, CloseWhileStreamingEndsThePlaybackWithoutWaiting) {
    openDefault(3);
    startStream();
    newNotices();
    closeStream();
    EXPECT_EQ(waveStream.streaming, 0);
    EXPECT_EQ(newNotices(), std::vector<WParam>{Ended});
    EXPECT_EQ(fakeWaveOut.resetCalls, 1);
    EXPECT_EQ(fakeWaveOut.block, nullptr);
    // The returns the reset posted arrive later and do nothing.
    int writes = fakeWaveOut.writeCalls;
    deliver();
    EXPECT_TRUE(newNotices().empty());
    EXPECT_EQ(fakeWaveOut.writeCalls, writes);
}

TEST_F(StreamTest, CloseWithoutADeviceStillFreesTheBlock) {
    openDefault(3);
    WaveOutHandle device = waveStream.device;
    waveClose(device); // the device went away behind the stream
    waveStream.device = nullptr;
    closeStream();
    EXPECT_EQ(fakeWaveOut.block, nullptr);
    EXPECT_EQ(waveStream.slots[0].lpData, nullptr);
}

// --- Messages -----------------------------------------------------------------

TEST_F(StreamTest, OnlyDeviceMessagesAreClaimed) {
    openDefault(3);
    startStream();
    newNotices();
    const struct {
        unsigned message;
        int claimed;
    } cases[] = {{MM_WOM_OPEN, 1}, {MM_WOM_CLOSE, 1}, {WM_USER, 0}, {WM_TIMER, 0}, {954, 0}, {958, 0}};
    for (const auto &c : cases) {
        EXPECT_EQ(onDeviceMessage(c.message, 0, (LParam)&waveStream.slots[0]), c.claimed) << c.message;
    }
    EXPECT_TRUE(newNotices().empty());
    EXPECT_EQ(fakeWaveOut.writeCalls, 3);
    EXPECT_EQ(fakeWaveOut.unprepareCalls, 0);
}

TEST_F(StreamTest, BufferDoneForAForeignHeaderDoesNothing) {
    openDefault(3);
    startStream();
    newNotices();
    WaveHeader stranger{};
    const LParam addresses[] = {0, (LParam)&stranger, (LParam)&waveStream.slots[3],
                                (LParam)((char *)&waveStream.slots[1] + 4)};
    for (LParam address : addresses)
        EXPECT_EQ(onDeviceMessage(MM_WOM_DONE, 0, address), 1);
    EXPECT_TRUE(newNotices().empty());
    EXPECT_EQ(fakeWaveOut.writeCalls, 3);
}

TEST_F(StreamTest, NotificationMessageZeroPostsNothing) {
    ASSERT_EQ(enumerateDevices(&mainWindow, 0), 1);
    ASSERT_EQ(openStream(0, 3, 250), 1);
    startStream();
    returnOne();
    stopStream();
    deliver();
    EXPECT_EQ(waveStream.streaming, 0);
    for (const PostedMessage &m : postedMessages)
        EXPECT_TRUE(m.message == MM_WOM_DONE || m.message == MM_WOM_OPEN) << m.message;
}

TEST_F(StreamTest, CountdownSilenceIsPrimedAndTheFormulaFollows) {
    openDefault(3);
    countdownActive = 1;
    startStream();
    EXPECT_EQ(waveStream.slots[1].lpData[100], 0);
    countdownActive = 0;
    returnOne(); // slot 0 refilled with the formula
    EXPECT_EQ((unsigned char)waveStream.slots[0].lpData[1], 0x3F);
    EXPECT_EQ(waveStream.slots[1].lpData[101], 0);
}

} // namespace
