// The values of tonalix-render's options: see optionValues.h.
#include "tools/render/cli/optionValues.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "audio/channels.h"
#include "tools/render/analyze/plot.h"
#include "tools/render/common/signal.h"

namespace {

const unsigned long long lowestRate = 8000, highestRate = 192000; // --rate's range

// Returns 1 after storing a text of decimal digits alone in *value (the
// largest value when it is too large for one); 0 for any other text.
int parseWholeNumber(const char *text, unsigned long long *value) {
    if (!*text || std::strspn(text, "0123456789") != std::strlen(text)) return 0;
    *value = std::strtoull(text, nullptr, 10); // ULLONG_MAX when out of range
    return 1;
}

// Returns 1 after storing a plain decimal text (no hexadecimal, infinity or
// not-a-number spellings) in *value; 0 otherwise.
int parseDecimal(const char *text, double *value) {
    if (!*text || std::strspn(text, "0123456789.eE+-") != std::strlen(text)) return 0;
    char *end = nullptr;
    *value = std::strtod(text, &end);
    return *end == '\0' && end != text;
}

} // namespace

// Returns 1 after storing the sample count of a --seconds text in *samples;
// returns 0 for a malformed or out-of-range text, with *why set.
int parseSeconds(const char *text, uint64_t *samples, std::string *why) {
    // Plain decimal only: no hexadecimal, infinity or not-a-number spellings.
    if (!*text || std::strspn(text, "0123456789.eE+-") != std::strlen(text)) {
        *why = "is not a decimal number of seconds";
        return 0;
    }
    char *end = nullptr;
    errno = 0;
    double seconds = std::strtod(text, &end);
    if (*end != '\0' || end == text) {
        *why = "is not a decimal number of seconds";
        return 0;
    }
    double count = std::round(seconds * renderRate);
    if (seconds == 0 && errno == ERANGE && text[0] != '-') {
        *why = "is less than one sample (1/132300 s)"; // too small even for a double
        return 0;
    }
    if (!(seconds > 0)) {
        *why = "is not a positive number of seconds";
        return 0;
    }
    if (!(count >= 1)) {
        *why = "is less than one sample (1/132300 s)";
        return 0;
    }
    if (errno == ERANGE || count > (double)maxWavSamples) {
        *why = "is too long (at most 2147483629 samples, about 16232 s)";
        return 0;
    }
    *samples = (uint64_t)count;
    return 1;
}

// Returns 1 after storing a --samples text in *samples; 0 otherwise, with
// *why set.
int parseSamples(const char *text, uint64_t *samples, std::string *why) {
    unsigned long long count = 0;
    if (!parseWholeNumber(text, &count)) {
        *why = "is not a whole number of samples";
        return 0;
    }
    if (count == 0) {
        *why = "is less than one sample";
        return 0;
    }
    if (count > maxWavSamples) {
        *why = "is too many (at most 2147483629 samples)";
        return 0;
    }
    *samples = count;
    return 1;
}

// Returns 1 after storing a --start text as a sample in *sample; 0
// otherwise, with *why set.
int parseStart(const char *text, uint64_t *sample, std::string *why) {
    double seconds;
    if (!parseDecimal(text, &seconds)) {
        *why = "is not a decimal number of seconds";
        return 0;
    }
    if (!(seconds >= 0)) {
        *why = "is before t = 0";
        return 0;
    }
    double at = std::round(seconds * renderRate);
    *sample = at > (double)maxWavSamples ? maxWavSamples + 1 : (uint64_t)at; // beyond any end
    return 1;
}

// Returns 1 after storing a --fade text in *ms; 0 otherwise, with *why set.
int parseFade(const char *text, double *ms, std::string *why) {
    if (!parseDecimal(text, ms) || !std::isfinite(*ms)) {
        *why = "is not a decimal number of milliseconds";
        return 0;
    }
    if (*ms < 0) {
        *why = "is negative";
        return 0;
    }
    return 1;
}

// Returns 1 after storing a --rate text in *rate; 0 otherwise, with *why set.
int parseRate(const char *text, uint32_t *rate, std::string *why) {
    unsigned long long value = 0;
    if (!parseWholeNumber(text, &value)) {
        *why = "is not a whole number of samples per second";
        return 0;
    }
    if (value < lowestRate || value > highestRate) {
        *why = "is out of range (" + std::to_string(lowestRate) + " to " + std::to_string(highestRate) + " Hz)";
        return 0;
    }
    *rate = (uint32_t)value;
    return 1;
}

// Returns 1 after storing a --format text in *format; 0 otherwise, with *why
// set.
int parseFormat(const char *text, SampleFormat *format, std::string *why) {
    for (const SampleFormatRow &row : sampleFormats)
        if (!std::strcmp(text, row.name)) {
            *format = row.format;
            return 1;
        }
    *why = "is not a sample format: give s16, s24 or f32";
    return 0;
}

// Returns 1 after storing an --input-channels text in *count; 0 otherwise,
// with *why set.
int parseChannelCount(const char *text, unsigned *count, std::string *why) {
    unsigned long long value = 0;
    if (!parseWholeNumber(text, &value)) {
        *why = "is not a whole number of channels";
        return 0;
    }
    if (value < 1 || value > maxChannels) {
        *why = "is out of range (1 to " + std::to_string(maxChannels) + " channels)";
        return 0;
    }
    *count = (unsigned)value;
    return 1;
}

// Returns 1 after storing a --size text ("WxH") in *width and *height; 0
// otherwise, with *why set.
int parseSize(const char *text, int *width, int *height, std::string *why) {
    const char *cross = std::strchr(text, 'x');
    size_t digits = std::strspn(text, "0123456789");
    if (!cross || digits == 0 || text + digits != cross || !cross[1] ||
        std::strspn(cross + 1, "0123456789") != std::strlen(cross + 1)) {
        *why = "is not a size of the form WxH (for example 1200x800)";
        return 0;
    }
    // More than five digits is more than any side can be.
    unsigned long w = digits > 5 ? 100000 : std::strtoul(text, nullptr, 10);
    unsigned long h = std::strlen(cross + 1) > 5 ? 100000 : std::strtoul(cross + 1, nullptr, 10);
    if (w > (unsigned long)largestPlotSide || h > (unsigned long)largestPlotSide) {
        *why = "is too large (at most " + std::to_string(largestPlotSide) + " pixels on a side)";
        return 0;
    }
    if (w < (unsigned long)smallestPlotWidth || h < (unsigned long)smallestPlotHeight) {
        *why = "is too small (at least " + std::to_string(smallestPlotWidth) + "x" +
               std::to_string(smallestPlotHeight) + ")";
        return 0;
    }
    *width = (int)w;
    *height = (int)h;
    return 1;
}

// Returns the kind of output that path names, by its ending (in any case).
OutputKind outputKindOf(const std::string &path) {
    for (const OutputKindRow &row : outputKinds) {
        size_t n = std::strlen(row.suffix);
        if (n == 0 || path.size() < n) continue;
        int same = 1;
        for (size_t i = 0; i < n; i++)
            same &= std::tolower((unsigned char)path[path.size() - n + i]) == row.suffix[i];
        if (same) return row.kind;
    }
    return OutputRaw;
}
