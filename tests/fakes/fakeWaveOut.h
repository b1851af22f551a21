// A scripted wave-output device for tests.  It implements every call of
// platform/waveOut.h in memory: the test chooses how many devices exist, which
// capability queries, prepares or writes fail, and hands the written buffers
// back one at a time, each as an MM_WOM_DONE posted to the callback window
// (through the window layer's postMessage, which the test binary provides).
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "platform/waveOut.h"

struct FakeWaveOut {
    // The script, set by the test.
    uint32_t devices = 1;               // what waveDeviceCount reports
    int mapperCapsFails = 0;            // 1: the mapper's capabilities fail
    uint32_t capsFailFrom = UINT32_MAX; // devices from this number on fail their query
    WaveResult openResult = WaveOk;     // what waveOpen returns
    int prepareFailsAt = 0;             // the n-th prepare (counted from 1) fails; 0 none
    int writeFailsAt = 0;               // the n-th write (counted from 1) fails; 0 none
    int allocFails = 0;                 // 1: waveAllocBlock returns null
    uint32_t underruns = 0;             // what waveUnderrunCount reports

    // What the stream did.
    std::vector<uint32_t> capsQueried; // device numbers queried, in order
    int countCalls = 0, openCalls = 0, prepareCalls = 0, writeCalls = 0;
    int unprepareCalls = 0, resetCalls = 0, closeCalls = 0, freeCalls = 0;
    uint32_t openedDevice = 0; // device number given to the last open
    const StreamFormat *openedFormat = nullptr;
    Window callback = nullptr;         // the callback window of the open device
    uint32_t allocSize = 0;            // size of the last block allocated
    void *block = nullptr;             // the block allocated and not yet freed
    std::vector<WaveHeader *> written; // every header written, in order
    std::deque<WaveHeader *> queue;    // headers queued on the device, oldest first
    int open = 0;                      // 1 while a device is open
    int lost = 0;                      // 1 after fakeWaveLoseDevice: writes fail
};

extern FakeWaveOut fakeWaveOut;

// Puts the fake back to one present device, no failures and empty records;
// frees a block still allocated.
void resetFakeWaveOut();
// Hands back the oldest queued header with MM_WOM_DONE.  Returns the header,
// or null when nothing is queued.
WaveHeader *fakeWaveReturnNext();
// Loses the open device as a backend does: posts MM_WOM_LOST, then hands
// back every queued header; later writes fail.
void fakeWaveLoseDevice();
