// The sound device's thread, written once for every system: the device
// core.  platform/waveOut.h gives the contract the window thread sees; this
// is how the core keeps it, and what it asks of a system's driver.
//
// A driver is a record of calls (DeviceCalls): open in a format, wait until
// a period can move, write (or read) it, drop what the device holds, say
// whether the device lives on after a failure, tell where its clock stands,
// close.  Only the core's device thread calls them, one at a time, except
// wake, which any thread may call.  The core keeps everything else: the
// queue of buffers with its generations, the hand-back in order, reset, the
// watchdog, the bounded open and close, the hand-back of every buffer on
// loss, and the count of threads still held for the end of the process.
//
// The driver's direction says which way a period is copied: a playback
// device takes each buffer a period at a time, and the buffer is handed back
// once all of it is in the device; a capture device fills each buffer a
// period at a time, and the buffer is handed back full (dwBytesRecorded
// set).  The messages are the caller's choice (DeviceMessages).
#pragma once

#include <cstdint>
#include <functional>

#include "platform/waveIn.h"
#include "platform/waveOut.h"

// An open device: each driver's record of one derives from it.
struct OpenedDevice {};

// The way a driver moves the samples.
enum DeviceDirection {
    DevicePlayback, // the core writes each period to the device
    DeviceCapture,  // the core reads each period from the device
};

// A driver: the calls the core makes on a system's devices, filled with
// designated initialisers (the calls that may be null are null when left
// out).  Every call but wake runs on the device thread.
struct DeviceCalls {
    DeviceDirection direction; // which way the core moves each period: write or read
    // Opens device (WAVE_MAPPER: the default) in format for direction (the
    // calls' own).  Returns WaveOk with *opened set and *periodBytes the
    // bytes of one write or read (a whole number of frames), or a failure.
    // May wait as long as the system does: the core gives up on it after a
    // bound.
    WaveResult (*open)(DeviceDirection direction, uint32_t device, const StreamFormat *format, OpenedDevice **opened,
                       uint32_t *periodBytes);
    // Waits at most timeoutMs (-1: without limit) until a period can be
    // written (or read), or until wake is called.  Returns 1 when it can,
    // else 0.
    int (*wait)(OpenedDevice *device, int timeoutMs);
    // Ends a wait at once, or the next one to start.  Any thread may call it.
    void (*wake)(OpenedDevice *device);
    // Playback: gives the device up to bytes (whole frames, at most a
    // period).  Returns the bytes it took, 0 when it has no room now, or -1
    // on a failure.  Null for a capture driver.
    long (*write)(OpenedDevice *device, const char *data, uint32_t bytes) = nullptr;
    // Capture: takes up to bytes from the device.  Returns the bytes taken,
    // 0 when none are ready, or -1 on a failure.  Null for a playback driver.
    long (*read)(OpenedDevice *device, char *data, uint32_t bytes) = nullptr;
    // Drops what the device holds (silence at once) and makes it ready for
    // more.
    void (*drop)(OpenedDevice *device);
    // Asked after a failed write or read: mends the device where it can.
    // Returns 1 when the device lives on (it starts again), 0 when it is lost.
    // May be null: every failure loses the device.
    int (*lives)(OpenedDevice *device) = nullptr;
    // Stores in *frames the frames the device has played (or captured) since
    // it was opened or last dropped, as of now.  Returns 1, or 0 when it
    // cannot tell.  Asked only once the window thread has asked for the clock
    // (waveGetPosition), then after every write (or read) that moves data.
    // May be null: the clock is then never known.
    int (*position)(OpenedDevice *device, uint64_t *frames) = nullptr;
    // Closes the device and frees its record; lost is 1 for a device the core
    // lost, which the driver may leave alone.  Returns 1 when the driver was
    // left open for good (the end of the process must then not wait for it).
    int (*close)(OpenedDevice *device, int lost);
};

// The messages a device posts to its callback window; wParam is the handle,
// lParam the header for done.
struct DeviceMessages {
    unsigned open, close, done, lost;
};

// The bounds of the core, in milliseconds: the defaults are the contract's.
struct DeviceBounds {
    int openWaitMs = 2000;   // open gives up on a device that takes longer
    int closeWaitMs = 150;   // close leaves a slower thread to finish alone
    int stallLimitMs = 2000; // a device that takes (or gives) no data this long is lost
    // The same before the device has moved anything since it was opened or
    // dropped: a sound server can take seconds to start.
    int startLimitMs = 5000;
};

// Opens device with driver on a new device thread, as waveOpen does, in the
// driver's direction.  Returns WaveOk with *handle set and the open message
// posted, or a failure.
WaveResult deviceOpen(const DeviceCalls *driver, uint32_t device, const StreamFormat *format, Window callback,
                      WaveOutHandle *handle,
                      const DeviceMessages &messages = {MM_WOM_OPEN, MM_WOM_CLOSE, MM_WOM_DONE, MM_WOM_LOST},
                      const DeviceBounds &bounds = DeviceBounds());

// Opens device with the capture driver driver for a recording, as recordOpen
// does: deviceOpen with the waveIn messages (MM_WIM_OPEN, MM_WIM_CLOSE,
// MM_WIM_DATA, MM_WIM_LOST).  Returns what deviceOpen returns, with *handle
// set (null unless WaveOk).  In platform/recording.cpp.
WaveResult deviceOpenRecording(const DeviceCalls *driver, uint32_t device, const StreamFormat *format, Window callback,
                               WaveInHandle *handle);

// Runs work on a thread of its own and waits at most ms for it.  Returns 1
// when it ended in time; otherwise 0, and the thread finishes alone (work
// must own what it touches, for instance through a shared pointer).
int runBounded(std::function<void()> work, int ms);

// Returns the threads of the core still running (device threads and those
// of runBounded) plus the drivers left open for good.
int deviceThreadsHeld();
