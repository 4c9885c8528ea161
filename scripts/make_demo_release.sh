#!/usr/bin/env bash
# Makes the demo release: a small master tree, a release set built from it by
# the builder, laid out as a mirror, and the update site's server list.
#   scripts/make_demo_release.sh OUT_DIR [BUILD_DIR] [MIRROR_HOST ...]
# OUT_DIR/master  the master tree
# OUT_DIR/mirror  what a mirror serves (the release folder and dvd_version.txt)
# OUT_DIR/site    what the update site serves (serverlist9.txt)
# OUT_DIR is new, empty, or one this script made before (it is marked so):
# another folder is refused, and only what the script makes is ever removed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: make_demo_release.sh OUT_DIR [BUILD_DIR] [MIRROR_HOST ...]}
build=$(cd "${2:-$here/build}" && pwd)
shift 2 2>/dev/null || shift $#
hosts=("$@")
[ ${#hosts[@]} -gt 0 ] || hosts=(127.0.0.61 127.0.0.62)
release="Vantor 9.21rc2"

stamp=.vantor-demo-release
made=(master mirror site previous_directory.txt build.log "Vantor Release Builder Log.txt" MemoryLog.txt "$stamp")
if [ -e "$out" ] && [ ! -d "$out" ]; then
	echo "make_demo_release.sh: $out is not a folder" >&2
	exit 1
fi
if [ -d "$out" ] && [ ! -e "$out/$stamp" ] && [ -n "$(ls -A "$out")" ]; then
	echo "make_demo_release.sh: $out holds files it did not make; give a new or empty folder" >&2
	exit 1
fi
mkdir -p "$out"
out=$(cd "$out" && pwd)
# an earlier demo release here: its parts go, and nothing else
for m in "${made[@]}"; do rm -rf "${out:?}/$m"; done
printf 'made by scripts/make_demo_release.sh; it replaces what it made here\n' > "$out/$stamp"
python3 "$here/scripts/demo_master_tree.py" "$out/master"

# The first release has no history: its previous directory is an empty list.
printf 'A\n900 version\nINSTALLER\n\n' > "$out/previous_directory.txt"
(cd "$out" && "$build/make_release" --master "$out/master/" --out "$out/mirror/" \
	--previous "$out/previous_directory.txt" --type 0 >"$out/build.log" 2>&1) || {
	cat "$out/build.log" >&2; exit 1; }

mkdir -p "$out/site"
{
	printf 'A\n820 version\nSERVERS\n\n'
	printf 'FINAL %s\n' "$release"
	n=1
	for h in "${hosts[@]}"; do
		# the description is "text|label{ help": the wizard's mirror list shows the label
		printf 'SERVER %s\n/\nDemo mirror %d|Demo mirror %d{ a mirror of the demo release\n' "$h" "$n" "$n"
		n=$((n + 1))
	done
	printf 'ENDOFLIST\n'
} > "$out/site/serverlist9.txt"
echo "demo release: $(find "$out/mirror" -name '*.zip' | wc -l) archives in $out/mirror"
