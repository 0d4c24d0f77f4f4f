#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and UBSan into build-asan (no
# benchmarks) and runs the whole suite there through the same print isolation as the plain
# suite. Any sanitizer report fails the test that raised it. Leaks are not checked: Qt keeps
# allocations alive until exit by design.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-asan"
# The test discovery at build time runs the executables too, so the options apply to both.
export ASAN_OPTIONS="detect_leaks=0:halt_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$root/scripts/ubsan.supp"
"$root/scripts/setup.sh"
LENDORA_CMAKE_OPTIONS="-DLENDORA_SANITIZE=ON -DLENDORA_BENCH=OFF" "$root/scripts/build.sh" "$build"
"$root/scripts/print-isolation.sh" "$build"
