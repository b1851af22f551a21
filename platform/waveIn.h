// The wave-input operations --measure needs from the platform: recording
// from the default input device.
//
// They mirror the desktop wave-input interface one for one (recordOpen is
// waveInOpen, recordPrepareHeader waveInPrepareHeader, recordAddBuffer
// waveInAddBuffer, recordStart waveInStart, recordReset waveInReset,
// recordClose waveInClose, recordGetPosition waveInGetPosition; named apart
// from the platform's own, which the Windows backend calls) and keep the
// contract of platform/waveOut.h, through the same device core
// (platform/deviceCore.h) with a capture driver beneath it: buffers added
// with recordAddBuffer come back full, in order, each as MM_WIM_DATA posted
// to the callback window with dwBytesRecorded set; a reset hands back every
// queued buffer at once (with what it holds so far); a device that gives no
// data for the core's stall limit while buffers wait is lost (MM_WIM_LOST,
// then every buffer back).  The device records from the moment it opens; recordStart
// is kept for the shape of the interface.
//
// Backends: recordOpen in platform/linux/alsaWaveIn.cpp (ALSA capture) and
// platform/win32/win32WaveIn.cpp (waveIn); the other calls, the same on
// every system, in platform/recording.cpp.
#pragma once

#include <cstdint>

#include "platform/waveOut.h"

#ifndef MM_WIM_OPEN
#define MM_WIM_OPEN 0x3BE  // 958: the input device was opened
#define MM_WIM_CLOSE 0x3BF // 959: the input device was closed
#define MM_WIM_DATA 0x3C0  // 960: lParam's header has been filled
#endif
// The input device was lost; like MM_WOM_LOST, the backend's own message.
#define MM_WIM_LOST 0x83C0

// An open input device; null is none.  Its own type, never defined, so that
// an input's handle cannot be given to a call of waveOut.h: behind it stands
// the device core's record all the same (platform/recording.cpp).
struct WaveInDevice;
typedef WaveInDevice *WaveInHandle;

// Opens device (or WAVE_MAPPER) for recording in format, with callback
// receiving its messages; stores the handle.  Returns WaveOk, or
// WaveErrorBadDevice when there is no input device, WaveErrorBadFormat when
// it refuses the format, or another failure.
WaveResult recordOpen(WaveInHandle *handle, uint32_t device, const StreamFormat *format, Window callback);
// Prepares header for recording.  Returns WaveOk on success.
WaveResult recordPrepareHeader(WaveInHandle handle, WaveHeader *header, uint32_t size);
// Queues header to be filled behind those added before.  Returns WaveOk on
// success, WaveErrorNoDriver once the device is lost.
WaveResult recordAddBuffer(WaveInHandle handle, WaveHeader *header, uint32_t size);
// Starts recording (the device already records from its open).  Returns
// WaveOk.
WaveResult recordStart(WaveInHandle handle);
// Undoes a prepare once the device is done with header.
WaveResult recordUnprepareHeader(WaveInHandle handle, WaveHeader *header, uint32_t size);
// Stops recording and hands back every queued header.
WaveResult recordReset(WaveInHandle handle);
// Closes the device.
WaveResult recordClose(WaveInHandle handle);
// Stores in *position the samples recorded since the open (or the last
// reset), as of a moment of the monotonic clock; see waveGetPosition.
WaveResult recordGetPosition(WaveInHandle handle, WavePosition *position);
