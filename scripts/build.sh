#!/usr/bin/env bash
# Configures and builds VAZUV into ./build (or $VAZUV_BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VAZUV_BUILD_DIR:-$root/build}"
# ccache keeps its default cache folder (shared by every clone on this machine).
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
