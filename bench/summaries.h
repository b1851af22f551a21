// The benchmarks' summaries: the figures that the notes quote, measured in
// interleaved rounds so that a disturbance of the shared machine hits every
// column alike. They need no benchmark library, so the Windows build has
// them too (benchSummary).
#ifndef TONALIX_BENCH_SUMMARIES_H
#define TONALIX_BENCH_SUMMARIES_H

// Prints the formula engine's table: ns per sample in machine code, in the
// interpreter, as native code and (where built with it) in muparser, the
// ratios, and the compile times. Changes the compiled formula and t.
void printFormulaSummary();

// Prints the generator's table: ns per sample of generateSamples on the
// stream's buffers, in machine code and in the interpreter, beside a native
// generator loop. Changes the compiled formula, t and the stream's format.
void printGeneratorSummary();

#endif
