// Keeping the benchmarks' work from being optimised away, without a
// benchmark library: the Windows build has the summaries alone.
#ifndef TONALIX_BENCH_KEEP_H
#define TONALIX_BENCH_KEEP_H

namespace benchKeep {

// Makes the compiler believe that `value` is read, so that the work that made
// it stays. Changes nothing.
template <class T> inline void keep(T const &value) { asm volatile("" : : "r,m"(value) : "memory"); }

// Makes the compiler believe that all memory is read and written here.
inline void clobber() { asm volatile("" : : : "memory"); }

} // namespace benchKeep

#endif
