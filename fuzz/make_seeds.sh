#!/usr/bin/env bash
# Seeds for the fuzz programs that read the program's outside data: small valid
# files of each kind, made by hand and by the real zip and 7z tools.
#   fuzz/make_seeds.sh OUT   (makes OUT/corpus_<name>/)
set -euo pipefail
mkdir -p "$1"; out="$(cd "$1" && pwd)"
src="$(cd "$(dirname "$0")/.." && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for n in directory serverlist xmap httphead zip 7z; do mkdir -p "$out/corpus_$n"; done

python3 "$src/tests/engine/make_release.py" web "$work/web" >/dev/null
python3 "$src/tests/engine/make_release.py" names "$work/names" >/dev/null
unzip -p "$work/web/mirror/vantor_92102/directory.txt.zip" > "$out/corpus_directory/web.txt"
unzip -p "$work/names/mirror/vantor_92102/directory.txt.zip" > "$out/corpus_directory/names.txt"
printf 'I\r\n840 version\r\nINSTALLER\r\n\r\nDISK 2\r\nDIR All/Resources/default scenery/DSF 820/Global Scenery/+40-080/\r\nFILE 0 6 92102 5 9 GONE +40-080.dsf\r\n' \
  > "$out/corpus_directory/crlf.txt"

printf 'A\n820 version\nSERVERS\nBETA Vantor 9.30b1\nFINAL Vantor 9.21rc2\nINS_VERSION 20502 http://x.example/old.html\nSERVER 127.0.0.42\n/pub/\nFirst mirror|Europe\n  SERVER mirror.two\n\n/\n\nSecond mirror\nENDOFLIST\nSERVER late\n/\nd\n' \
  > "$out/corpus_serverlist/list.txt"
printf 'A\n820 version\nSERVERS\nFINAL R\nINS_VERSION +20503 http://x.example/new.html trailing\n' > "$out/corpus_serverlist/newer.txt"

cp "$out/corpus_directory/web.txt" "$out/corpus_serverlist/list.txt" "$out/corpus_xmap/"
printf 'a\0\0\003\204rest of a binary file' > "$out/corpus_xmap/binary.bin"
printf '\xef\xbb\xbfI\n900 version notice\nSERVERS\nFILE -12 +34 DIR x\n' > "$out/corpus_xmap/bom.txt"

printf '\001HTTP/1.1 200 OK\r\nContent-Length: 5\r\nServer: x\r\n\r\nhello' > "$out/corpus_httphead/ok"
printf '\020HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\ncontent-length:3\r\n\r\nabc' > "$out/corpus_httphead/interim"
printf '\002HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n' > "$out/corpus_httphead/missing"
printf '\003HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 10\r\n\r\n5\r\nhello\r\n0\r\n\r\n' > "$out/corpus_httphead/chunked_length"
printf '\001HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;name=value\r\nhello\r\n1A \r\nabcdefghijklmnopqrstuvwxyz\r\n0\r\nX-Sum: 1\r\n\r\n' > "$out/corpus_httphead/chunked"
printf '\002HTTP/1.1 200 OK\r\ntransfer-encoding: Chunked\r\n\r\n3\nabc\n0\n\n' > "$out/corpus_httphead/chunked_lf"
printf '\001HTTP/1.0 200 OK\r\nContent-Type: application/zip\r\n\r\nbytes until the close' > "$out/corpus_httphead/close_delimited"

mkdir -p "$work/tree/sub"
printf 'plain text\n' > "$work/tree/a.txt"
head -c 3000 /dev/urandom > "$work/tree/sub/b.bin"
ln -s a.txt "$work/tree/link"
(cd "$work/tree" && zip -q -X -y "$out/corpus_zip/tree.zip" a.txt sub/b.bin link && zip -q -X -0 "$out/corpus_zip/stored.zip" a.txt)
(cd "$work/tree" && 7z a -bd -y "$out/corpus_7z/tree.7z" a.txt sub >/dev/null && 7z a -bd -y -mx=0 "$out/corpus_7z/stored.7z" a.txt >/dev/null)
# 7z archives of each coder, filter and layout the reader takes (and one it
# refuses: an encrypted header), so that the fuzzing starts inside each decoder.
awk 'BEGIN { for (i = 0; i < 800; i++) printf "line %d of a text that packs well\n", i }' > "$work/tree/c.txt"
: > "$work/tree/empty.txt"
mkdir -p "$work/none"
seven() {  # seven NAME OPTIONS... FILES...: one seed; -- ends the options
  local name=$1; shift
  local opts=()
  while [ "$1" != "--" ]; do opts+=("$1"); shift; done
  shift
  (cd "$work/tree" && 7z a -bd -y "${opts[@]}" "$out/corpus_7z/$name.7z" "$@" >/dev/null)
}
for coder in LZMA LZMA2 PPMd BZip2 Deflate Copy; do seven "$coder" -m0=$coder -- a.txt c.txt sub; done
seven bcj -m0=BCJ -m1=LZMA -- c.txt a.txt
seven bcj2 -mf=BCJ2 -- c.txt a.txt
seven arm -m0=ARM -m1=LZMA -- c.txt
seven delta -m0=Delta:4 -m1=LZMA2 -- c.txt
seven solid -ms=on -- a.txt c.txt sub empty.txt
seven nonsolid -ms=off -- a.txt c.txt sub
seven empty_file -- empty.txt
seven links -snl -- link a.txt
seven plain_header -mhc=off -- a.txt c.txt
seven times -mtc=on -mta=on -mtm=on -- a.txt
seven encrypted -pvantor -mhe=on -- a.txt
(cd "$work/none" && 7z a -bd -y "$out/corpus_7z/empty_archive.7z" . >/dev/null)

# Small pictures of each kind the image readers take: odd sizes, with and
# without alpha, a palette PNG, 24-bit BMPs and each DXT kind of DDS.
for n in png bmp dds; do mkdir -p "$out/corpus_$n"; done
convert -size 7x5 gradient:red-blue "$work/rgb.png"
convert -size 9x3 gradient:'#ff000080-#00ff00ff' "$work/rgba.png"
cp "$work/rgb.png" "$work/rgba.png" "$out/corpus_png/"
convert -size 5x4 xc:gray50 -type Grayscale "$out/corpus_png/gray.png"
convert -size 6x6 pattern:checkerboard -colors 4 "PNG8:$out/corpus_png/palette.png"
convert -size 16x16 pattern:checkerboard -interlace PNG "$out/corpus_png/interlaced.png"
convert "$work/rgb.png" -type TrueColor "BMP3:$out/corpus_bmp/rgb.bmp"
convert -size 4x3 xc:'#ff00ff' -type TrueColor "BMP3:$out/corpus_bmp/key.bmp"
convert -size 8x8 gradient:red-blue -define dds:compression=dxt1 -define dds:mipmaps=0 "$out/corpus_dds/dxt1.dds"
convert -size 8x4 gradient:'#ff000080-#00ff00ff' -define dds:compression=dxt5 -define dds:mipmaps=2 "$out/corpus_dds/dxt5.dds"
convert -size 4x4 gradient:'#ff000080-#00ff00ff' -define dds:compression=dxt5 -define dds:mipmaps=0 "$out/corpus_dds/dxt3.dds"
printf 'DXT3' | dd of="$out/corpus_dds/dxt3.dds" bs=1 seek=84 conv=notrunc status=none	# same block size
convert -size 3x5 gradient:red-blue -define dds:compression=none -define dds:mipmaps=0 "$out/corpus_dds/bgr.dds"
convert -size 5x3 gradient:'#ff000080-#00ff00ff' -define dds:compression=none -define dds:mipmaps=0 "$out/corpus_dds/bgra.dds"
