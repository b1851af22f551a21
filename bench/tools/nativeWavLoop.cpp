// The yardstick of the render benchmark: a plain C++ loop that writes the
// same WAV file as tonalix-render --seconds S -o FILE of the default
// formula (a 440 Hz sine at full scale, 132300 samples/s, 16-bit mono).
//
// Usage: nativeWavLoop SECONDS FILE
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Stores a little-endian 16- or 32-bit value.
void put16(unsigned char *at, uint32_t v) { at[0] = (unsigned char)v, at[1] = (unsigned char)(v >> 8); }
void put32(unsigned char *at, uint32_t v) { put16(at, v & 0xFFFF), put16(at + 2, v >> 16); }

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) return 2;
    const uint32_t rate = 132300;
    uint32_t samples = (uint32_t)std::lround(std::atof(argv[1]) * rate);
    FILE *file = std::fopen(argv[2], "wb");
    if (!file) return 1;
    unsigned char header[44];
    std::memcpy(header, "RIFF", 4);
    put32(header + 4, 36 + 2 * samples);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    put32(header + 16, 16), put16(header + 20, 1), put16(header + 22, 1);
    put32(header + 24, rate), put32(header + 28, 2 * rate), put16(header + 32, 2), put16(header + 34, 16);
    std::memcpy(header + 36, "data", 4);
    put32(header + 40, 2 * samples);
    std::fwrite(header, 1, sizeof header, file);

    std::vector<int16_t> buffer(33075);
    double t = 0;
    for (uint32_t done = 0; done < samples;) {
        uint32_t count = samples - done < buffer.size() ? samples - done : (uint32_t)buffer.size();
        for (uint32_t i = 0; i < count; i++) {
            buffer[i] = (int16_t)(std::sin(440 * 6.2831853071795865 * t) * 32767.0);
            t += 1.0 / rate;
        }
        std::fwrite(buffer.data(), 2, count, file);
        done += count;
    }
    return std::fclose(file) == 0 ? 0 : 1;
}
