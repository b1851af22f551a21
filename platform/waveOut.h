// The wave-output operations the stream needs from the platform.
//
// The stream never talks to a sound system directly.  These calls mirror the
// desktop wave-output interface (waveOutGetNumDevs, waveOutGetDevCapsA,
// waveOutOpen, waveOutPrepareHeader, waveOutWrite, waveOutUnprepareHeader,
// waveOutReset, waveOutClose, waveOutGetPosition, GlobalAlloc, GlobalFree;
// waveOut has no underrun count, so waveUnderrunCount gives 0 there).
//
// Every backend keeps the same contract: the device core with a system's
// driver (platform/deviceCore.h; the ALSA driver on Linux, the winmm driver
// on Windows) and the scripted fake tests/fakes/fakeWaveOut.cpp.
//
// - waveOpen delivers MM_WOM_OPEN, MM_WOM_CLOSE (on close) and, for every
//   written header the device is finished with, MM_WOM_DONE with the
//   header's address as lParam, as messages posted to the callback window:
//   they are handled on the thread that runs that window.
// - Headers come back in the order they were written.
// - waveReset stops output at once and hands back every queued header, each
//   with its MM_WOM_DONE.
// - The calls that the window thread makes return within a bound whatever
//   the device does: reset, write, prepare and unprepare never wait for the
//   device, close waits for it briefly, and open, the count and the
//   capabilities wait for a connection a bounded time (a device that answers
//   too slowly counts as missing).  A call that hangs in the sound system
//   hangs off the window thread, and nothing more is posted for a device
//   that has been closed.
// - A device that is lost (a failure that the backend cannot mend, the sound
//   server gone, or a device that takes no data for the core's stall limit
//   while buffers wait, its start limit before it has played anything)
//   posts MM_WOM_LOST once, then hands back every header still queued, each
//   with its MM_WOM_DONE; from then on writes fail with WaveErrorNoDriver.
//   The owner closes the device as usual.
// - waveProcessExit ends the process at once where a thread of the backend
//   may still be held in the sound system, whose clean-up at exit would fail
//   beneath it.
//
// How the core keeps the contract, and its bounds (DeviceBounds), are in
// platform/deviceCore.h; what the devices of each system do is in its
// driver (platform/linux/alsaDevice.cpp, platform/win32/win32WaveDevice.cpp).
#pragma once

#include <cstdint>

#include "platform/window.h"

struct StreamFormat;

#ifndef MM_WOM_OPEN
#define MM_WOM_OPEN 0x3BB // 955: the device was opened
#endif
#ifndef MM_WOM_CLOSE
#define MM_WOM_CLOSE 0x3BC // 956: the device was closed
#endif
#ifndef MM_WOM_DONE
#define MM_WOM_DONE 0x3BD // 957: lParam's header has been played
#endif
// The device was lost; not a platform message (it lies in the WM_APP range
// so that it meets none), posted by the backend.  wParam: the handle.
#define MM_WOM_LOST 0x83BD
#ifndef WAVE_MAPPER
#define WAVE_MAPPER 0xFFFFFFFFu // the system's default output device
#endif
#ifndef WHDR_DONE
#define WHDR_DONE 0x00000001u     // header flag: the device is done with it
#define WHDR_PREPARED 0x00000002u // header flag: prepared
#define WHDR_INQUEUE 0x00000010u  // header flag: queued on the device
#endif

typedef uint32_t WaveResult; // 0 is success, anything else a failure
const WaveResult WaveOk = 0;
const WaveResult WaveErrorGeneric = 1;   // unspecified failure
const WaveResult WaveErrorBadDevice = 2; // no such device
const WaveResult WaveErrorAllocated = 4; // device busy
const WaveResult WaveErrorInvalidHandle = 5;
const WaveResult WaveErrorNoDriver = 6; // the device is gone
const WaveResult WaveErrorNoMemory = 7;
const WaveResult WaveErrorBadFormat = 32; // format refused
const WaveResult WaveErrorStillPlaying = 33;
const WaveResult WaveErrorUnprepared = 34;

struct WaveDevice;                 // defined by the device core (or the fake)
typedef WaveDevice *WaveOutHandle; // an open output device; null is none

// One queued buffer: the fields of the platform's wave header, in its order.
struct WaveHeader {
    char *lpData;             // the samples
    uint32_t dwBufferLength;  // bytes to play
    uint32_t dwBytesRecorded; // unused for output
    uintptr_t dwUser;         // the owner's word
    uint32_t dwFlags;         // WHDR_ flags
    uint32_t dwLoops;         // unused
    WaveHeader *lpNext;       // reserved for the backend
    uintptr_t reserved;       // reserved for the backend
};

// What a device says of itself; the stream only asks whether it answers.
// The ALSA backend knows only the name and leaves the other fields 0.
struct WaveOutCaps {
    uint16_t wMid;           // maker id
    uint16_t wPid;           // product id
    uint32_t vDriverVersion; // driver version
    char szPname[32];        // device name
    uint32_t dwFormats;      // standard formats supported
    uint16_t wChannels;      // channels
    uint16_t wReserved1;
    uint32_t dwSupport; // optional functions
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
// Where a device's clock stands: the samples it has played (or recorded)
// since it was opened or last reset, as of steadyNs, a reading of the
// monotonic clock (std::chrono::steady_clock) in nanoseconds.
struct WavePosition {
    uint64_t samples;
    int64_t steadyNs;
};
// Stores in *position the device's last reading of its clock, taken after
// each write (or read) that moves data once the clock was asked for (the
// first call asks).  Returns WaveOk, or WaveErrorGeneric when the device has
// not told one since it was opened or reset, or since the first call (or
// cannot tell).
WaveResult waveGetPosition(WaveOutHandle handle, WavePosition *position);
// Returns the underruns that the backend has seen on every device of the
// process so far (the device ran dry and had to be started again); 0 where
// the platform reports none.
uint32_t waveUnderrunCount();
// Returns a fixed block of size bytes, not cleared, or null.
void *waveAllocBlock(uint32_t size);
// Frees a block from waveAllocBlock; returns null on success.
void *waveFreeBlock(void *block);
// Returns exitCode, for a program to end with.  Where a device thread of
// the backend may still be held inside a platform call, and the platform's
// clean-up at exit would fail beneath it, ends the process at once with
// exitCode instead (after flushing the C streams).
int waveProcessExit(int exitCode);
