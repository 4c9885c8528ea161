#!/usr/bin/env bash
# Runs every fuzz program of fuzz/ (libFuzzer with the address and
# undefined-behaviour sanitizers, built by clang in a tree of its own that holds
# only them and the libraries): first over its seeds and the inputs that once
# made a reader fail (fuzz/regressions/<name>/), then on new inputs until its
# time is up. Fails on any crash, leak, timeout or sanitizer report; the input
# that did it is left in <tree>/fuzz/.
#   scripts/fuzz.sh [seconds per program, default 60] [tree, default build-fuzz]
# scripts/test.sh runs it for a few seconds a program as a regression pass.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
tree=${2:-build-fuzz}
readers=(png bmp dds directory serverlist xmap httphead zip 7z)
# how long one input may take before it counts as a hang, on a busy machine
input_timeout=30

# No tests in this tree; line-level debug information is enough for the reports.
CC=clang CXX=clang++ cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOR_FUZZ=ON \
  -DVANTOR_TEST_AREAS=none "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" >/dev/null
# Building is work in the background of whatever else runs; the fuzzing is not.
# Quiet unless it fails: then its errors are what the run shows.
nice -n 10 cmake --build "$tree" -j"$(nproc)" --target "${readers[@]/#/fuzz_}" >"$tree/build.log" 2>&1 ||
  { echo "   the fuzz programs did not build:"; grep -E -A3 "error|FAILED" "$tree/build.log" | head -40; exit 1; }

out="$tree/fuzz"
rm -rf "$out"
mkdir -p "$out"
# Fresh seeds every run: new inputs found by one run do not slow the next.
bash fuzz/make_seeds.sh "$out"

fuzz_one() {  # fuzz_one <reader>; its status is that of the fuzz program
  local r=$1 corpus=("$out/corpus_$1")
  [ -d "fuzz/regressions/$r" ] && corpus+=("fuzz/regressions/$r")
  # A huge single request (an archive's header may ask for one) fails as it
  # would outside the sanitizer; memory really used is bounded by rss_limit_mb.
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
  "$tree/fuzz_$r" -max_total_time="$secs" -timeout="$input_timeout" -max_len=65536 -rss_limit_mb=2048 \
    -malloc_limit_mb=1048576 \
    -print_final_stats=1 -artifact_prefix="$out/crash_$r-" "${corpus[@]}" > "$out/fuzz_$r.log" 2>&1
}

# A few programs at once; each takes one core.
slots=$(( $(nproc) / 2 )); [ "$slots" -ge 1 ] || slots=1
declare -A pid_of
for r in "${readers[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$slots" ]; do wait -n || true; done
  fuzz_one "$r" &
  pid_of[$r]=$!
done
status=0
for r in "${readers[@]}"; do
  if wait "${pid_of[$r]}"; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/fuzz_$r.log" | grep -o '[0-9]*$' || echo "?")
    echo "   fuzz_$r: passed, $runs inputs in ${secs}s"
  else
    echo "   fuzz_$r: FAILED (log $out/fuzz_$r.log, input $out/crash_$r-*)"
    grep -E -A12 'ERROR: (AddressSanitizer|LeakSanitizer|libFuzzer)|runtime error|==ERROR|timeout after' \
      "$out/fuzz_$r.log" | head -40 || tail -20 "$out/fuzz_$r.log"
    status=1
  fi
done
exit $status
