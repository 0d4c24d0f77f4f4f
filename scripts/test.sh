#!/usr/bin/env bash
# Sets up, builds and runs every test, proving that none reaches a printer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
"$root/scripts/print-isolation.sh"
