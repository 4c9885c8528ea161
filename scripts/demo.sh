#!/usr/bin/env bash
# Sets up, builds and starts the installer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
cd build && ./vantor-installer "$@"
