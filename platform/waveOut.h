// The wave-output operations the stream needs from the platform.
//
// The stream never talks to a sound system directly.  These calls mirror the
// desktop wave-output interface closely enough that the Windows backend
// (platform/win32/win32WaveOut.cpp) maps each one to one call
// (waveOutGetNumDevs, waveOutGetDevCapsA, waveOutOpen, waveOutPrepareHeader,
// waveOutWrite, waveOutUnprepareHeader, waveOutReset, waveOutClose,
// GlobalAlloc, GlobalFree, Sleep); the ALSA backend in platform/linux and the
// scripted fake in tests/fakes implement the same contract:
//
// - waveOpen delivers MM_WOM_OPEN, MM_WOM_CLOSE (on close) and, for every
//   written header the device is finished with, MM_WOM_DONE with the header's
//   address as lParam, as messages posted to the callback window: they are
//   handled on the thread that runs that window.
// - Headers come back in the order they were written.
// - waveReset stops output at once and hands back every queued header, each
//   with its MM_WOM_DONE.
#pragma once

#include <cstdint>

#include "platform/window.h"

struct StreamFormat;

#ifndef MM_WOM_OPEN
#define MM_WOM_OPEN 0x3BB               // 955: the device was opened
#endif
#ifndef MM_WOM_CLOSE
#define MM_WOM_CLOSE 0x3BC              // 956: the device was closed
#endif
#ifndef MM_WOM_DONE
#define MM_WOM_DONE 0x3BD               // 957: lParam's header has been played
#endif
#ifndef WAVE_MAPPER
#define WAVE_MAPPER 0xFFFFFFFFu         // the system's default output device
#endif
#ifndef WHDR_DONE
#define WHDR_DONE 0x00000001u           // header flag: the device is done with it
#define WHDR_PREPARED 0x00000002u       // header flag: prepared
#define WHDR_INQUEUE 0x00000010u        // header flag: queued on the device
#endif

typedef uint32_t WaveResult;            // 0 is success, anything else a failure
const WaveResult WaveOk = 0;
const WaveResult WaveErrorGeneric = 1;      // unspecified failure
const WaveResult WaveErrorBadDevice = 2;    // no such device
const WaveResult WaveErrorAllocated = 4;    // device busy
const WaveResult WaveErrorInvalidHandle = 5;
const WaveResult WaveErrorNoMemory = 7;
const WaveResult WaveErrorBadFormat = 32;   // format refused
const WaveResult WaveErrorStillPlaying = 33;
const WaveResult WaveErrorUnprepared = 34;

struct WaveDevice;                      // defined by each backend
typedef WaveDevice *WaveOutHandle;      // an open output device; null is none

// One queued buffer: the fields of the platform's wave header, in its order.
struct WaveHeader {
    char *lpData;                       // the samples
    uint32_t dwBufferLength;            // bytes to play
    uint32_t dwBytesRecorded;           // unused for output
    uintptr_t dwUser;                   // the owner's word
    uint32_t dwFlags;                   // WHDR_ flags
    uint32_t dwLoops;                   // unused
    WaveHeader *lpNext;                 // reserved for the backend
    uintptr_t reserved;                 // reserved for the backend
};

// What a device says of itself; the stream only asks whether it answers.
struct WaveOutCaps {
    uint16_t wMid;                      // maker id
    uint16_t wPid;                      // product id
    uint32_t vDriverVersion;            // driver version
    char szPname[32];                   // device name
    uint32_t dwFormats;                 // standard formats supported
    uint16_t wChannels;                 // channels
    uint16_t wReserved1;
    uint32_t dwSupport;                 // optional functions
};

// Returns the number of output devices.
uint32_t waveDeviceCount();
// Fills caps for device (or WAVE_MAPPER); returns WaveOk on success.
WaveResult waveDeviceCaps(uint32_t device, WaveOutCaps *caps, uint32_t size);
// Opens device (or WAVE_MAPPER) in format, with callback receiving the
// device's messages; stores the handle.  Returns WaveOk on success.
WaveResult waveOpen(WaveOutHandle *handle, uint32_t device, const StreamFormat *format, Window callback);
// Prepares header for writing.  Returns WaveOk on success.
WaveResult wavePrepareHeader(WaveOutHandle handle, WaveHeader *header, uint32_t size);
// Queues header behind those written before.  Returns WaveOk on success.
WaveResult waveWrite(WaveOutHandle handle, WaveHeader *header, uint32_t size);
// Undoes a prepare once the device is done with header.
WaveResult waveUnprepareHeader(WaveOutHandle handle, WaveHeader *header, uint32_t size);
// Stops output and hands back every queued header.
WaveResult waveReset(WaveOutHandle handle);
// Closes the device.
WaveResult waveClose(WaveOutHandle handle);
// Returns a fixed block of size bytes, not cleared, or null.
void *waveAllocBlock(uint32_t size);
// Frees a block from waveAllocBlock; returns null on success.
void *waveFreeBlock(void *block);
// Gives up the rest of the thread's time slice.
void waveYield();
