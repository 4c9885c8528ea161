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
rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
python3 "$here/scripts/demo_master_tree.py" "$out/master" >/dev/null
all="$out/master/All"
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
(cd "$out" && "$build/make_release" --master "$out/master/" --out "$out/out/" --type 1 --disc-kb 1500 \
	>"$out/build.log" 2>&1) || { cat "$out/build.log" >&2; exit 1; }
(cd "$out/master" && find All Linux -type f ! -path 'All/Global Scenery/*' ! -name '*.7z' \
	! -regex '.*/plugins/.*\(Mac\|Win\|\.shlb\|\.dll\|\.framework/\).*' -print0 |
	xargs -0 md5sum | sed -E 's#^([0-9a-f]{32})  (All|Linux)/(.*)$#\3\t\1#') > "$out/manifest.txt"
if [ -n "$copy" ]; then
	while IFS=$'\t' read -r rel _; do
		src="$out/master/All/$rel"
		[ -f "$src" ] || src="$out/master/Linux/$rel"
		mkdir -p "$(dirname "$copy/$rel")"
		cp -p "$src" "$copy/$rel"
	done < "$out/manifest.txt"
fi
