#!/usr/bin/env bash
# Sets up, builds and lays out the program folder dist/ (bin/, db/, Programs/), creates the
# database when it is missing and starts the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" lendora
dist="$root/dist"
mkdir -p "$dist/bin" "$dist/db" "$dist/Programs"
install -m 755 "$root/build/bin/lendora" "$dist/bin/lendora"
cp -n "$root"/Programs/* "$dist/Programs/" 2>/dev/null || true
"$dist/bin/lendora" --create-database
exec "$dist/bin/lendora" "$@"
