// A sound card with a cable from its output to its input, for tests:
//   soundCable OUTPUT_FIFO INPUT_FIFO RATE CHANNELS [PPM]
// A sound server's pipe sink writes OUTPUT_FIFO and its pipe source reads
// INPUT_FIFO (16-bit samples, CHANNELS of them to a frame, RATE frames a
// second).  Every 5 ms the cable takes 5 ms of
// samples from the output, as a converter clocked by its own crystal does,
// and passes them to the input.  When the output has fewer (its writer fell
// behind) the rest is silence, as from a sound card that ran dry; what the
// input's reader has not taken yet waits in the cable, so nothing recorded
// is lost.  A server's pipe sink writes as far ahead as the pipe lets it, in
// pieces of 4096 bytes, so the output pipe is made to hold two pieces only
// (43 ms of 48000 Hz stereo): with one, the sink waited for an empty pipe
// before it wrote again, and the card ran dry all the time.  With PPM, the
// card's input runs on a clock of its own, PPM parts per million fast
// against its output's: what it takes from the output is resampled (by
// libsoxr, at its very high quality) to 1 + PPM / 1e6 times as many samples
// on their way to the input.  Runs until it is killed.
#include <fcntl.h>
#include <soxr.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

int main(int argc, char **argv) {
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: soundCable OUTPUT_FIFO INPUT_FIFO RATE CHANNELS [PPM]\n");
        return 2;
    }
    const long rate = std::atol(argv[3]) * std::atol(argv[4]); // samples a second
    const unsigned channels = (unsigned)std::atol(argv[4]);
    const double ppm = argc == 6 ? std::atof(argv[5]) : 0.0;
    soxr_t clock = nullptr; // the input's clock, when it has one of its own
    if (ppm != 0) {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
        soxr_error_t error = nullptr;
        clock = soxr_create(1e6, 1e6 + ppm, channels, &error, &io, &quality, nullptr);
        if (!clock || error) {
            std::fprintf(stderr, "soundCable: %s\n", error ? error : "libsoxr failed");
            return 1;
        }
    }
    // Read and write ends of both: opening either alone would wait for the
    // server's end.
    const int output = open(argv[1], O_RDWR | O_NONBLOCK), input = open(argv[2], O_RDWR | O_NONBLOCK);
    if (rate <= 0 || output < 0 || input < 0) {
        std::perror("soundCable");
        return 1;
    }
    fcntl(output, F_SETPIPE_SZ, 8192);
    fcntl(input, F_SETPIPE_SZ, 1 << 20); // the reader takes whole samples: the cable never writes half of one
    const long tickNs = 5000000, tickSamples = rate * tickNs / 1000000000;
    std::vector<int16_t> tick((size_t)tickSamples);
    std::deque<int16_t> waiting; // taken from the output, not yet by the input's reader
    size_t carried = 0;          // a byte of a sample read without its other half
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (;;) {
        next.tv_nsec += tickNs;
        if (next.tv_nsec >= 1000000000) next.tv_sec++, next.tv_nsec -= 1000000000;
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        // A write of the server's may end within a sample: its other half
        // comes with the next read.
        const ssize_t got = read(output, (char *)tick.data() + carried, tick.size() * sizeof(int16_t) - carried);
        const size_t bytes = carried + (size_t)(got > 0 ? got : 0), samples = bytes / sizeof(int16_t);
        const char odd = bytes ? ((const char *)tick.data())[bytes - 1] : 0;
        carried = bytes % sizeof(int16_t);
        std::vector<int16_t> taken(tick.begin(), tick.begin() + (long)samples);
        taken.resize(tick.size(), 0); // ran dry: silence
        if (carried) ((char *)tick.data())[0] = odd;
        if (clock) {
            std::vector<int16_t> faster(taken.size() + taken.size() / 100 + 64 * channels);
            size_t done = 0;
            soxr_process(clock, taken.data(), taken.size() / channels, nullptr, faster.data(), faster.size() / channels,
                         &done);
            faster.resize(done * channels);
            taken.swap(faster);
        }
        waiting.insert(waiting.end(), taken.begin(), taken.end());
        if (waiting.size() > (size_t)rate * 10) waiting.erase(waiting.begin(), waiting.begin() + tickSamples);
        std::vector<int16_t> out(waiting.begin(), waiting.end());
        const ssize_t put = write(input, out.data(), out.size() * sizeof(int16_t));
        if (put > 0) waiting.erase(waiting.begin(), waiting.begin() + put / (ssize_t)sizeof(int16_t));
    }
}
