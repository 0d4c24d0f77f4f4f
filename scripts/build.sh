#!/usr/bin/env bash
# Configures and builds into the given folder (default: build); further arguments name the
# targets to build (default: everything, tests and benchmarks included).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
shift || true
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel "$(nproc)" "${targets[@]}"
