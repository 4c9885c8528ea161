#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need. Idempotent.
set -euo pipefail
PKGS=(
  build-essential cmake pkg-config ninja-build libgtest-dev
  zlib1g-dev libminizip-dev libpng-dev libfreetype-dev libsquish-dev libssl-dev libarchive-dev
  libsdl2-dev libgl-dev libgl1-mesa-dri mesa-utils
  xvfb xauth xdotool xclip x11-utils imagemagick
  nginx-light tinyproxy curl zip unzip p7zip-full python3 iproute2
  fonts-dejavu-core zenity xdg-utils clang libclang-rt-14-dev ffmpeg
  gdb
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# nginx and tinyproxy are started by the tests themselves, on loopback addresses of their own.
for svc in nginx tinyproxy; do
  pkill -x "$svc" 2>/dev/null || true
done
