// The values of tonalix-render's options: each parser turns the text of
// one option's value into the value, or says why it cannot.
#pragma once

#include <cstdint>
#include <string>

#include "tools/render/write/formats.h"

// Each parser returns 1 after storing the value of text; 0 for a malformed
// or out-of-range text, with *why set to the end of the message that says
// so ("is not a decimal number of seconds").  None changes anything else.

// --seconds: a plain decimal number of seconds, as a sample count.
int parseSeconds(const char *text, uint64_t *samples, std::string *why);
// --samples: a whole number of samples.
int parseSamples(const char *text, uint64_t *samples, std::string *why);
// --start: a plain decimal number of seconds from t = 0, as a sample.
int parseStart(const char *text, uint64_t *sample, std::string *why);
// --fade: a plain decimal number of milliseconds.
int parseFade(const char *text, double *ms, std::string *why);
// --rate: a whole number of samples per second within --rate's range.
int parseRate(const char *text, uint32_t *rate, std::string *why);
// --format: a sample format's name.
int parseFormat(const char *text, SampleFormat *format, std::string *why);
// --input-channels: a whole number of channels, 1 to maxChannels.
int parseChannelCount(const char *text, unsigned *count, std::string *why);
// --size: "WxH", within a picture's bounds.
int parseSize(const char *text, int *width, int *height, std::string *why);
// Returns the kind of output that path names, by its ending (in any case).
OutputKind outputKindOf(const std::string &path);
