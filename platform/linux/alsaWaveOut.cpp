// The wave-output operations on ALSA.
//
// "Open" opens an ALSA playback device through the plug layer, which
// converts and resamples where the hardware cannot (on a desktop the default
// device usually leads to PipeWire or PulseAudio, which resample anyway).
// Each open device has a device thread.  It opens and configures the device,
// then writes the queued buffers in order, one period at a time, and hands
// every buffer back to the window thread as MM_WOM_DONE, posted to the
// callback window, once all of it is in the device (alsaDevice.cpp sets the
// device up).
//
// The window thread never waits on ALSA.  Through the pulse plugin almost
// every ALSA call can wait on the sound server: opening waits for the
// connection, configuring for the server's stream, a blocking write for room,
// and even a drop for the server's answer, and a server that is stopped (a
// suspended machine, a sink that went away, a server restarting) answers
// never.  So ALSA calls are made by the device thread only; the window thread
// reaches the device by queuing headers and by asking the thread to reset or
// to end, and waits for it only with a bound:
//
// - open waits at most openWaitMs for the thread to open and configure the
//   device, and otherwise gives it up; the thread then closes what it opened
//   and frees the record itself;
// - reset hands every queued header back at once, and the thread drops what
//   the device still holds when it next runs;
// - close waits at most closeWaitMs for the thread to end, and otherwise
//   leaves the thread to finish the close and free the record.
//
// The thread writes without blocking and waits in poll on the device's
// descriptors and on a wake-up descriptor of its own, which queue, reset and
// close signal.  A write error that recovery cannot mend, or a device that
// takes no data for stallLimitMs while data waits, loses the device: the
// thread posts MM_WOM_LOST, hands back every queued header, and later writes
// fail.
#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/synthesis.h"
#include "platform/linux/alsaDevice.h"
#include "platform/waveOut.h"

typedef std::chrono::steady_clock Clock;

struct WaveDevice {
    // Set by the opener before the thread starts, then read only.
    std::string name; // the ALSA device name
    int probe;        // 1: only find out whether the device opens
    snd_pcm_format_t sampleFormat;
    unsigned channels, rate;
    unsigned frameBytes; // bytes per sample frame
    Window callback;     // receives MM_WOM_* messages
    int wakeFd;          // an eventfd: written to wake the thread
    std::thread thread;

    // The device thread's own.
    snd_pcm_t *pcm;
    snd_pcm_uframes_t chunkFrames; // frames per write (one period)

    std::mutex lock;                 // guards the fields below and header flags
    std::condition_variable settled; // open and close wait here, with a bound
    std::deque<WaveHeader *> queue;  // written and not yet handed back, oldest first
    uint32_t copied;                 // bytes of queue.front() already taken by the thread
    uint64_t generation;             // advanced by every reset: older data is not handed back
    int opening;                     // 1 until the thread has opened (or failed to)
    WaveResult openResult;           // what the open came to
    int dropRequested;               // 1: drop what the device holds
    int closing;                     // 1: the thread ends
    int lost;                        // 1 after the device was lost: writes fail
    int finished;                    // 1 once the thread has let go of the device
    int abandoned;                   // 1: nobody waits any more; the thread frees the record
};

namespace {

const int openWaitMs = 2000;   // open gives up on a device that takes longer
const int closeWaitMs = 150;   // close leaves a slower thread to finish alone
const int stallLimitMs = 2000; // a device that takes no data this long is lost
// A device that has not yet played anything since it was (re)started may be
// slower: a sound server can take nearly 2 s before it asks for more than the
// first buffer's worth.
const int startLimitMs = 5000;

std::atomic<uint32_t> underrunCount{0}; // underruns seen by every device of the process

int defaultAnswered; // 1 when the last count found the default device

// Wakes the device thread from its poll.
void wakeThread(WaveDevice *device) {
    uint64_t one = 1;
    ssize_t written = write(device->wakeFd, &one, sizeof one);
    (void)written; // a counter that is already set wakes all the same
}

// Marks header handed back and posts its MM_WOM_DONE.  The caller holds the
// device's lock.
void handBack(WaveDevice *device, WaveHeader *header) {
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    postMessage(device->callback, MM_WOM_DONE, (WParam)device, (LParam)header);
}

// Hands back every queued header in order; data the thread has taken and not
// yet written is no longer handed back.  The caller holds the lock.
void handBackAll(WaveDevice *device) {
    while (!device->queue.empty()) {
        handBack(device, device->queue.front());
        device->queue.pop_front();
    }
    device->copied = 0;
    device->generation++;
}

// Marks the device lost, once: posts MM_WOM_LOST, then hands back every
// queued header.  Nothing is posted once the device is closing.
void loseDevice(WaveDevice *device) {
    std::lock_guard<std::mutex> guard(device->lock);
    if (device->lost || device->closing) return;
    device->lost = 1;
    postMessage(device->callback, MM_WOM_LOST, (WParam)device, 0);
    handBackAll(device);
}

// Opens and configures the device (for a probe: opens and closes it).
// Returns WaveOk with device->pcm and device->chunkFrames set, or a failure.
WaveResult openDevice(WaveDevice *device) {
    snd_pcm_t *pcm = nullptr;
    int error = snd_pcm_open(&pcm, device->name.c_str(), SND_PCM_STREAM_PLAYBACK, device->probe ? SND_PCM_NONBLOCK : 0);
    if (error < 0) return error == -EBUSY ? WaveErrorAllocated : WaveErrorBadDevice;
    if (device->probe) {
        snd_pcm_close(pcm);
        return WaveOk;
    }
    snd_pcm_uframes_t periodFrames = 0;
    // Writes wait in poll, never in ALSA.
    if (!configureDevice(pcm, device->sampleFormat, device->channels, device->rate, &periodFrames) ||
        snd_pcm_nonblock(pcm, 1) < 0) {
        snd_pcm_close(pcm);
        return WaveErrorBadFormat;
    }
    device->pcm = pcm;
    device->chunkFrames = periodFrames;
    return WaveOk;
}

// Notes that the thread has let go of the device; when nobody waits for it
// any more, frees the record.  The thread's last act.
void finishThread(WaveDevice *device) {
    std::unique_lock<std::mutex> guard(device->lock);
    device->finished = 1;
    device->settled.notify_all();
    if (!device->abandoned) return; // the closer joins and frees
    guard.unlock();
    close(device->wakeFd);
    delete device;
}

// Waits up to timeoutMs (-1: without limit) for the wake-up descriptor, and
// with withDevice also for the device to take data.  Returns 1 when the
// device may take data, else 0.
int waitForWork(WaveDevice *device, int withDevice, int timeoutMs) {
    std::vector<struct pollfd> fds(1);
    fds[0] = {device->wakeFd, POLLIN, 0};
    int deviceFds = 0;
    if (withDevice) {
        deviceFds = snd_pcm_poll_descriptors_count(device->pcm);
        if (deviceFds > 0) {
            fds.resize(1 + (size_t)deviceFds);
            deviceFds = snd_pcm_poll_descriptors(device->pcm, fds.data() + 1, (unsigned)deviceFds);
        }
    }
    if (poll(fds.data(), 1 + (nfds_t)(deviceFds > 0 ? deviceFds : 0), timeoutMs) <= 0) return 0;
    if (fds[0].revents) {
        uint64_t count;
        ssize_t got = read(device->wakeFd, &count, sizeof count);
        (void)got;
    }
    if (deviceFds <= 0) return 0;
    unsigned short events = 0;
    if (snd_pcm_poll_descriptors_revents(device->pcm, fds.data() + 1, (unsigned)deviceFds, &events) < 0)
        return 1; // the write finds out what is wrong
    return (events & (POLLOUT | POLLERR | POLLHUP)) != 0;
}

// Returns the milliseconds from since to now.
long millisecondsSince(Clock::time_point since) {
    return (long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

// The device thread: opens the device, then takes the front header a period
// at a time, writes it, hands the header back once all of it is in the
// device, and serves reset and close.
void deviceThread(WaveDevice *device) {
    WaveResult opened = openDevice(device);
    {
        std::unique_lock<std::mutex> guard(device->lock);
        device->openResult = opened;
        device->opening = 0;
        device->settled.notify_all();
        if (opened != WaveOk || device->probe || device->abandoned) {
            guard.unlock();
            if (opened == WaveOk && device->pcm) snd_pcm_close(device->pcm);
            finishThread(device);
            return;
        }
    }
    std::vector<char> chunk(device->chunkFrames * device->frameBytes);
    size_t chunkBytes = 0, chunkDone = 0; // taken into chunk, and of those written
    uint64_t chunkGeneration = 0;
    WaveHeader *chunkEnds = nullptr; // the header that chunk completes, or null
    Clock::time_point lastProgress = Clock::now();
    int writable = 1; // 0: wait until poll says the device takes data
    int started = 0;  // 1 once the device took data after a wait
    for (;;) {
        std::unique_lock<std::mutex> guard(device->lock);
        if (device->closing) break;
        if (device->dropRequested) {
            device->dropRequested = 0;
            chunkBytes = 0;
            guard.unlock();
            snd_pcm_drop(device->pcm); // silence at once
            snd_pcm_prepare(device->pcm);
            writable = 1;
            started = 0;
            continue;
        }
        if (chunkBytes > 0 && chunkGeneration != device->generation)
            chunkBytes = 0; // a reset or a loss handed its header back
        if (chunkBytes == 0 && !device->lost && !device->queue.empty()) {
            // The thread writes from its own copy, so a header handed back
            // by a reset is never read again.
            WaveHeader *header = device->queue.front();
            uint32_t left = header->dwBufferLength - device->copied;
            size_t bytes = left - left % device->frameBytes;
            if (bytes > chunk.size()) bytes = chunk.size();
            std::memcpy(chunk.data(), header->lpData + device->copied, bytes);
            device->copied += (uint32_t)bytes;
            chunkBytes = bytes;
            chunkDone = 0;
            chunkGeneration = device->generation;
            chunkEnds = header->dwBufferLength - device->copied < device->frameBytes ? header : nullptr;
            if (chunkBytes == 0) { // less than a frame: nothing to play
                device->queue.pop_front();
                device->copied = 0;
                handBack(device, header);
                continue;
            }
            lastProgress = Clock::now(); // the stall clock runs while data waits
        }
        if (chunkBytes > 0 && chunkDone == chunkBytes) {
            if (chunkEnds && !device->queue.empty() && device->queue.front() == chunkEnds) {
                device->queue.pop_front(); // all of it is in the device
                device->copied = 0;
                handBack(device, chunkEnds);
            }
            chunkBytes = 0;
            continue;
        }
        guard.unlock();

        if (chunkBytes == 0) {
            waitForWork(device, 0, -1);
            continue;
        }
        if (!writable) {
            long waited = millisecondsSince(lastProgress), limit = started ? stallLimitMs : startLimitMs;
            if (waited >= limit) {
                loseDevice(device); // the device stopped taking data
                continue;
            }
            writable = waitForWork(device, 1, (int)(limit - waited));
            started |= writable;
            continue;
        }
        snd_pcm_sframes_t result =
            snd_pcm_writei(device->pcm, chunk.data() + chunkDone, (chunkBytes - chunkDone) / device->frameBytes);
        if (result > 0) {
            chunkDone += (size_t)result * device->frameBytes;
            lastProgress = Clock::now();
        } else if (result == -EAGAIN || result == 0) {
            writable = 0;
        } else {
            // An underrun (the window thread fell behind) or a suspend is
            // recovered by preparing the device again; the rest of the same
            // chunk is then written.  Anything recovery cannot mend loses
            // the device.
            if (snd_pcm_recover(device->pcm, (int)result, 1) < 0)
                loseDevice(device);
            else if (result == -EPIPE)
                underrunCount++; // a lost server reports EPIPE too, which no recovery mends
            started = 0;
        }
    }
    snd_pcm_drop(device->pcm);
    snd_pcm_close(device->pcm);
    finishThread(device);
}

// Starts a device thread for name and waits up to openWaitMs for its open.
// Returns WaveOk with *handle set (not for a probe, whose thread ends), or a
// failure; a thread that is still opening is left to end on its own.
WaveResult startDevice(const std::string &name, int probe, const StreamFormat *format, snd_pcm_format_t sampleFormat,
                       Window callback, WaveOutHandle *handle) {
    int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd < 0) return WaveErrorNoMemory;
    WaveDevice *device = new WaveDevice();
    device->name = name;
    device->probe = probe;
    device->sampleFormat = sampleFormat;
    if (format) {
        device->channels = format->channels;
        device->rate = format->samplesPerSec;
        device->frameBytes = format->blockAlign;
    }
    device->callback = callback;
    device->wakeFd = wakeFd;
    device->opening = 1;
    device->thread = std::thread(deviceThread, device);

    std::unique_lock<std::mutex> guard(device->lock);
    if (!device->settled.wait_for(guard, std::chrono::milliseconds(openWaitMs),
                                  [device] { return !device->opening; })) {
        device->abandoned = 1; // the thread closes what it opens and frees the record
        device->thread.detach();
        return WaveErrorBadDevice;
    }
    WaveResult result = device->openResult;
    if (result != WaveOk || probe) {
        guard.unlock();
        device->thread.join();
        close(device->wakeFd);
        delete device;
        return result;
    }
    *handle = device;
    return WaveOk;
}

// Returns 1 when the default device can be opened for playback right now.
// Each try connects to the sound server, so enumeration tries once.
int defaultDeviceOpens() {
    silenceAlsa();
    return startDevice(defaultDevice, 1, nullptr, SND_PCM_FORMAT_UNKNOWN, nullptr, nullptr) == WaveOk;
}

} // namespace

// Returns the number of playback devices, or 0 when the default device cannot
// be opened: then no device is usable.
uint32_t waveDeviceCount() {
    defaultAnswered = defaultDeviceOpens();
    if (!defaultAnswered) return 0;
    size_t count = playbackDevices().size();
    return count ? (uint32_t)count : 1;
}

WaveResult waveDeviceCaps(uint32_t device, WaveOutCaps *caps, uint32_t size) {
    if (!caps || size < sizeof(WaveOutCaps)) return WaveErrorGeneric;
    std::string name = deviceName(device);
    // The default device answers when the count before found it.
    if (name.empty() || (device == WAVE_MAPPER && !defaultAnswered)) return WaveErrorBadDevice;
    // Only the name is known: ALSA tells no maker, product, driver version,
    // standard formats or optional functions, and the plug layer converts the
    // channels, so the device's own count is not known either.  Every field
    // but the name stays 0, which here means "not known", not "none"; the
    // stream only asks whether the device answers.
    std::memset(caps, 0, sizeof *caps);
    std::strncpy(caps->szPname, name.c_str(), sizeof caps->szPname - 1);
    return WaveOk;
}

WaveResult waveOpen(WaveOutHandle *handle, uint32_t device, const StreamFormat *format, Window callback) {
    silenceAlsa();
    snd_pcm_format_t sampleFormat = sampleFormatOf(format);
    if (sampleFormat == SND_PCM_FORMAT_UNKNOWN) return WaveErrorBadFormat;
    std::string name = deviceName(device);
    if (name.empty()) return WaveErrorBadDevice;
    WaveResult result = startDevice(name, 0, format, sampleFormat, callback, handle);
    if (result == WaveOk) postMessage(callback, MM_WOM_OPEN, (WParam)*handle, 0);
    return result;
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
    if (handle->lost) return WaveErrorNoDriver;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    // The thread waits for work only with the queue empty; behind a queued
    // header it comes to this one without a wake-up of its own.
    const bool idle = handle->queue.empty();
    handle->queue.push_back(header);
    if (idle) wakeThread(handle);
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

// Hands every queued header back at once; the device thread drops what the
// device still holds as soon as it runs.
WaveResult waveReset(WaveOutHandle handle) {
    if (!handle) return WaveErrorInvalidHandle;
    std::lock_guard<std::mutex> guard(handle->lock);
    handBackAll(handle);
    handle->dropRequested = 1;
    wakeThread(handle);
    return WaveOk;
}

// Closes the device; buffers still queued are handed back first.  A thread
// that does not end within closeWaitMs (its device hangs in a call) ends
// later on its own and frees the record then.
WaveResult waveClose(WaveOutHandle handle) {
    if (!handle) return WaveErrorInvalidHandle;
    Window callback = handle->callback;
    const WParam closed = (WParam)handle; // the message names the handle, which may be freed below
    std::unique_lock<std::mutex> guard(handle->lock);
    handBackAll(handle);
    handle->closing = 1;
    wakeThread(handle);
    if (handle->settled.wait_for(guard, std::chrono::milliseconds(closeWaitMs),
                                 [handle] { return handle->finished; })) {
        guard.unlock();
        handle->thread.join();
        close(handle->wakeFd);
        delete handle;
    } else {
        handle->abandoned = 1;
        handle->thread.detach();
    }
    postMessage(callback, MM_WOM_CLOSE, closed, 0);
    return WaveOk;
}

uint32_t waveUnderrunCount() { return underrunCount.load(); }

void *waveAllocBlock(uint32_t size) { return std::malloc(size ? size : 1); }

void *waveFreeBlock(void *block) {
    std::free(block);
    return nullptr;
}

// A device thread held in ALSA at exit harms nothing.
int waveProcessExit(int exitCode) { return exitCode; }
