#!/bin/bash
# Fuzzes one target of tests/fuzz with libFuzzer:
#   scripts/fuzz.sh TARGET SECONDS
# TARGET is formula, dataFile or renderArguments; SECONDS defaults to 60.
# The targets are built with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in build-fuzz/.  New inputs go to
# build-fuzz/corpus/TARGET (the committed corpus in tests/fuzz/corpus/TARGET
# is read, never written); a crash, a leak or a difference between the
# evaluators leaves its input in build-fuzz/findings/TARGET/ and makes the
# script fail.  The last lines tell the executions and the coverage reached.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
target=${1:?"usage: scripts/fuzz.sh TARGET [SECONDS] (formula, dataFile or renderArguments)"}
seconds=${2:-60}
build=$root/build-fuzz
compiler=${TONALIX_FUZZ_CXX:-clang++-14}
corpus=$root/tests/fuzz/corpus/$target
[ -d "$corpus" ] || { echo "fuzz: no target $target (no folder $corpus)" >&2; exit 2; }
command -v "$compiler" >/dev/null || { echo "fuzz: $compiler is not installed (scripts/install-deps.sh)" >&2; exit 1; }

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTONALIX_FUZZ=ON -DTONALIX_GUI=OFF -DTONALIX_BENCH=OFF >/dev/null || exit 1
fi
cmake --build "$build" -j"$(nproc)" --target "${target}Fuzz" >/dev/null || exit 1

work=$build/corpus/$target
findings=$build/findings/$target
mkdir -p "$work" "$findings"
options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" -timeout=10 -rss_limit_mb=2048)
[ -f "$root/tests/fuzz/$target.dict" ] && options+=(-dict="$root/tests/fuzz/$target.dict")
log=$build/fuzz-$target.log
"$build/tests/fuzz/${target}Fuzz" "${options[@]}" "$work" "$corpus" >"$log" 2>&1
status=$?
# The engine's last status line holds the coverage (cov: edges, ft:
# features); the final statistics hold the executions.
grep -E '^#[0-9]+' "$log" | tail -1
grep -E 'stat::number_of_executed_units|stat::peak_rss_mb' "$log"
if [ $status -ne 0 ]; then
  echo "fuzz: $target failed; see $log and $findings/" >&2
  grep -E 'ERROR|SUMMARY|abort|differ|gives' "$log" | head -20 >&2
fi
exit $status
