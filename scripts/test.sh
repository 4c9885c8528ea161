#!/usr/bin/env bash
# Sets up the machine, builds the normal, sanitizer and thread-sanitizer trees,
# runs every test, the layer check and the fuzz programs over their seeds.
#
# The normal tree builds first at full priority; the sanitizer trees and the
# fuzz programs build beside it at a lower one, on the cores it leaves idle.
# Each tree's tests start as soon as it is built, in a network namespace and
# on an X display of their own (as root; otherwise one tree after another).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
echo "== set-up done at ${SECONDS}s"

jobs=$(nproc)
side_jobs=$(( jobs / 2 > 1 ? jobs / 2 : 1 ))
# CTest's parallel tests in one tree: the window tests on their displays
# and the rest beside them.
test_jobs=4
# Window tests of one tree are dealt out over this many displays of its own.
displays=2
# A test without a timeout of its own (most have one) is stopped after this.
test_timeout=300
# The fuzz programs' time each, after their seeds and kept inputs.
fuzz_secs=5
low="nice -n 10"

# Debug information at line level in the sanitizer trees: enough for their
# reports' stack traces, and much less to write and link.
asan_opts=(-DVANTOR_SANITIZE=address "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")
tsan_opts=(-DVANTOR_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-g1"
           "-DVANTOR_TEST_AREAS=core;thread;engine")
configure() {  # configure <dir> [cmake options]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}
configure build
configure build-asan "${asan_opts[@]}"
configure build-tsan "${tsan_opts[@]}"

# Each background step's status, by name.
declare -A pid_of
status=0
failed() { echo "FAILED: $1"; status=1; }
in_background() {  # in_background <name> <log> <command...>
  local name=$1 log=$2; shift 2
  { local rc=0; "$@" || rc=$?; echo "($name ended at ${SECONDS}s)"; exit $rc; } > "$log" 2>&1 &
  pid_of[$name]=$!
}
finish() {  # finish <name> <log>: waits for it, shows its output
  local name=$1 log=$2 rc=0
  wait "${pid_of[$name]}" || rc=$?
  echo "== $name"
  cat "$log"
  [ $rc -eq 0 ] || failed "$name"
  return $rc
}

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
in_background "build of build-asan" "$logs/build-asan" $low cmake --build build-asan -j"$side_jobs"
# The fuzz programs and the libraries under them, by clang in a tree of their
# own (built at the lower priority, run at the normal one).
in_background "fuzz programs" "$logs/fuzz" bash scripts/fuzz.sh "$fuzz_secs" build-fuzz
in_background "build of build-tsan" "$logs/build-tsan" $low cmake --build build-tsan -j"$side_jobs"
echo "== build of build"
cmake --build build -j"$jobs" || { failed "build of build"; wait; exit 1; }
echo "== build of build done at ${SECONDS}s"
# No library may use a layer above its own.
python3 scripts/check_layers.py build || failed "layer check"
# Every source file the scripts and the README name is still there: demo.sh
# once read the site's host from a file that had been renamed, and stopped.
for f in $(grep -ohE '(Installer-f|RUderur|tests|tools|bench|scripts)/[A-Za-z0-9_./-]+\.(cpp|h|py|sh)' \
	scripts/*.sh scripts/*.py .ci/run README.md | sort -u); do
	[ -e "$f" ] || failed "a file the scripts name: $f is missing"
done
# Every command the README's sections for users name is there: the programs
# their command lines start and the scripts they run.
python3 scripts/check_readme_commands.py README.md || failed "a command the README names"

# A tree's tests in a network namespace of their own when that can be made,
# so that trees using the same loopback addresses run at once, and on an X
# display of their own.
apart=0
unshare -n ip link set lo up 2>/dev/null && apart=1
tests_of() {  # tests_of <dir> [environment...]
  local dir=$1; shift
  local run=(env "$@" bash scripts/test_tree.sh "$dir" "$displays" --timeout "$test_timeout" -j"$test_jobs")
  if [ $apart -eq 1 ]; then
    unshare -n sh -c 'ip link set lo up && exec "$@"' sh "${run[@]}"
  else
    "${run[@]}"
  fi
}
# The programs the tests run must end without a leak (a system library's
# lasting buffers are suppressed, each with its reason); the test programs'
# own fixtures keep what they made to the end.
asan_env=(ASAN_OPTIONS=detect_leaks=0 VANTOR_PROGRAM_ASAN_OPTIONS=detect_leaks=1
          "LSAN_OPTIONS=suppressions=$(pwd)/scripts/lsan_suppressions.txt" UBSAN_OPTIONS=print_stacktrace=1)
tsan_env=("TSAN_OPTIONS=halt_on_error=1 second_deadlock_stack=1")

# Each tree's tests start as soon as it is built, beside the builds and the
# other trees' tests. Without namespaces the trees' servers would meet on the
# same addresses: their tests then run one tree after another.
if [ $apart -eq 1 ]; then
  in_background "tests in build" "$logs/test-build" tests_of build
  finish "build of build-tsan" "$logs/build-tsan" &&
    in_background "tests in build-tsan" "$logs/test-build-tsan" tests_of build-tsan "${tsan_env[@]}"
  finish "build of build-asan" "$logs/build-asan" &&
    in_background "tests in build-asan" "$logs/test-build-asan" tests_of build-asan "${asan_env[@]}"
  for step in build build-tsan build-asan; do
    [ -n "${pid_of[tests in $step]:-}" ] && { finish "tests in $step" "$logs/test-$step" || true; }
  done
else
  echo "== tests in build"
  tests_of build || failed "tests in build"
  if finish "build of build-asan" "$logs/build-asan"; then
    echo "== tests in build-asan"
    tests_of build-asan "${asan_env[@]}" || failed "tests in build-asan"
  fi
  if finish "build of build-tsan" "$logs/build-tsan"; then
    echo "== tests in build-tsan"
    tests_of build-tsan "${tsan_env[@]}" || failed "tests in build-tsan"
  fi
fi
finish "fuzz programs" "$logs/fuzz" || true
[ $status -eq 0 ] && echo "== all passed in ${SECONDS}s"
exit $status
