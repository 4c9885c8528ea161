#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need. Idempotent.
#
# The tests and the demo start nginx and tinyproxy themselves, on loopback
# addresses of their own, and stop them by the process ids they hold. The
# machine may run other people's servers of the same names: this script stops
# none of them, and installing starts no service and enables none at boot that
# was not enabled before (Debian's policy-rc.d hook refuses every start for
# the duration; the boot links the packages add are taken away again).
set -euo pipefail
PKGS=(
  build-essential cmake pkg-config ninja-build libgtest-dev
  zlib1g-dev libminizip-dev libpng-dev libfreetype-dev libsquish-dev libssl-dev libarchive-dev
  libsdl2-dev libgl-dev libgl1-mesa-dri mesa-utils
  xvfb xauth xdotool xclip x11-utils imagemagick
  nginx-light tinyproxy curl zip unzip p7zip-full python3 iproute2
  fonts-dejavu-core zenity xdg-utils clang libclang-rt-14-dev ffmpeg
  gdb util-linux
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0

SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
policy=/usr/sbin/policy-rc.d
saved="$policy.vantor-setup-saved"
# The links that start a service at boot, as they are now.
boot_links() {
  { $SUDO find /etc/systemd/system /etc/rc0.d /etc/rc1.d /etc/rc2.d /etc/rc3.d /etc/rc4.d /etc/rc5.d \
      /etc/rc6.d /etc/rcS.d -type l 2>/dev/null || true; } | sort
}
links_before=$(mktemp)
boot_links > "$links_before"

# A boot link the packages made: a systemd unit's is removed (as "systemctl
# disable" would, which the packages' later upgrades respect), a System V
# script's start links become stop links.
undo_new_boot_links() {
  boot_links | comm -13 "$links_before" - | while read -r link; do
    case "$link" in
      /etc/systemd/system/*) $SUDO rm -f "$link" ;;
      /etc/rc?.d/S*)
        $SUDO update-rc.d "$(basename "$link" | sed -E 's/^S[0-9]+//')" disable >/dev/null 2>&1 ||
          $SUDO rm -f "$link" ;;
    esac
  done
}

# policy-rc.d as it was, whatever it was: moved aside whole and moved back.
had_policy=0 placed=0
restore() {
  if [ $placed -eq 1 ]; then
    if [ $had_policy -eq 1 ]; then $SUDO mv -f "$saved" "$policy"; else $SUDO rm -f "$policy"; fi
  fi
  undo_new_boot_links
  rm -f "$links_before"
}
trap restore EXIT
trap 'exit 130' INT TERM HUP
if [ -e "$policy" ] || [ -L "$policy" ]; then
  [ ! -e "$saved" ] || { echo "setup.sh: $saved is in the way: was an earlier set-up cut short?" >&2; exit 1; }
  had_policy=1
fi
placed=1
[ $had_policy -eq 0 ] || $SUDO mv "$policy" "$saved"
# 101: the action is not allowed; invoke-rc.d then starts nothing.
printf '#!/bin/sh\n# written by the Vantor set-up while it installs packages\nexit 101\n' | $SUDO tee "$policy" >/dev/null
$SUDO chmod 755 "$policy"

$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
