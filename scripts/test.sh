#!/usr/bin/env bash
# Sets up the machine, builds the normal, sanitizer and thread-sanitizer trees and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
# No library may use a layer above its own.
python3 scripts/check_layers.py build
bash scripts/build.sh build-asan -DVANTOR_SANITIZE=address
bash scripts/build.sh build-tsan -DVANTOR_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug "-DVANTOR_TEST_AREAS=core;thread;engine"
status=0
run() {  # run <build dir> [ctest args]
  local dir=$1; shift
  echo "== tests in $dir"
  (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure --timeout 300 -j4 "$@") || status=1
}
run build
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 run build-asan
# The thread-sanitizer build holds only the areas where threads meet.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" run build-tsan
exit $status
