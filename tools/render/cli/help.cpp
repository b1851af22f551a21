// tonalix-render's usage text: see printRenderHelp in arguments.h.
#include <cstdio>

#include "tools/render/cli/arguments.h"

namespace {

// What follows the modes' usage lines.
const char helpText[] =
    "\n"
    "Renders FORMULA, a waveform in t (the time in seconds), as 16-bit signed\n"
    "mono samples at 132300 samples per second: evaluated once per sample from\n"
    "t = 0, limited to -1..1 and scaled by 32767, sample for sample what the\n"
    "Tonalix window plays after its countdown.\n"
    "\n"
    "The span:\n"
    "  --seconds S   render until S seconds (a decimal number; default 1)\n"
    "  --samples N   render exactly N samples\n"
    "  --start S     begin the span at S seconds: the formula still runs from\n"
    "                t = 0 (its variables keep state), but nothing before S is\n"
    "                written, drawn or measured; S must lie before the end\n"
    "\n"
    "Samples:\n"
    "  -o FILE       write to FILE: a name ending in .wav (any case) gets a\n"
    "                RIFF/WAVE file (PCM, 1 channel, 16 bits unless --format\n"
    "                says otherwise), .flac a lossless FLAC file, any other\n"
    "                name raw samples.  The file appears only when the render\n"
    "                is complete; a device or a named pipe is written in place\n"
    "                and takes raw samples or a 16-bit WAV file.\n"
    "  -o -          write raw samples to standard output (also the default),\n"
    "                signed 16-bit little-endian ones for example for\n"
    "                aplay -f S16_LE -r 132300 -c 1\n"
    "  --format F    s16 (16-bit, the default), s24 (24-bit) or f32 (32-bit\n"
    "                float: the played values themselves, limited to -1..1 and\n"
    "                not rounded), for WAV, FLAC (s16 and s24 only) and raw\n"
    "                samples (little-endian)\n"
    "  --rate R      resample to R samples per second (8000 to 192000) with\n"
    "                libsoxr's very high quality: 1 s becomes R samples\n"
    "  --fade MS     fade what is written in and out over MS milliseconds each\n"
    "                (a raised cosine), at most half the span; --play takes it\n"
    "                too, to start and end without a click\n"
    "\n"
    "Measuring and drawing (no samples are written):\n"
    "  --analyze     print a report of the span: samples, seconds, the peak and\n"
    "                RMS levels in dBFS (1 is full scale) and the t of the peak,\n"
    "                the DC, the tone's frequency, its THD (harmonics 2 to 10)\n"
    "                and THD+N in dB, and how many samples were clipped, failed\n"
    "                (played as 0) or not finite, with the t of the first\n"
    "  --json        print the report as one JSON object (keys samples,\n"
    "                seconds, peak_dbfs, peak_t, rms_dbfs, dc, frequency_hz,\n"
    "                thd_db, thdn_db, clipped, clipped_first_t, failed,\n"
    "                failed_first_t, nonfinite; null where there is none)\n"
    "  --plot FILE   draw the waveform (against time in ms, clipped and failed\n"
    "                stretches marked) and the spectrum (dBFS from 10 Hz to\n"
    "                66150 Hz) as PNG, or SVG for a name ending in .svg\n"
    "  --size WxH    the picture's size in pixels (default 1200x800; from\n"
    "                200x150 to 10000 on a side)\n"
    "\n"
    "Measuring a sound path (a device, a cable, the sound system):\n"
    "  --measure     record the default input while the default output plays\n"
    "                0.5 s of silence, the span and 0.5 s of silence (16-bit\n"
    "                mono at 132300 Hz, or R with --rate), find the played\n"
    "                signal in the recording and report: latency_ms, gain_db,\n"
    "                frequency_hz, thd_db and thdn_db of what came back,\n"
    "                noise_dbfs and snr_db, the response in third octaves where\n"
    "                the formula has energy, the gaps (2 ms or more, 40 dB\n"
    "                down) and clipped_input; --json prints one JSON object;\n"
    "                --plot draws the played and returned waveforms over each\n"
    "                other and the response\n"
    "  --limit COND  with --measure: KEY<=NUMBER or KEY>=NUMBER on a number of\n"
    "                the report (gaps counts the gaps); each failing limit is\n"
    "                printed on a line of its own and the exit status is 3, as\n"
    "                when the played signal is not found in the input\n"
    "\n"
    "Playing:\n"
    "  --play        play the formula on the default sound device instead, in\n"
    "                buffers of 250 ms (the time is rounded up to whole buffers)\n"
    "\n"
    "  --help        show this text\n"
    "  --            end of options: the next argument is the formula, even if\n"
    "                it begins with '-'\n"
    "\n"
    "S and N may be at most 2147483629 samples (about 4.5 hours).  On a terminal\n"
    "a render longer than a second shows its progress on standard error.\n"
    "\n"
    "Examples:\n"
    "  tonalix-render -o a440.wav 'sin(440*6.2831853071795865*t)'\n"
    "  tonalix-render --seconds 3 'sin(440*6.2831853071795865*t)' | aplay -f S16_LE -r 132300 -c 1\n"
    "  tonalix-render --play --seconds 2 --fade 20 '0.5*sin(220*6.2831853071795865*t)'\n"
    "  tonalix-render --analyze --json '0.5*sin(1000*6.2831853071795865*t)'\n"
    "  tonalix-render --plot tone.png --seconds 0.01 'sin(440*6.2831853071795865*t)'\n"
    "  tonalix-render --rate 48000 --format s24 --fade 10 -o a440.flac 'sin(440*6.2831853071795865*t)'\n"
    "\n"
    "Exit status: 0 on success, 1 on a failure (with a message), 2 for bad usage.\n";

} // namespace

void printRenderHelp(FILE *out, const RenderModes &modes) {
    for (size_t i = 0; i < modes.count; i++) {
        std::fputs(i == 0 ? "Usage: tonalix-render " : "       tonalix-render ", out);
        for (const char *c = modes.rows[i].usage; *c; c++) {
            if (*c == '\n')
                std::fputs("\n                      ", out); // under the first option
            else
                std::fputc(*c, out);
        }
        std::fputc('\n', out);
    }
    std::fputs(helpText, out);
}
