#!/usr/bin/env bash
# Builds the readers of outside data with libFuzzer (clang) and runs each for a while:
# the PNG, BMP and DDS readers, and (built with the whole program in build-fuzz/)
# the directory file, the server list, the typed-file scanner, the HTTP response
# head, and zip and 7z extraction.
#   scripts/fuzz.sh [seconds per reader, default 60]
# Seeds of the images are the small ones the tex tests leave in build/test_tmp
# (run them first); fuzz/make_seeds.sh makes the others.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
out=build-fuzz
mkdir -p "$out"
src=(RUderur/TEX/TEX_utils.cpp RUderur/TEX/TEX_png.cpp RUderur/TEX/TEX_bmp.cpp RUderur/TEX/TEX_dds.cpp
     RUderur/TEX/TEX_layout.cpp RUderur/TEX/TEX_scratch.cpp fuzz/fuzz_stubs.cpp)
inc=(-IRUderur/TEX -IRUderur/UTL -IRUderur/GenH $(pkg-config --cflags libpng))
libs=($(pkg-config --libs libpng) -lsquish -lz)
flags=(-g -O1 -std=c++17 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
status=0
fuzz_one() {  # fuzz_one <reader> <corpus folder>
  echo "== fuzzing the $1 reader for ${secs}s"
  if ! "$out/fuzz_$1" -max_total_time="$secs" -max_len=65536 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix="$out/crash_$1-" "$2" > "$out/fuzz_$1.log" 2>&1; then
    echo "   FAILED: see $out/fuzz_$1.log"; status=1
  fi
  grep -E 'stat::number_of_executed_units|cov:' "$out/fuzz_$1.log" | tail -2 || true
}
for r in png bmp dds; do
  clang++ "${flags[@]}" "${inc[@]}" "fuzz/fuzz_$r.cpp" "${src[@]}" "${libs[@]}" -o "$out/fuzz_$r"
  corpus="$out/corpus_$r"
  mkdir -p "$corpus"
  for f in build/test_tmp/*/seed* build/test_tmp/*/*.png; do
    [ -f "$f" ] || continue
    case "$r:$f" in png:*.png|bmp:*.bmp|dds:*.dds) cp "$f" "$corpus/" ;; esac
  done
  fuzz_one "$r" "$corpus"
done

# The program's own readers, linked with the whole program.
CC=clang CXX=clang++ cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTOR_FUZZ=ON \
  -DVANTOR_TEST_AREAS=none >/dev/null
readers=(directory serverlist xmap httphead zip 7z)
cmake --build "$out" -j"$(nproc)" --target "${readers[@]/#/fuzz_}"
bash fuzz/make_seeds.sh "$out"
for r in "${readers[@]}"; do fuzz_one "$r" "$out/corpus_$r"; done
exit $status
