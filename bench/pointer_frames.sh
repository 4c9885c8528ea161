#!/usr/bin/env bash
# Frames per second of build/widget_demo (the shell's own event step) with the
# pointer resting and with it moving every 15 ms and every 5 ms. Run it on a
# display (xvfb-run -a -s "-screen 0 1280x1024x24" bash bench/pointer_frames.sh).
set -euo pipefail
build=${1:-build}
out=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; rm -rf "$out"' EXIT
"${DEMO:-$build/widget_demo}" "$out/values.txt" & pid=$!
# the search dies when another window vanishes under it: asked again until it answers
win=
for i in $(seq 100); do
	win=$(timeout 10 xdotool search --all --pid $pid --name '^widget demo$' 2>/dev/null | head -1) || true
	[ -n "$win" ] && break; sleep 0.1
done
frames() { sed -n 's/.*frames=\([0-9]*\).*/\1/p' "$out/values.txt"; }
for i in $(seq 100); do [ -s "$out/values.txt" ] && break; sleep 0.2; done; sleep 1
# the pointer moving every `interval` ms for `seconds`
moves() { python3 "$(dirname "$0")/../tests/support/pointer_stream.py" "$win" 100 120 "$1" "$2" >/dev/null; }
measure() {
	local label=$1 a b t0 t1
	a=$(frames); t0=$(date +%s.%N)
	if [ "$2" = idle ]; then sleep 3; else moves "$2" 3; fi
	b=$(frames); t1=$(date +%s.%N)
	awk -v l="$label" -v a="$a" -v b="$b" -v t0="$t0" -v t1="$t1" \
		'BEGIN { printf "%-22s %6.1f frames/s (%d frames in %.2f s)\n", l, (b - a) / (t1 - t0), b - a, t1 - t0 }'
}
measure "idle" idle
measure "pointer every 15 ms" 15
measure "pointer every 5 ms" 5
