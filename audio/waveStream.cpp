// The wave output stream: one device and a ring of buffers cut from one
// block.  Every buffer is primed with the generator and queued; each buffer
// the device hands back is refilled in place and queued again, so the queue
// order stays 0, 1, ..., n-1, 0, 1, ...  A buffer that can no longer be
// filled or queued turns the ring into a drain: the buffers still queued play
// out and the return of the last of them ends the playback.  A device that is
// lost hands every buffer back: the stream says so, and the first return ends
// the playback as a stop does.
//
// Everything here runs on the thread that runs the notification window; the
// device's messages reach onDeviceMessage through that window.
#include "audio/waveStream.h"
#include <cstddef>

#include "audio/synthesis.h"

WaveStream waveStream;

namespace {

const uint32_t headerSize = sizeof(WaveHeader);

// The slot's user word:
//
//   31            16 15     8 7      0
//   +---------------+--------+--------+
//   |       0       | state  | index  |
//   +---------------+--------+--------+
//
// Writing the index as a whole word also sets the state to SlotStreaming.

// Returns the slot index kept in header's user word.
inline int slotIndex(const WaveHeader *header) { return (int)(header->dwUser & 0xFF); }
// Returns the SlotState kept in header's user word.
inline SlotState slotState(const WaveHeader *header) { return (SlotState)((header->dwUser >> 8) & 0xFF); }
// Changes only the state byte of header's user word.
inline void setSlotState(WaveHeader *header, SlotState state) {
    header->dwUser = (header->dwUser & ~(uintptr_t)0xFF00) | ((uintptr_t)state << 8);
}

// Sets the first bufferCount slots to state.
void setAllSlots(SlotState state) {
    for (int i = 0; i < waveStream.bufferCount; i++)
        setSlotState(&waveStream.slots[i], state);
}

// Posts notice to the notification window unless the message number is 0.
void postNotice(PlaybackNotice notice) {
    if (waveStream.notifyMessage != 0)
        postMessage(waveStream.notifyWindow, waveStream.notifyMessage, (WParam)notice, 0);
}

// Clears the streaming flag and posts NoticeEnded, once per playback.
void endPlayback() {
    if (waveStream.streaming) {
        waveStream.streaming = 0;
        postNotice(NoticeEnded);
    }
}

// Returns 1 after preparing and writing header; on a failed write the header
// is unprepared again.  Returns 0 when either step fails.
int queueHeader(WaveHeader *header) {
    header->dwFlags = 0;
    if (wavePrepareHeader(waveStream.device, header, headerSize) != WaveOk) return 0;
    if (waveWrite(waveStream.device, header, headerSize) != WaveOk) {
        waveUnprepareHeader(waveStream.device, header, headerSize);
        return 0;
    }
    return 1;
}

// Handles the return of header: refills and requeues it, or drains and ends.
void onBufferDone(WaveHeader *header) {
    SlotState state = slotState(header); // read before anything else
    waveUnprepareHeader(waveStream.device, header, headerSize);
    if (waveStream.streaming) postNotice(NoticeBufferDone);

    if (state == SlotDraining) {
        setSlotState(header, SlotFinished);
        int next = (slotIndex(header) + 1) % waveStream.bufferCount;
        state = slotState(&waveStream.slots[next]);
        if (state == SlotDraining) return; // the next buffer is still playing
    }
    if (state == SlotFinished) {
        endPlayback();
        return;
    }
    // The length set when the slot was primed stays: the generator always
    // fills the whole buffer.
    if (generateSamples(header->lpData, (int32_t)waveStream.bytesPerBuffer) != 0 && queueHeader(header)) return;
    // Nothing more can be queued: the buffers still queued play out, and the
    // last of them (the one before this slot in ring order) finds this slot
    // finished and ends the playback.
    setAllSlots(SlotDraining);
    setSlotState(header, SlotFinished);
}

} // namespace

// Returns 1 when the default device answers and at least it can be used,
// else 0.  Stores window and message.
//
// The device count is the number of device numbers that open accepts: 1 for
// the default device (the mapper) plus one for each device, in order from
// device 0 and at most 4, whose capabilities could be read before the first
// that failed.  So it is 0 exactly when enumeration fails, a success always
// leaves at least the default device usable, and device numbers 1 to
// count - 1 name devices 0 to count - 2, every one of which answered.
int enumerateDevices(Window window, uint32_t message) {
    if (!window) return 0;
    waveStream.notifyWindow = window;
    waveStream.notifyMessage = message;
    uint32_t devices = waveDeviceCount();
    waveStream.deviceCount = devices;
    if (devices == 0) return 0;
    if (devices > (uint32_t)maxQueriedDevices) devices = maxQueriedDevices;
    if (waveDeviceCaps(WAVE_MAPPER, &waveStream.mapperCaps, sizeof(WaveOutCaps)) != WaveOk) {
        waveStream.deviceCount = 0;
        return 0;
    }
    uint32_t answered = 0;
    while (answered < devices &&
           waveDeviceCaps(answered, &waveStream.deviceCaps[answered], sizeof(WaveOutCaps)) == WaveOk)
        answered++;
    waveStream.deviceCount = answered + 1;
    return 1;
}

// Returns 1 after opening the device and cutting one block into the buffers;
// returns 0 with no device usable, a device already open, a failed open or no
// memory (then nothing stays allocated and no device stays open).
int openStream(uint32_t device, int32_t bufferCount, int32_t milliseconds) {
    if (waveStream.deviceCount == 0 || waveStream.device) return 0;
    if (bufferCount <= 1)
        bufferCount = 2;
    else if (bufferCount > maxStreamSlots)
        bufferCount = maxStreamSlots;
    waveStream.bufferCount = bufferCount;
    waveStream.streaming = 0;
    waveStream.deviceLost = 0;

    // 0 and any number past the devices that answered choose the mapper.
    uint32_t target = WAVE_MAPPER;
    if (device >= 1 && device < waveStream.deviceCount) target = device - 1;
    if (waveOpen(&waveStream.device, target, &streamFormat, waveStream.notifyWindow) != WaveOk) {
        waveStream.device = nullptr;
        return 0;
    }

    if (milliseconds <= 0) milliseconds = 1000;
    uint32_t bytes = (uint32_t)(streamFormat.avgBytesPerSec * (uint32_t)milliseconds / 1000u);
    if (streamFormat.blockAlign != 0) bytes -= bytes % streamFormat.blockAlign;
    waveStream.bytesPerBuffer = bytes;

    char *block = (char *)waveAllocBlock(bytes * (uint32_t)bufferCount);
    if (!block) {
        closeStream();
        return 0;
    }
    for (int i = 0; i < bufferCount; i++)
        waveStream.slots[i].lpData = block + (size_t)i * bytes;
    return 1;
}

// Sets the streaming flag, posts NoticeStarted and primes the slots in index
// order.  Does nothing while streaming.  When not even slot 0 can be queued
// the playback ends at once; when slot k > 0 cannot, the k queued slots drain.
void startStream() {
    if (waveStream.streaming) return;
    waveStream.streaming = 1;
    postNotice(NoticeStarted);

    int queued = 0;
    for (; queued < waveStream.bufferCount; queued++) {
        WaveHeader *header = &waveStream.slots[queued];
        int32_t produced = generateSamples(header->lpData, (int32_t)waveStream.bytesPerBuffer);
        header->dwBufferLength = (uint32_t)produced;
        if (produced == 0) break;
        header->dwUser = (uintptr_t)queued; // index, state SlotStreaming
        if (!queueHeader(header)) break;
    }
    if (queued == waveStream.bufferCount) {
        if (waveStream.slots[queued - 1].dwBufferLength < waveStream.bytesPerBuffer)
            setAllSlots(SlotDraining); // the generator ran short: play out
        return;
    }
    if (queued == 0) {
        endPlayback();
        return;
    }
    for (int i = 0; i < waveStream.bufferCount; i++)
        setSlotState(&waveStream.slots[i], i < queued ? SlotDraining : SlotFinished);
}

// Returns 1 for the device's messages (handling MM_WOM_DONE and
// MM_WOM_LOST), 0 for any other message, which it leaves alone.
int onDeviceMessage(uint32_t message, WParam wParam, LParam lParam) {
    if (message == MM_WOM_OPEN || message == MM_WOM_CLOSE) return 1;
    if (message == MM_WOM_LOST) {
        // The device hands its buffers back next; with every slot finished
        // the first of them ends the playback.  A loss of a device closed
        // since is no news.
        if (waveStream.device && (WaveOutHandle)wParam == waveStream.device && !waveStream.deviceLost) {
            waveStream.deviceLost = 1;
            if (waveStream.streaming) {
                setAllSlots(SlotFinished);
                postNotice(NoticeDeviceLost);
            }
        }
        return 1;
    }
    if (message != MM_WOM_DONE) return 0;
    // Only a header of the ring is acted on: a null or foreign address in
    // the message would otherwise be read and written through.
    uintptr_t address = (uintptr_t)lParam, first = (uintptr_t)waveStream.slots;
    uintptr_t offset = address - first;
    if (address >= first && offset < (uintptr_t)waveStream.bufferCount * sizeof(WaveHeader) &&
        offset % sizeof(WaveHeader) == 0)
        onBufferDone(&waveStream.slots[offset / sizeof(WaveHeader)]);
    return 1;
}

// Marks every slot finished and resets the device, which hands every queued
// buffer back; the first return then ends the playback.  Does nothing while
// not streaming.
void stopStream() {
    if (!waveStream.streaming) return;
    setAllSlots(SlotFinished);
    waveReset(waveStream.device);
}

// Closes the device (stopping a stream that still plays and ending its
// playback) and frees the buffer block.
void closeStream() {
    if (waveStream.device) {
        if (waveStream.streaming) {
            // The buffers handed back by the reset arrive as messages of this
            // very thread, so waiting here for them to end the playback would
            // never return.  The reset has given every buffer back; end the
            // playback now.  Their messages, handled later, find the stream
            // ended and do nothing.
            stopStream();
            endPlayback();
        }
        waveClose(waveStream.device);
        waveStream.device = nullptr;
    }
    if (waveStream.slots[0].lpData) waveStream.slots[0].lpData = (char *)waveFreeBlock(waveStream.slots[0].lpData);
}
