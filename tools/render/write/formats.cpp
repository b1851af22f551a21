// The sample files tonalix-render writes: see formats.h.
//
// WAV and FLAC files go through libsndfile, which writes the file's header
// when it is opened and again, with the final sizes, when it is closed.  A
// device or a pipe cannot be gone back to, so there only a 16-bit or a float
// WAV file can be written: its header, which holds nothing but the sizes, is
// known from the start (the 16-bit one is libsndfile's, byte for byte).
// Float WAV files are always written here: libsndfile gives their fmt chunk
// 16 bytes, without the cbSize field that every format but plain PCM must
// have, and readers warn of the missing part.  Raw samples are always
// written here, as bytes.
#include "tools/render/write/formats.h"

#include <cstdio>
#include <cstring>

#include "audio/synthesis.h"
#include "platform/files.h"
#include "tools/render/cli/printable.h"
#include "tools/render/common/channelNames.h"
#include "tools/render/write/soundFile.h"

namespace {

// Stores a little-endian 16- or 32-bit value.
void put16(unsigned char *at, uint32_t value) {
    at[0] = (unsigned char)value;
    at[1] = (unsigned char)(value >> 8);
}
void put32(unsigned char *at, uint32_t value) {
    put16(at, value & 0xFFFF);
    put16(at + 2, value >> 16);
}

// Writes the converted bytes of count samples.  Returns 1, or 0 after a
// message (the file is abandoned).
int writeBytes(SampleFile *file, size_t count) {
    if (writeOutput(&file->output, file->bytes.data(), count * sampleFormats[file->format].bytes)) return 1;
    file->output.file = nullptr; // writeOutput has abandoned it
    return 0;
}

} // namespace

size_t wavHeader(unsigned char header[maxWavHeader], uint64_t frames, uint32_t rate, SampleFormat format,
                 unsigned channels) {
    const int floats = format == FormatF32, extensible = wavIsExtensible(channels, format);
    const uint32_t bytes = floats ? 4 : 2, frameBytes = bytes * channels;
    const uint32_t dataBytes = (uint32_t)(frames * frameBytes);
    const uint32_t formatBytes = extensible ? 40 : floats ? 18 : 16;
    const size_t size = 20 + formatBytes + (floats ? 12 : 0) + 8;
    std::memcpy(header, "RIFF", 4);
    put32(header + 4, (uint32_t)(size - 8) + dataBytes);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    put32(header + 16, formatBytes);
    const uint32_t code = floats ? 3 : 1; // IEEE float, or PCM
    put16(header + 20, extensible ? 0xFFFE : code);
    put16(header + 22, channels);
    put32(header + 24, rate);
    put32(header + 28, rate * frameBytes); // bytes per second
    put16(header + 32, frameBytes);        // bytes per frame
    put16(header + 34, bytes * 8);         // bits per sample
    unsigned char *next = header + 36;
    if (extensible) {
        // cbSize, the valid bits, the speaker mask and the sub-format: the
        // format code in the first two bytes of the audio GUID.
        static const unsigned char audioGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
        put16(next, 22);
        put16(next + 2, bytes * 8);
        put32(next + 4, speakerMask(channels));
        put16(next + 8, code);
        std::memcpy(next + 10, audioGuidTail, sizeof audioGuidTail);
        next += 24;
    } else if (floats) {
        put16(next, 0); // cbSize: no more format bytes
        next += 2;
    }
    if (floats) {
        std::memcpy(next, "fact", 4);
        put32(next + 4, 4);
        put32(next + 8, (uint32_t)frames);
        next += 12;
    }
    std::memcpy(next, "data", 4);
    put32(next + 4, dataBytes);
    return size;
}

int openSampleFile(SampleFile *file, const std::string &path, OutputKind kind, SampleFormat format, uint32_t rate,
                   uint64_t frames, unsigned channels) {
    file->kind = kind;
    file->format = format;
    file->channels = channels;
    file->sound = nullptr;
    file->ioError = 0;
    const int headerHere = kind == OutputWav && (format == FormatS16 || format == FormatF32);
    // Refused before a pipe is opened, which waits for its reader.
    if (kind != OutputRaw && !headerHere && pathKind(path.c_str()) == PathSpecial) {
        std::fprintf(stderr,
                     "tonalix-render: %s: a device or a named pipe takes only raw samples or a 16-bit or float WAV "
                     "file\n",
                     printableText(path).c_str());
        return 0;
    }
    if (!openOutput(&file->output, path)) return 0;
    if (kind == OutputRaw) return 1;
    if (!file->output.special && format != FormatF32) {
        if (openSoundFile(file, rate)) return 1;
        abandonOutput(&file->output);
        return 0;
    }
    unsigned char header[maxWavHeader];
    return writeOutput(&file->output, header, wavHeader(header, frames, rate, format, channels));
}

int writeSixteenBit(SampleFile *file, const unsigned char *samples, size_t count) {
    if (file->bytes.size() < 2 * count) file->bytes.resize(2 * count);
    if (file->sound) {
        int16_t *shorts = (int16_t *)(void *)file->bytes.data();
        std::memcpy(shorts, samples, 2 * count);
        if (writeSoundSamples(file, shorts, count)) return 1;
        abandonSampleFile(file);
        return 0;
    }
    if (writeOutput(&file->output, samples, 2 * count)) return 1;
    file->output.file = nullptr;
    return 0;
}

int writeValues(SampleFile *file, const double *values, size_t count) {
    const SampleFormatRow &format = sampleFormats[file->format];
    if (file->bytes.size() < 4 * count) file->bytes.resize(4 * count);
    unsigned char *out = file->bytes.data();
    if (file->sound) {
        // libsndfile takes whole samples: 16-bit ones as they are, 24-bit
        // ones in the top bits of 32, floats as they are.
        int ok;
        if (file->format == FormatS16) {
            int16_t *shorts = (int16_t *)(void *)out;
            for (size_t i = 0; i < count; i++)
                shorts[i] = (int16_t)(limitSample(values[i]) * format.fullScale);
            ok = writeSoundSamples(file, shorts, count);
        } else if (file->format == FormatS24) {
            int32_t *ints = (int32_t *)(void *)out;
            for (size_t i = 0; i < count; i++)
                ints[i] = (int32_t)((uint32_t)(int32_t)(limitSample(values[i]) * format.fullScale) << 8);
            ok = writeSoundSamples(file, ints, count);
        } else {
            float *floats = (float *)(void *)out;
            for (size_t i = 0; i < count; i++)
                floats[i] = (float)limitSample(values[i]);
            ok = writeSoundSamples(file, floats, count);
        }
        if (ok) return 1;
        abandonSampleFile(file);
        return 0;
    }
    for (size_t i = 0; i < count; i++) {
        double v = limitSample(values[i]);
        if (file->format == FormatF32) {
            float f = (float)v;
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            put32(out, bits);
        } else {
            uint32_t whole = (uint32_t)(int32_t)(v * format.fullScale);
            put16(out, whole & 0xFFFF);
            if (format.bytes == 3) out[2] = (unsigned char)(whole >> 16);
        }
        out += format.bytes;
    }
    return writeBytes(file, count);
}

int finishSampleFile(SampleFile *file) {
    if (file->sound && !closeSoundFile(file)) {
        abandonOutput(&file->output);
        return 0;
    }
    return finishOutput(&file->output);
}

void abandonSampleFile(SampleFile *file) {
    if (file->sound) dropSoundFile(file);
    abandonOutput(&file->output);
}
