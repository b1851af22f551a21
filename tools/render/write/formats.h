// The sample files tonalix-render writes: raw samples, WAV or FLAC, in
// 16-bit, 24-bit or 32-bit float samples, at any rate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/render/common/output.h"

enum SampleFormat : int {
    FormatS16 = 0, // 16-bit signed: the stream's own samples
    FormatS24 = 1, // 24-bit signed
    FormatF32 = 2, // 32-bit float: the played values themselves
};

struct SampleFormatRow {
    SampleFormat format;
    const char *name;     // as --format takes it
    unsigned bytes;       // per sample in a raw file
    double fullScale;     // what a value of 1 becomes (truncated toward zero); 1 for floats
    const char *shown;    // as messages name it
    uint64_t wavOverhead; // what a WAV file's RIFF size counts besides the samples
};

// clang-format off
static const SampleFormatRow sampleFormats[] = {
    {FormatS16, "s16", 2, 32767.0,   "16-bit",       36},
    {FormatS24, "s24", 3, 8388607.0, "24-bit",       36},
    {FormatF32, "f32", 4, 1.0,       "32-bit float", 50}, // an 18-byte fmt chunk and a fact chunk
};
// clang-format on

enum OutputKind : int {
    OutputRaw = 0,  // little-endian samples, no header
    OutputWav = 1,  // RIFF/WAVE
    OutputFlac = 2, // FLAC: lossless, whole-number samples only
};

struct OutputKindRow {
    OutputKind kind;
    const char *suffix; // the file name's ending that picks it (any case); "" for the rest
    const char *name;
    int takesFloat; // 1: f32 samples can be written
    uint64_t limit; // the largest size it can give: a sample format's overhead and samples
};

// clang-format off
static const OutputKindRow outputKinds[] = {
    {OutputRaw,  "",      "raw",  1, UINT64_MAX},
    {OutputWav,  ".wav",  "WAV",  1, 0xFFFFFFFFull}, // the RIFF size field
    {OutputFlac, ".flac", "FLAC", 0, UINT64_MAX},
};
// clang-format on

// Returns 1 when a WAV file of channels channels of format has the
// extensible format (WAVE_FORMAT_EXTENSIBLE, with the speaker mask): more
// than two channels, or more than one of more than 16-bit whole numbers.  A
// mono file always has the plain one its readers have always had.
inline int wavIsExtensible(unsigned channels, SampleFormat format) {
    return channels > 2 || (channels == 2 && format == FormatS24);
}
// Returns what a WAV file's RIFF size counts besides the samples: the
// format row's, or with the extensible format a 40-byte fmt chunk and a
// fact chunk.
inline uint64_t wavOverhead(unsigned channels, SampleFormat format) {
    return wavIsExtensible(channels, format) ? 4 + 48 + 12 + 8 : sampleFormats[format].wavOverhead;
}

// A sample file being written.
struct SampleFile {
    RenderOutput output;
    OutputKind kind;
    SampleFormat format;
    unsigned channels;                // samples in a frame, interleaved
    void *sound;                      // the libsndfile handle, or null when the bytes go out as they are
    int ioError;                      // errno of the first failed write through libsndfile
    std::vector<unsigned char> bytes; // converted samples on their way out
};

const size_t maxWavHeader = 80; // the longest header wavHeader writes

// Fills the header of a WAV file of frames frames of channels samples of
// format (FormatS16 or FormatF32) at rate: 44 bytes of PCM, or 58 of IEEE
// float with an 18-byte fmt chunk and a fact chunk; with the extensible
// format (wavIsExtensible) a 40-byte fmt chunk, which has the speaker mask
// of the channels, makes them 68 and 80.  Returns its size.
size_t wavHeader(unsigned char header[maxWavHeader], uint64_t frames, uint32_t rate, SampleFormat format,
                 unsigned channels);
// Opens the file that path names (see openOutput) for frames frames of
// channels samples of format at rate.  Returns 1, or 0 after a message on
// standard error (no file is left behind).
int openSampleFile(SampleFile *file, const std::string &path, OutputKind kind, SampleFormat format, uint32_t rate,
                   uint64_t frames, unsigned channels);
// Writes count 16-bit samples given as little-endian bytes (FormatS16
// only), whole frames with their channels interleaved.  Returns 1, or 0
// after a message (the file is abandoned).
int writeSixteenBit(SampleFile *file, const unsigned char *samples, size_t count);
// Writes count values in the file's format, whole frames with their
// channels interleaved: limited to -1..1, then scaled and truncated toward
// zero, or as floats.  Returns 1, or 0 after a message (the file is
// abandoned).
int writeValues(SampleFile *file, const double *values, size_t count);
// Completes the file and gives it its name.  Returns 1, or 0 after a message
// (no file is left behind).
int finishSampleFile(SampleFile *file);
// Closes and removes an unfinished file.
void abandonSampleFile(SampleFile *file);
