// The scripted wave-output device: see fakeWaveOut.h.
#include "tests/fakes/fakeWaveOut.h"

#include <cstdlib>
#include <cstring>

struct WaveDevice {
    int unused;
};

FakeWaveOut fakeWaveOut;

namespace {

WaveDevice theDevice; // the handle of the one fake device

// Returns 1 when handle is the open fake device.
int isOpen(WaveOutHandle handle) { return fakeWaveOut.open && handle == &theDevice; }

// Marks header returned and posts its MM_WOM_DONE.
void handBack(WaveHeader *header) {
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    postMessage(fakeWaveOut.callback, MM_WOM_DONE, (WParam)&theDevice, (LParam)header);
}

} // namespace

void resetFakeWaveOut() {
    if (fakeWaveOut.block) std::free(fakeWaveOut.block);
    fakeWaveOut = FakeWaveOut();
}

WaveHeader *fakeWaveReturnNext() {
    if (fakeWaveOut.queue.empty()) return nullptr;
    WaveHeader *header = fakeWaveOut.queue.front();
    fakeWaveOut.queue.pop_front();
    handBack(header);
    return header;
}

void fakeWaveLoseDevice() {
    if (!fakeWaveOut.open || fakeWaveOut.lost) return;
    fakeWaveOut.lost = 1;
    postMessage(fakeWaveOut.callback, MM_WOM_LOST, (WParam)&theDevice, 0);
    while (fakeWaveReturnNext())
        ;
}

uint32_t waveDeviceCount() {
    fakeWaveOut.countCalls++;
    return fakeWaveOut.devices;
}

WaveResult waveDeviceCaps(uint32_t device, WaveOutCaps *caps, uint32_t size) {
    fakeWaveOut.capsQueried.push_back(device);
    if (size != sizeof(WaveOutCaps)) return WaveErrorGeneric;
    if (device == WAVE_MAPPER ? fakeWaveOut.mapperCapsFails
                              : device >= fakeWaveOut.devices || device >= fakeWaveOut.capsFailFrom)
        return WaveErrorBadDevice;
    std::memset(caps, 0, sizeof *caps);
    std::strcpy(caps->szPname, "fake");
    caps->wChannels = 1;
    return WaveOk;
}

WaveResult waveOpen(WaveOutHandle *handle, uint32_t device, const StreamFormat *format, Window callback) {
    fakeWaveOut.openCalls++;
    fakeWaveOut.openedDevice = device;
    fakeWaveOut.openedFormat = format;
    if (fakeWaveOut.openResult != WaveOk) return fakeWaveOut.openResult;
    if (fakeWaveOut.open) return WaveErrorAllocated;
    fakeWaveOut.open = 1;
    fakeWaveOut.callback = callback;
    *handle = &theDevice;
    postMessage(callback, MM_WOM_OPEN, (WParam)&theDevice, 0);
    return WaveOk;
}

WaveResult wavePrepareHeader(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    int call = ++fakeWaveOut.prepareCalls;
    if (!isOpen(handle)) return WaveErrorInvalidHandle;
    if (call == fakeWaveOut.prepareFailsAt || size != sizeof(WaveHeader)) return WaveErrorNoMemory;
    header->dwFlags |= WHDR_PREPARED;
    return WaveOk;
}

WaveResult waveWrite(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    int call = ++fakeWaveOut.writeCalls;
    if (!isOpen(handle)) return WaveErrorInvalidHandle;
    if (!(header->dwFlags & WHDR_PREPARED)) return WaveErrorUnprepared;
    if (call == fakeWaveOut.writeFailsAt || size != sizeof(WaveHeader)) return WaveErrorGeneric;
    if (fakeWaveOut.lost) return WaveErrorNoDriver;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    fakeWaveOut.written.push_back(header);
    fakeWaveOut.queue.push_back(header);
    return WaveOk;
}

WaveResult waveUnprepareHeader(WaveOutHandle handle, WaveHeader *header, uint32_t size) {
    fakeWaveOut.unprepareCalls++;
    if (!isOpen(handle)) return WaveErrorInvalidHandle;
    if (header->dwFlags & WHDR_INQUEUE) return WaveErrorStillPlaying;
    (void)size;
    header->dwFlags &= ~WHDR_PREPARED;
    return WaveOk;
}

WaveResult waveReset(WaveOutHandle handle) {
    fakeWaveOut.resetCalls++;
    if (!isOpen(handle)) return WaveErrorInvalidHandle;
    while (fakeWaveReturnNext())
        ;
    return WaveOk;
}

// The fake device keeps no clock.
WaveResult waveGetPosition(WaveOutHandle handle, WavePosition *) {
    return isOpen(handle) ? WaveErrorGeneric : WaveErrorInvalidHandle;
}

WaveResult waveClose(WaveOutHandle handle) {
    fakeWaveOut.closeCalls++;
    if (!isOpen(handle)) return WaveErrorInvalidHandle;
    if (!fakeWaveOut.queue.empty()) return WaveErrorStillPlaying;
    fakeWaveOut.open = 0;
    fakeWaveOut.lost = 0;
    postMessage(fakeWaveOut.callback, MM_WOM_CLOSE, (WParam)&theDevice, 0);
    return WaveOk;
}

uint32_t waveUnderrunCount() { return fakeWaveOut.underruns; }

void *waveAllocBlock(uint32_t size) {
    fakeWaveOut.allocSize = size;
    if (fakeWaveOut.allocFails || fakeWaveOut.block) return nullptr;
    fakeWaveOut.block = std::malloc(size ? size : 1);
    return fakeWaveOut.block;
}

void *waveFreeBlock(void *block) {
    fakeWaveOut.freeCalls++;
    if (!block || block != fakeWaveOut.block) return block;
    std::free(block);
    fakeWaveOut.block = nullptr;
    return nullptr;
}

int waveProcessExit(int exitCode) { return exitCode; }
