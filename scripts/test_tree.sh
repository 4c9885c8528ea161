#!/usr/bin/env bash
# Runs the tests of one build tree on displays of its own: starts that many
# Xvfb servers, deals the window tests out over them (tests/CMakeLists.txt)
# and stops the servers after CTest.
#   scripts/test_tree.sh <build dir> <displays> [ctest args]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1 count=$2
shift 2
work=$(mktemp -d)
pids=()
stop_displays() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap stop_displays EXIT

displays=()
for ((i = 0; i < count; i++)); do
  # The server picks a free display number itself and writes it: no race with
  # servers other runs start at the same moment.
  # -noreset: the server resets when its last client leaves, and a test's
  # program that connects during the reset (the one before has just been
  # stopped) gets no display.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$work/display$i" >"$work/xvfb$i.log" 2>&1 &
  pids+=($!)
  for ((t = 0; t < 300; t++)); do
    [ -s "$work/display$i" ] && break
    kill -0 "${pids[$i]}" 2>/dev/null || { cat "$work/xvfb$i.log"; exit 1; }
    sleep 0.1
  done
  [ -s "$work/display$i" ] || { echo "Xvfb did not start"; exit 1; }
  displays+=(":$(tr -dc 0-9 < "$work/display$i")")
done

export DISPLAY=${displays[0]}
export VANTOR_TEST_DISPLAYS
VANTOR_TEST_DISPLAYS=$(IFS=';'; echo "${displays[*]}")
unset XAUTHORITY
cd "$dir"
ctest --output-on-failure "$@"
