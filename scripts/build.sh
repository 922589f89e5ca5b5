#!/usr/bin/env bash
# Configures and builds VAZUV into ./build (or $VAZUV_BUILD_DIR).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VAZUV_BUILD_DIR:-$root/build}"
export CCACHE_DIR="${CCACHE_DIR:-$root/.ccache}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
