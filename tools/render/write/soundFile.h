// WAV and FLAC files through libsndfile, written into the output that
// common/output.h opened.
#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/render/write/formats.h"

// Starts a libsndfile writer of file->kind, file->format and file->channels
// (with their speakers) at rate,
// on file->output (a plain file).  Returns 1, or 0 after a message on
// standard error; the output is left for the caller to abandon.
int openSoundFile(SampleFile *file, uint32_t rate);
// Writes count samples, whole frames: 16-bit ones, 24-bit ones in the top bits of 32, or
// floats.  Returns 1, or 0 after a message.
int writeSoundSamples(SampleFile *file, const int16_t *samples, size_t count);
int writeSoundSamples(SampleFile *file, const int32_t *samples, size_t count);
int writeSoundSamples(SampleFile *file, const float *samples, size_t count);
// Completes the file (its header gets the final sizes) and ends the
// writer; the output stays open.  Returns 1, or 0 after a message.
int closeSoundFile(SampleFile *file);
// Ends the writer of an unfinished file; the output stays open.
void dropSoundFile(SampleFile *file);
