// The wave-output operations on Windows, through waveOut.
//
// Each open device has a device thread, as on ALSA (alsaWaveOut.cpp).  The
// thread opens the waveOut device with CALLBACK_EVENT, writes a copy of each
// queued buffer to it in order, and hands every buffer back to the window
// thread as MM_WOM_DONE, posted to the callback window, once the driver is
// done with its copy.
//
// The window thread never waits on waveOut.  A driver whose sound server is
// stopped (a suspended machine, a remote session or a Bluetooth sink that
// hangs) can keep waveOutOpen, waveOutReset, waveOutClose and waveOutWrite
// waiting for as long as the server is away, so those calls are made by the
// device thread only; the window thread reaches the device by queuing
// headers and by asking the thread to reset or to end, and waits for it only
// with a bound:
//
// - open waits at most openWaitMs for the thread to open the device, and
//   otherwise gives it up; the thread then closes what it opened and frees
//   the record itself;
// - reset hands every queued header back at once, and the thread resets the
//   driver when it next runs;
// - close waits at most closeWaitMs for the thread to end, and otherwise
//   leaves the thread to finish the close and free the record.
//
// The driver plays the thread's own copies, so a header handed back early
// (by a reset, a close or a loss) is never read again, however long the
// driver keeps its copy.  The thread waits on the driver's event and on a
// wake-up event of its own, which queue, reset and close signal.  A write
// that fails, or a device that hands no buffer back for stallLimitMs while
// buffers wait (no waveOut result reports a driver that simply stops calling
// back), loses the device: the thread posts MM_WOM_LOST, hands back every
// queued header, and later writes fail.  The thread then calls the driver
// no more: a driver that has stopped answering may hang in any call, reset
// and close among them.  It leaves the driver open with the copies it holds,
// which are never freed, and ends at close.
//
// The device count and the capabilities are asked on a thread too, and
// given up after a bound: the first waveOut call connects to the sound
// system and can wait as long.
//
// A thread may still wait inside the driver when the program ends, and a
// lost driver stays open; win32ProcessExit.cpp ends such a process at once.
#include "platform/waveOut.h"

#include <windows.h>

#include <mmsystem.h>

#include <cstddef>
#include <cstring>
#include <deque>

#include "audio/synthesis.h"
#include "platform/win32/win32DeviceThreads.h"

// The core's records are the platform's, field for field.
static_assert(sizeof(WaveHeader) == sizeof(WAVEHDR), "WaveHeader is WAVEHDR");
static_assert(offsetof(WaveHeader, dwUser) == offsetof(WAVEHDR, dwUser), "WaveHeader is WAVEHDR");
static_assert(offsetof(WaveHeader, dwFlags) == offsetof(WAVEHDR, dwFlags), "WaveHeader is WAVEHDR");
static_assert(offsetof(WaveHeader, reserved) == offsetof(WAVEHDR, reserved), "WaveHeader is WAVEHDR");
static_assert(offsetof(StreamFormat, avgBytesPerSec) == offsetof(WAVEFORMATEX, nAvgBytesPerSec),
              "StreamFormat is WAVEFORMATEX");
static_assert(offsetof(StreamFormat, extraSize) == offsetof(WAVEFORMATEX, cbSize), "StreamFormat is WAVEFORMATEX");
static_assert(MM_WOM_DONE == 0x3BD && WAVE_MAPPER == 0xFFFFFFFFu, "the message numbers are the platform's");
static_assert(WaveErrorNoDriver == MMSYSERR_NODRIVER && WaveErrorBadDevice == MMSYSERR_BADDEVICEID,
              "the results are the platform's");

// The driver's copy of one written buffer.
struct DriverBuffer {
    WAVEHDR header;      // what the driver holds; lpData points into data
    WaveHeader *owner;   // the core's header it plays
    uint64_t generation; // the device's generation when it was written
    char *data;
};

struct WaveDevice {
    // Set by the opener before the thread starts, then read only.
    UINT deviceId;
    WAVEFORMATEX format;
    HWND callback;     // receives MM_WOM_* messages
    HANDLE wake;       // an auto-reset event: set to wake the thread
    HANDLE driverDone; // the driver's event: set when it is done with a buffer
    HANDLE thread;

    // The device thread's own.
    HWAVEOUT driver;
    std::deque<DriverBuffer *> inDriver; // written to the driver, oldest first

    SRWLOCK lock;                   // guards the fields below and header flags
    CONDITION_VARIABLE settled;     // open and close wait here, with a bound
    std::deque<WaveHeader *> queue; // written and not yet handed back, oldest first
    size_t given;                   // headers at the queue's front the driver has copies of
    uint64_t generation;            // advanced by every reset: older copies hand nothing back
    int opening;                    // 1 until the thread has opened (or failed to)
    WaveResult openResult;          // what the open came to
    int resetRequested;             // 1: reset the driver
    int closing;                    // 1: the thread ends
    int lost;                       // 1 after the device was lost: writes fail
    int finished;                   // 1 once the thread has let go of the device
    int abandoned;                  // 1: nobody waits any more; the thread frees the record
};

namespace {

const DWORD openWaitMs = 2000;   // open gives up on a device that takes longer
const DWORD closeWaitMs = 150;   // close leaves a slower thread to finish alone
const DWORD stallLimitMs = 2000; // a device that hands nothing back this long is lost
// A device that has not yet handed anything back since it was opened or
// reset may be slower: a sound server can take a few seconds to start.
const DWORD startLimitMs = 5000;
// The count and the capabilities wait this long for the sound system; its
// first answer loads the drivers.
const DWORD queryWaitMs = 4000;

// Holds a device's lock for as long as it lives.
struct Locked {
    SRWLOCK *lock;
    explicit Locked(WaveDevice *device) : lock(&device->lock) { AcquireSRWLockExclusive(lock); }
    ~Locked() { ReleaseSRWLockExclusive(lock); }
};

// Waits on condition, which lock (held) guards, until *flag is wanted or ms
// have passed.  Returns nothing: the caller reads *flag again.
void waitForFlag(CONDITION_VARIABLE *condition, SRWLOCK *lock, const int *flag, int wanted, DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    while (*flag != wanted) {
        const LONG left = (LONG)(until - GetTickCount());
        if (left <= 0) return;
        SleepConditionVariableSRW(condition, lock, (DWORD)left, 0);
    }
}

// Marks header handed back and posts its MM_WOM_DONE.  The caller holds the
// device's lock.
void handBack(WaveDevice *device, WaveHeader *header) {
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    PostMessageW(device->callback, MM_WOM_DONE, (WPARAM)device, (LPARAM)header);
}

// Hands back every queued header in order; the driver's copies of them hand
// nothing back any more.  The caller holds the lock.
void handBackAll(WaveDevice *device) {
    while (!device->queue.empty()) {
        handBack(device, device->queue.front());
        device->queue.pop_front();
    }
    device->given = 0;
    device->generation++;
}

// Marks the device lost, once: posts MM_WOM_LOST and hands back every
// queued header.  Nothing is posted once the device is closing.
void loseDevice(WaveDevice *device) {
    Locked guard(device);
    if (device->lost || device->closing) return;
    device->lost = 1;
    PostMessageW(device->callback, MM_WOM_LOST, (WPARAM)device, 0);
    handBackAll(device);
}

// Returns the next queued header the driver has no copy of, copied into a
// new buffer, or null when there is none (or the device is lost).
DriverBuffer *takeNextHeader(WaveDevice *device) {
    Locked guard(device);
    if (device->lost || device->given >= device->queue.size()) return nullptr;
    WaveHeader *header = device->queue[device->given++];
    DriverBuffer *buffer = new DriverBuffer();
    buffer->data = new char[header->dwBufferLength ? header->dwBufferLength : 1];
    std::memcpy(buffer->data, header->lpData, header->dwBufferLength);
    buffer->header.lpData = buffer->data;
    buffer->header.dwBufferLength = header->dwBufferLength;
    buffer->owner = header;
    buffer->generation = device->generation;
    return buffer;
}

// Frees a buffer the driver no longer holds.
void freeBuffer(DriverBuffer *buffer) {
    delete[] buffer->data;
    delete buffer;
}

// Writes every queued header the driver has no copy of yet.  Returns 1 when
// one was written, 0 when none was; a write that fails loses the device.
int writeWaiting(WaveDevice *device) {
    int wrote = 0;
    while (DriverBuffer *buffer = takeNextHeader(device)) {
        MMRESULT result = waveOutPrepareHeader(device->driver, &buffer->header, sizeof(WAVEHDR));
        if (result == MMSYSERR_NOERROR) {
            result = waveOutWrite(device->driver, &buffer->header, sizeof(WAVEHDR));
            if (result != MMSYSERR_NOERROR) waveOutUnprepareHeader(device->driver, &buffer->header, sizeof(WAVEHDR));
        }
        if (result != MMSYSERR_NOERROR) {
            freeBuffer(buffer);
            loseDevice(device);
            return wrote;
        }
        device->inDriver.push_back(buffer);
        wrote = 1;
    }
    return wrote;
}

// Frees the copies the driver is done with, in order, and hands back the
// headers they played.  Returns the number of copies freed.
int collectPlayed(WaveDevice *device) {
    int collected = 0;
    while (!device->inDriver.empty() && (device->inDriver.front()->header.dwFlags & WHDR_DONE)) {
        DriverBuffer *buffer = device->inDriver.front();
        device->inDriver.pop_front();
        waveOutUnprepareHeader(device->driver, &buffer->header, sizeof(WAVEHDR));
        {
            Locked guard(device);
            if (buffer->generation == device->generation && !device->queue.empty() &&
                device->queue.front() == buffer->owner) {
                device->queue.pop_front();
                device->given--;
                handBack(device, buffer->owner);
            }
        }
        freeBuffer(buffer);
        collected++;
    }
    return collected;
}

// Resets the driver, which may wait for it, and frees the copies it hands
// back, which after a reset are all of them.
void resetDriver(WaveDevice *device) {
    waveOutReset(device->driver);
    collectPlayed(device);
}

// Notes that the thread has let go of the device; when nobody waits for it
// any more, frees the record.  The thread's last act.
void finishThread(WaveDevice *device) {
    noteDeviceThreadEnded();
    int abandoned;
    {
        Locked guard(device);
        device->finished = 1;
        abandoned = device->abandoned;
        WakeAllConditionVariable(&device->settled);
    }
    if (!abandoned) return; // the closer frees the record
    CloseHandle(device->thread);
    CloseHandle(device->wake);
    CloseHandle(device->driverDone);
    delete device;
}

// Frees a record whose thread has ended.
void freeDevice(WaveDevice *device) {
    WaitForSingleObject(device->thread, INFINITE);
    CloseHandle(device->thread);
    CloseHandle(device->wake);
    CloseHandle(device->driverDone);
    delete device;
}

// The device thread: opens the device, then writes each queued header as it
// comes, hands the headers back as the driver finishes them, watches for a
// driver that stops, and serves reset and close.
DWORD WINAPI deviceThread(void *parameter) {
    WaveDevice *device = (WaveDevice *)parameter;
    noteDeviceThreadStarted();
    const MMRESULT opened = waveOutOpen(&device->driver, device->deviceId, &device->format,
                                        (DWORD_PTR)device->driverDone, 0, CALLBACK_EVENT);
    int givenUp;
    {
        Locked guard(device);
        device->openResult = opened;
        device->opening = 0;
        givenUp = device->abandoned;
        WakeAllConditionVariable(&device->settled);
    }
    if (opened != MMSYSERR_NOERROR || givenUp) {
        if (opened == MMSYSERR_NOERROR) waveOutClose(device->driver);
        finishThread(device);
        return 0;
    }
    DWORD lastProgress = GetTickCount(); // the last return, or when buffers began to wait
    int started = 0;                     // 1 once the driver handed a buffer back
    int waiting = 0;                     // 1 while the driver holds buffers the core waits for
    HANDLE events[2] = {device->wake, device->driverDone};
    int lost = 0;
    for (;;) {
        int reset;
        {
            Locked guard(device);
            lost = device->lost;
            if (device->closing) break;
            reset = device->resetRequested;
            device->resetRequested = 0;
        }
        if (lost) { // the driver is left alone from now on
            WaitForSingleObject(device->wake, INFINITE);
            continue;
        }
        if (reset) {
            resetDriver(device);
            started = 0;
        }
        writeWaiting(device);
        if (collectPlayed(device)) {
            lastProgress = GetTickCount();
            started = 1;
        }
        int nowWaiting;
        {
            Locked guard(device);
            nowWaiting = device->given > 0 && !device->lost;
        }
        if (nowWaiting && !waiting) lastProgress = GetTickCount(); // the stall clock runs while buffers wait
        waiting = nowWaiting;
        DWORD timeout = INFINITE;
        if (waiting) {
            const DWORD limit = started ? stallLimitMs : startLimitMs, waited = GetTickCount() - lastProgress;
            if (waited >= limit) {
                loseDevice(device); // the driver stopped handing buffers back
                continue;
            }
            timeout = limit - waited;
        }
        WaitForMultipleObjects(2, events, FALSE, timeout);
    }
    if (!lost) {
        resetDriver(device);
        waveOutClose(device->driver);
    } else {
        noteDriverLeftOpen();
    }
    finishThread(device);
    return 0;
}

// Starts a device thread for deviceId and waits up to openWaitMs for its
// open.  Returns WaveOk with *handle set, or a failure; a thread that is
// still opening is left to end on its own.
WaveResult startDevice(UINT deviceId, const StreamFormat *format, HWND callback, WaveOutHandle *handle) {
    WaveDevice *device = new WaveDevice();
    device->deviceId = deviceId;
    std::memcpy(&device->format, format, sizeof device->format);
    device->callback = callback;
    device->wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    device->driverDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    InitializeSRWLock(&device->lock);
    InitializeConditionVariable(&device->settled);
    device->opening = 1;
    device->thread =
        device->wake && device->driverDone ? CreateThread(nullptr, 0, deviceThread, device, 0, nullptr) : nullptr;
    if (!device->thread) {
        if (device->wake) CloseHandle(device->wake);
        if (device->driverDone) CloseHandle(device->driverDone);
        delete device;
        return WaveErrorNoMemory;
    }

    AcquireSRWLockExclusive(&device->lock);
    waitForFlag(&device->settled, &device->lock, &device->opening, 0, openWaitMs);
    if (device->opening) {
        device->abandoned = 1; // the thread closes what it opens and frees the record
        ReleaseSRWLockExclusive(&device->lock);
        return WaveErrorBadDevice;
    }
    const WaveResult result = device->openResult;
    ReleaseSRWLockExclusive(&device->lock);
    if (result != WaveOk) {
        freeDevice(device); // the thread has ended or is about to
        return result;
    }
    *handle = device;
    return WaveOk;
}

// One question to the sound system, the device count or a device's
// capabilities, asked on a thread of its own.  winmm connects to the sound
// system at its first call: under Wine, with the sound server stopped, the
// count waits for as long as the server is away, before the window exists.
struct DeviceQuery {
    int countOnly;     // 1: the count; 0: device's capabilities
    UINT device;       // set by the asker
    WAVEOUTCAPSA caps; // the answer
    MMRESULT result;   // the count, or the capabilities' result
    SRWLOCK lock;      // guards the fields below
    CONDITION_VARIABLE answered;
    int done;      // 1 once the answer is in
    int abandoned; // 1: nobody waits any more; the thread frees the record
};

// Asks the question, and frees the record when the asker has given up on it.
DWORD WINAPI queryThread(void *parameter) {
    DeviceQuery *query = (DeviceQuery *)parameter;
    noteDeviceThreadStarted();
    const MMRESULT result = query->countOnly ? (MMRESULT)waveOutGetNumDevs()
                                             : waveOutGetDevCapsA(query->device, &query->caps, sizeof query->caps);
    AcquireSRWLockExclusive(&query->lock);
    query->result = result;
    query->done = 1;
    const int abandoned = query->abandoned;
    WakeAllConditionVariable(&query->answered);
    ReleaseSRWLockExclusive(&query->lock);
    noteDeviceThreadEnded();
    if (abandoned) delete query;
    return 0;
}

// Returns 1 when query was answered within queryWaitMs; then the caller
// reads and frees it.  Returns 0 otherwise; then the record is the thread's.
int runQuery(DeviceQuery *query) {
    InitializeSRWLock(&query->lock);
    InitializeConditionVariable(&query->answered);
    HANDLE thread = CreateThread(nullptr, 0, queryThread, query, 0, nullptr);
    if (!thread) {
        delete query;
        return 0;
    }
    CloseHandle(thread);
    AcquireSRWLockExclusive(&query->lock);
    waitForFlag(&query->answered, &query->lock, &query->done, 1, queryWaitMs);
    const int done = query->done;
    if (!done) query->abandoned = 1;
    ReleaseSRWLockExclusive(&query->lock);
    return done;
}

} // namespace

// A device that does not answer the count within queryWaitMs counts as none,
// as one that does not open does on ALSA.
uint32_t waveDeviceCount() {
    DeviceQuery *query = new DeviceQuery();
    query->countOnly = 1;
    if (!runQuery(query)) return 0;
    const uint32_t count = query->result;
    delete query;
    return count;
}

// Only the answer matters to the stream; the name is kept short enough for
// the record, in the system's code page.  A device that does not answer
// within queryWaitMs is a bad one.
WaveResult waveDeviceCaps(uint32_t device, WaveOutCaps *caps, uint32_t size) {
    DeviceQuery *query = new DeviceQuery();
    query->device = (UINT)device;
    if (!runQuery(query)) return WaveErrorBadDevice;
    const MMRESULT result = query->result;
    const WAVEOUTCAPSA platformCaps = query->caps;
    delete query;
    if (result == MMSYSERR_NOERROR && caps && size >= sizeof *caps) {
        *caps = WaveOutCaps{};
        caps->wMid = platformCaps.wMid;
        caps->wPid = platformCaps.wPid;
        caps->vDriverVersion = platformCaps.vDriverVersion;
        lstrcpynA(caps->szPname, platformCaps.szPname, sizeof caps->szPname);
        caps->dwFormats = platformCaps.dwFormats;
        caps->wChannels = platformCaps.wChannels;
        caps->dwSupport = platformCaps.dwSupport;
    }
    return result;
}

WaveResult waveOpen(WaveOutHandle *handle, uint32_t device, const StreamFormat *format, Window callback) {
    if (!handle || !format) return WaveErrorGeneric;
    *handle = nullptr;
    const WaveResult result = startDevice((UINT)device, format, (HWND)callback, handle);
    if (result == WaveOk) PostMessageW((HWND)callback, MM_WOM_OPEN, (WPARAM)*handle, 0);
    return result;
}

WaveResult wavePrepareHeader(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    if (!handle) return WaveErrorInvalidHandle;
    if (!header || !header->lpData || size < sizeof(WaveHeader)) return WaveErrorGeneric;
    Locked guard(handle);
    header->dwFlags |= WHDR_PREPARED;
    return WaveOk;
}

WaveResult waveWrite(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    if (!handle) return WaveErrorInvalidHandle;
    if (!header || size < sizeof(WaveHeader)) return WaveErrorGeneric;
    Locked guard(handle);
    if (!(header->dwFlags & WHDR_PREPARED)) return WaveErrorUnprepared;
    if (header->dwFlags & WHDR_INQUEUE) return WaveErrorStillPlaying;
    if (handle->lost) return WaveErrorNoDriver;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    handle->queue.push_back(header);
    SetEvent(handle->wake);
    return WaveOk;
}

WaveResult waveUnprepareHeader(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    if (!handle) return WaveErrorInvalidHandle;
    if (!header || size < sizeof(WaveHeader)) return WaveErrorGeneric;
    Locked guard(handle);
    if (header->dwFlags & WHDR_INQUEUE) return WaveErrorStillPlaying;
    header->dwFlags &= ~WHDR_PREPARED;
    return WaveOk;
}

// Hands every queued header back at once; the device thread resets the
// driver as soon as it runs.
WaveResult waveReset(WaveOutHandle handle) {
    if (!handle) return WaveErrorInvalidHandle;
    Locked guard(handle);
    handBackAll(handle);
    handle->resetRequested = 1;
    SetEvent(handle->wake);
    return WaveOk;
}

// Closes the device; buffers still queued are handed back first.  A thread
// that does not end within closeWaitMs (its driver hangs in a call) ends
// later on its own and frees the record then.
WaveResult waveClose(WaveOutHandle handle) {
    if (!handle) return WaveErrorInvalidHandle;
    HWND callback = handle->callback;
    AcquireSRWLockExclusive(&handle->lock);
    handBackAll(handle);
    handle->closing = 1;
    SetEvent(handle->wake);
    waitForFlag(&handle->settled, &handle->lock, &handle->finished, 1, closeWaitMs);
    const int finished = handle->finished;
    if (!finished) handle->abandoned = 1;
    ReleaseSRWLockExclusive(&handle->lock);
    if (finished) freeDevice(handle);
    PostMessageW(callback, MM_WOM_CLOSE, (WPARAM)handle, 0);
    return WaveOk;
}

// waveOut does not say how often the device ran dry.
uint32_t waveUnderrunCount() { return 0; }

void *waveAllocBlock(uint32_t size) { return (void *)GlobalAlloc(GMEM_FIXED, size); }

void *waveFreeBlock(void *block) { return (void *)GlobalFree((HGLOBAL)block); }
