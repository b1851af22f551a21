// The wave-output operations the stream needs from the platform.
//
// The stream never talks to a sound system directly.  These calls mirror the
// desktop wave-output interface (waveOutGetNumDevs, waveOutGetDevCapsA,
// waveOutOpen, waveOutPrepareHeader, waveOutWrite, waveOutUnprepareHeader,
// waveOutReset, waveOutClose, GlobalAlloc, GlobalFree; waveOut has no underrun
// count, so waveUnderrunCount gives 0 there).  The calls that can wait on the
// device run on a device thread of the device core, described below.
//
// Backends: the device core with the ALSA driver (platform/linux/
// alsaWaveOut.cpp, on Linux) or the waveOut driver
// (platform/win32/win32WaveOut.cpp, on Windows), and the scripted fake
// tests/fakes/fakeWaveOut.cpp (for tests).  All keep the same contract:
//
// - waveOpen delivers MM_WOM_OPEN, MM_WOM_CLOSE (on close) and, for every
//   written header the device is finished with, MM_WOM_DONE with the header's
//   address as lParam, as messages posted to the callback window: they are
//   handled on the thread that runs that window.
// - Headers come back in the order they were written.
// - waveReset stops output at once and hands back every queued header, each
//   with its MM_WOM_DONE.
// - The calls that the window thread makes return within a bound whatever the
//   device does: reset, write, prepare and unprepare never wait for the
//   device, close waits for it briefly, and open, the count and the
//   capabilities wait for a connection a bounded time (a backend gives a
//   device that answers too slowly up as missing).  A device that hangs
//   inside a platform call has that call finished off the window thread, and
//   nothing more is posted for a device that has been closed.
// - A device that is lost (a failure that the backend cannot mend, the sound
//   server gone, or a device that takes no data for about 2 s while buffers
//   wait; a few seconds more before it has played anything, since a server
//   may be slow to start) posts MM_WOM_LOST once, then hands back every
//   header still queued, each with its MM_WOM_DONE; from then on writes fail
//   with WaveErrorNoDriver.  The owner closes the device as usual.
//
// How the backends keep that: the device core and its drivers.
//
// - The device core (platform/deviceCore.cpp, written once for every
//   system) owns the device thread of each open device, and with it
//   everything above: the queue of headers with its generations, the
//   hand-back in order, reset, the watchdog, the bounded open and close, and
//   the hand-back of every header on loss.  Open waits at most 2 s for the
//   thread, close 150 ms; a thread that is slower finishes alone and frees
//   its record.  The thread moves each buffer a period at a time through a
//   buffer of its own and hands it back as MM_WOM_DONE once the device has
//   all of it, so a buffer handed back early (by a reset, a close or a loss)
//   is never read again.  A reset hands the buffers back at once and the
//   thread drops what the device holds when the device lets it.
// - Beneath it each system has a driver, a record of calls
//   (platform/deviceCore.h): open with a format; wait until a period can be
//   written; write a period; drop what the device holds; say whether the
//   device still lives after a failure; close.  Only the device thread calls
//   them, so none of them can hold up the window thread:
//   platform/linux/alsaWaveOut.cpp opens the ALSA device, writes without
//   blocking and waits in poll; platform/win32/win32WaveOut.cpp opens the
//   waveOut device (CALLBACK_EVENT) and writes each period as a copy into
//   one of four buffers of its own.  A capture driver is one more driver
//   whose buffers come back full.
// - Counting opens the default device on a thread of the core on Linux; on
//   Windows the count and each device's capabilities are asked on one, which
//   waveDeviceCount and waveDeviceCaps wait for at most 4 s (winmm connects
//   to the sound system at its first call).
// - The watchdog is the core's: while a period waits, a device that takes no
//   data for 2 s is lost, 5 s before it has taken any since it was opened
//   or reset (a waveOut driver that stops calling back keeps all its
//   buffers, so it takes no data either).  A write that fails for good
//   (ALSA's recovery cannot mend it; any failed waveOutWrite) loses the
//   device too.  A lost device is called no more but to close it; the
//   waveOut driver leaves even that undone, its driver open with the copies
//   it holds.
// - At the end of a program waveProcessExit ends the process at once while a
//   thread of the core still runs or a lost driver stays open, on Windows,
//   since the sound system's clean-up at exit would fail beneath them.
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
// Stores in *position the device's last reading of its clock, taken as each
// period moves once the clock was first asked for.  Returns WaveOk, or
// WaveErrorGeneric when the device has not told one since it was opened or
// reset, or since the first call (or cannot tell).
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
