#!/usr/bin/env bash
# Configures and builds into the given folder (default: build); further arguments name the
# targets to build (default: everything, tests and benchmarks included). LENDORA_CMAKE_OPTIONS
# adds options to the configuration (e.g. "-DLENDORA_SANITIZE=ON -DLENDORA_BENCH=OFF").
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
shift || true
targets=()
for t in "$@"; do targets+=(--target "$t"); done
read -ra options <<<"${LENDORA_CMAKE_OPTIONS:-}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}"
cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
