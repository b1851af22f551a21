// WAV and FLAC files through libsndfile: see soundFile.h.
//
// libsndfile writes through callbacks into the stream that common/output.h
// opened (the temporary file beside the target), so a file still appears
// only once it is complete.  The callbacks note the first failed write's
// reason, which the messages then give.
#include "tools/render/write/soundFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sndfile.h>
#include <sys/types.h>

#include "tools/render/cli/printable.h"
#include "tools/render/common/channelNames.h"

namespace {

// libsndfile's major format of each OutputKind (raw samples never come here).
const int sndfileKinds[] = {0, SF_FORMAT_WAV, SF_FORMAT_FLAC};
static_assert(sizeof sndfileKinds / sizeof sndfileKinds[0] == sizeof outputKinds / sizeof outputKinds[0],
              "one libsndfile format per output kind");

// libsndfile's sample encoding of each SampleFormat.
const int sndfileEncodings[] = {SF_FORMAT_PCM_16, SF_FORMAT_PCM_24, SF_FORMAT_FLOAT};
static_assert(sizeof sndfileEncodings / sizeof sndfileEncodings[0] == sizeof sampleFormats / sizeof sampleFormats[0],
              "one libsndfile encoding per sample format");

// libsndfile's speaker of each channel, in channelRows' order.  Its
// FRONT_LEFT, FRONT_RIGHT and FRONT_CENTER are the WAV mask's speakers left
// and right of centre; LEFT, RIGHT and CENTER are the front ones.  A map it
// cannot put in a mask is refused, and the file keeps a default mask.
const int sndfileSpeakers[] = {SF_CHANNEL_MAP_LEFT,      SF_CHANNEL_MAP_RIGHT,     SF_CHANNEL_MAP_CENTER,
                               SF_CHANNEL_MAP_LFE,       SF_CHANNEL_MAP_REAR_LEFT, SF_CHANNEL_MAP_REAR_RIGHT,
                               SF_CHANNEL_MAP_SIDE_LEFT, SF_CHANNEL_MAP_SIDE_RIGHT};
static_assert(sizeof sndfileSpeakers / sizeof sndfileSpeakers[0] == sizeof channelRows / sizeof channelRows[0],
              "one libsndfile speaker per channel row");

// libsndfile's callbacks, with the SampleFile as their user data: each does
// what its stdio counterpart does to the output's stream and returns what
// libsndfile expects (a position, or -1 when it cannot be had; a count of
// bytes).  Writes note the first failure's errno in the file.
FILE *streamOf(void *user) { return ((SampleFile *)user)->output.file; }

sf_count_t ioLength(void *user) {
    FILE *file = streamOf(user);
    off_t here = ftello(file);
    if (here < 0 || fseeko(file, 0, SEEK_END) != 0) return -1;
    off_t end = ftello(file);
    fseeko(file, here, SEEK_SET);
    return end;
}

sf_count_t ioSeek(sf_count_t offset, int whence, void *user) {
    FILE *file = streamOf(user);
    if (fseeko(file, (off_t)offset, whence) != 0) return -1;
    return ftello(file);
}

sf_count_t ioRead(void *data, sf_count_t count, void *user) {
    return (sf_count_t)std::fread(data, 1, (size_t)count, streamOf(user));
}

sf_count_t ioWrite(const void *data, sf_count_t count, void *user) {
    SampleFile *file = (SampleFile *)user;
    size_t written = std::fwrite(data, 1, (size_t)count, file->output.file);
    if (written < (size_t)count && !file->ioError) file->ioError = errno ? errno : EIO;
    return (sf_count_t)written;
}

sf_count_t ioTell(void *user) { return ftello(streamOf(user)); }

SF_VIRTUAL_IO virtualIo = {ioLength, ioSeek, ioRead, ioWrite, ioTell};

// Writes "tonalix-render: cannot write PATH: why" with the failed write's
// reason, else libsndfile's.
void reportFailure(SampleFile *file) {
    const char *why = file->ioError ? std::strerror(file->ioError) : sf_strerror((SNDFILE *)file->sound);
    std::fprintf(stderr, "tonalix-render: cannot write %s: %s\n", printableText(file->output.path, 240).c_str(), why);
}

// Returns 1 when written is count, else 0 after a message.
int checkWritten(SampleFile *file, sf_count_t written, size_t count) {
    if (written == (sf_count_t)count) return 1;
    reportFailure(file);
    return 0;
}

} // namespace

int openSoundFile(SampleFile *file, uint32_t rate) {
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = (int)rate;
    info.channels = (int)file->channels;
    const int extensible = file->kind == OutputWav && wavIsExtensible(file->channels, file->format);
    info.format = (extensible ? SF_FORMAT_WAVEX : sndfileKinds[file->kind]) | sndfileEncodings[file->format];
    errno = 0;
    SNDFILE *sound = sf_open_virtual(&virtualIo, SFM_WRITE, &info, file);
    if (!sound) {
        file->sound = nullptr;
        reportFailure(file);
        return 0;
    }
    file->sound = sound;
    // The speakers: libsndfile turns them into the extensible format's
    // channel mask, and into FLAC's own channel-mask tag.
    if (file->channels > 1) {
        int map[maxChannels];
        for (unsigned c = 0; c < file->channels; c++)
            map[c] = sndfileSpeakers[c];
        sf_command(sound, SFC_SET_CHANNEL_MAP_INFO, map, (int)(file->channels * sizeof map[0]));
    }
    return 1;
}

int writeSoundSamples(SampleFile *file, const int16_t *samples, size_t count) {
    return checkWritten(file, sf_write_short((SNDFILE *)file->sound, samples, (sf_count_t)count), count);
}

int writeSoundSamples(SampleFile *file, const int32_t *samples, size_t count) {
    return checkWritten(file, sf_write_int((SNDFILE *)file->sound, samples, (sf_count_t)count), count);
}

int writeSoundSamples(SampleFile *file, const float *samples, size_t count) {
    return checkWritten(file, sf_write_float((SNDFILE *)file->sound, samples, (sf_count_t)count), count);
}

int closeSoundFile(SampleFile *file) {
    SNDFILE *sound = (SNDFILE *)file->sound;
    file->sound = nullptr;
    int failed = sf_close(sound) != 0 || file->ioError;
    if (!failed) return 1;
    std::fprintf(stderr, "tonalix-render: cannot write %s: %s\n", printableText(file->output.path, 240).c_str(),
                 file->ioError ? std::strerror(file->ioError) : "the file could not be completed");
    return 0;
}

void dropSoundFile(SampleFile *file) {
    if (!file->sound) return;
    sf_close((SNDFILE *)file->sound);
    file->sound = nullptr;
}
