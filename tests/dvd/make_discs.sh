#!/usr/bin/env bash
# A product disc set made by the release-set builder from the demo master tree
# (with the folders a disc set needs), cut small so that it spans two discs.
#   make_discs.sh OUT_DIR BUILD_DIR [COPY_DIR]
# OUT_DIR/out/disk_0, disk_1  the discs
# OUT_DIR/manifest.txt        what a Linux copy holds without global scenery
#                             (the other platforms' plug-ins left out):
#                             local path, a tab, MD5
# COPY_DIR                    those files, as an installed copy
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
out=$1
build=$2
copy=${3:-}
# The set is the same for every test of one build: it is made once, under a
# lock, and each test gets a copy of its own (tests change their discs).
sets="$build/test_tmp/disc_sets"
key=$(cat "$build/make_release" "$0" "$here/scripts/demo_master_tree.py" | md5sum | cut -c1-16)
make_set() {  # make_set <folder>
	local set=$1
	mkdir -p "$set"
	python3 "$here/scripts/demo_master_tree.py" "$set/master" >/dev/null
	all="$set/master/All"
	mkdir -p "$all/Resources/default scenery/900 red terrain" "$all/Resources/bitmaps/Earth Orbit Textures"
	# Three global scenery tiles: two side by side off North America, one off Australia.
	for t in "+40-080 +45-075 g" "+40-070 +45-065 h" "-40+140 -35+145 i"; do
		read -r folder name fill <<<"$t"
		tile="$all/Global Scenery/-global terrain-/$folder"
		mkdir -p "$tile"
		head -c 100000 /dev/zero | tr '\0' "$fill" > "$tile/$name.dsf"
		(cd "$tile" && 7z a -bd -bso0 -bsp0 -- "$name.dsf.7z" "$name.dsf" >/dev/null)
	done
	echo "red" > "$all/Resources/default scenery/900 red terrain/red.txt"
	echo "orbit" > "$all/Resources/bitmaps/Earth Orbit Textures/orbit.txt"
	(cd "$set" && "$build/make_release" --master "$set/master/" --out "$set/out/" --type 1 --disc-kb 1500 \
		>"$set/build.log" 2>&1) || { cat "$set/build.log" >&2; exit 1; }
	(cd "$set/master" && find All Linux -type f ! -path 'All/Global Scenery/*' ! -name '*.7z' \
		! -regex '.*/plugins/.*\(Mac\|Win\|\.shlb\|\.dll\|\.framework/\).*' -print0 |
		xargs -0 md5sum | sed -E 's#^([0-9a-f]{32})  (All|Linux)/(.*)$#\3\t\1#') > "$set/manifest.txt"
}
mkdir -p "$sets"
(
	flock 9
	if [ ! -f "$sets/$key.done" ]; then
		rm -rf "${sets:?}"/*
		make_set "$sets/$key"
		touch "$sets/$key.done"
	fi
) 9>"$sets/.lock"
rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
cp -a "$sets/$key/." "$out/"
if [ -n "$copy" ]; then
	while IFS=$'\t' read -r rel _; do
		src="$out/master/All/$rel"
		[ -f "$src" ] || src="$out/master/Linux/$rel"
		mkdir -p "$(dirname "$copy/$rel")"
		cp -p "$src" "$copy/$rel"
	done < "$out/manifest.txt"
fi
