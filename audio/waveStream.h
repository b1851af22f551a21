// The wave output stream: one device, a ring of 2 to 8 buffers cut from one
// block, primed by startStream and refilled as the device hands buffers back.
#pragma once

#include <cstdint>

#include "platform/waveOut.h"
#include "platform/window.h"

// What happens to a slot when the device hands its buffer back; kept in the
// second byte of the header's user word.
enum SlotState : uint32_t {
    SlotStreaming = 0, // refilled and queued again
    SlotDraining = 1,  // not refilled; playback is running out
    SlotFinished = 2,  // out of use
};

// Codes posted as wParam of the stream's notification message.
enum PlaybackNotice : uint32_t {
    NoticeStarted = 1,    // the stream started
    NoticeEnded = 2,      // playback is over; the stream may be closed
    NoticeBufferDone = 3, // the device handed back a buffer
    NoticeDeviceLost = 4, // the device was lost; NoticeEnded follows
};

const int32_t playBufferCount = 3;          // buffers Play opens the stream with
const int32_t playBufferMilliseconds = 250; // the length of each: 33075 samples
const int maxStreamSlots = 8;               // slots in the record
const int maxQueriedDevices = 4;            // devices whose capabilities are read

struct WaveStream {
    Window notifyWindow;    // receives notices and device messages
    uint32_t notifyMessage; // message number of notices; 0 posts nothing
    uint32_t deviceCount;   // 0: no usable device
    WaveOutCaps mapperCaps; // capabilities of the default device
    WaveOutCaps deviceCaps[maxQueriedDevices];
    WaveOutHandle device;             // open device, or null
    int32_t streaming;                // 1 from start until the end is recognised
    int32_t deviceLost;               // 1 once the open device was lost
    int32_t bufferCount;              // 2 to 8
    uint32_t bytesPerBuffer;          // whole sample frames
    WaveHeader slots[maxStreamSlots]; // one header per buffer
};

extern WaveStream waveStream; // the one stream of the process

// Stores window and message, counts the devices and reads their
// capabilities.  Returns 1 when a device can be used, else 0.
int enumerateDevices(Window window, uint32_t message);
// Opens device (0: the default one) with bufferCount buffers of
// milliseconds each.  Returns 1, or 0 (nothing allocated).
int openStream(uint32_t device, int32_t bufferCount, int32_t milliseconds);
// Fills and queues every buffer; posts NoticeStarted.
void startStream();
// Handles the device's messages (MM_WOM_LOST too); returns 1 for them, 0
// for any other.
int onDeviceMessage(uint32_t message, WParam wParam, LParam lParam);
// Marks every slot finished and resets the device.
void stopStream();
// Closes the device and frees the buffer block.
void closeStream();
