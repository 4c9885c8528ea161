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

# A display number is claimed for the whole machine by the lock file
# (/tmp/.X<n>-lock) the server writes, which -displayfd would leave out: the
# abstract X sockets are per network namespace, but the socket files in
# /tmp/.X11-unix are shared, and a client that misses the abstract socket goes
# on to the file, which would otherwise be another run's server of the same
# number (its clicks landing in that run's windows). From 100 up, clear of the
# numbers that servers started with -displayfd take.
displays=()
next=100
# Far beyond the longest a tree's tests take on a busy machine.
xvfb_bound=${VANTOR_XVFB_SECONDS:-7200}
for ((i = 0; i < count; i++)); do
  for ((; next < 1000; next++)); do
    # -noreset: the server resets when its last client leaves, and a test's
    # program that connects during the reset (the one before has just been
    # stopped) gets no display.
    # A killed test command leaves no X server: each goes with its parent
    # (the parent-death signal, of this script and of the time bound between)
    # and in any case once the bound has passed.
    setpriv --pdeathsig KILL timeout -k 10 "$xvfb_bound" setpriv --pdeathsig KILL \
      Xvfb ":$next" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb$i.log" 2>&1 &
    pid=$!
    # up when it answers; a number another server holds ends it at once
    for ((t = 0; t < 300; t++)); do
      kill -0 "$pid" 2>/dev/null || break
      DISPLAY=":$next" timeout 10 xdpyinfo >/dev/null 2>&1 && break
      sleep 0.1
    done
    # the server's lock names the server, the child of the time bound
    holder=$(tr -dc 0-9 < "/tmp/.X$next-lock" 2>/dev/null || true)
    if kill -0 "$pid" 2>/dev/null && [ -n "$holder" ] &&
      [ "$(awk '/^PPid:/ {print $2}' "/proc/$holder/status" 2>/dev/null)" = "$pid" ]; then
      pids+=("$pid")
      displays+=(":$next")
      next=$((next + 1))
      break
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  [ ${#displays[@]} -gt "$i" ] || { echo "Xvfb did not start"; cat "$work/xvfb$i.log"; exit 1; }
done

export DISPLAY=${displays[0]}
export VANTOR_TEST_DISPLAYS
VANTOR_TEST_DISPLAYS=$(IFS=';'; echo "${displays[*]}")
unset XAUTHORITY
cd "$dir"
rc=0
ctest --output-on-failure "$@" || rc=$?

# In a network namespace of its own (as test.sh runs it) whatever still
# listens there once CTest is done was left by a test: named, stopped by its
# process id, and a failure.
own_net=$(readlink /proc/self/ns/net 2>/dev/null || true)
if [ -n "$own_net" ] && [ "$own_net" != "$(readlink /proc/1/ns/net 2>/dev/null || echo "$own_net")" ]; then
  left=$(ss -Hltnup 2>/dev/null | grep -o 'pid=[0-9]*' | cut -d= -f2 | sort -u || true)
  if [ -n "$left" ]; then
    echo "Left listening by the tests:"
    ss -ltnup 2>/dev/null || true
    for p in $left; do kill "$p" 2>/dev/null || true; done
    rc=1
  fi
fi
exit $rc
