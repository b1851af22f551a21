// What the waveOut backend tells the end of the process
// (win32ProcessExit.cpp): which device threads still run, and how many
// drivers of lost devices were left open.
#pragma once

// Notes the calling device thread as running.
void noteDeviceThreadStarted();
// Notes that the calling device thread ends.
void noteDeviceThreadEnded();
// Notes a driver that stays open for good (its device was lost).
void noteDriverLeftOpen();
