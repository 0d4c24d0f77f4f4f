#!/usr/bin/env bash
# Checks the C++ files a change touches: clang-format must leave them as they are, and clang-tidy
# (the checks in .clang-tidy) must find nothing in the program's sources. The change is what HEAD
# holds beyond the given base (default HEAD~1: the latest landing, a merge with all it brings).
# Needs build/compile_commands.json, so run it after scripts/build.sh.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
base="${1:-HEAD~1}"
if git rev-parse -q --verify "$base^{commit}" >/dev/null; then
    mapfile -t files < <(git diff --name-only --diff-filter=d "$base...HEAD" -- '*.cpp' '*.h')
else
    mapfile -t files < <(git ls-files '*.cpp' '*.h')
fi
[ ${#files[@]} -eq 0 ] && { echo "lint: no C++ files changed"; exit 0; }
status=0
echo "lint: clang-format on ${#files[@]} files"
clang-format --dry-run -Werror "${files[@]}" || status=1
mapfile -t sources < <(printf '%s\n' "${files[@]}" | grep '\.cpp$' | grep -v -E '^(tests|bench)/' || true)
if [ ${#sources[@]} -gt 0 ]; then
    echo "lint: clang-tidy on ${#sources[@]} files"
    # clang-tidy exits non-zero on the very findings sought, so its output is read, not its status.
    findings="$(printf '%s\n' "${sources[@]}" |
        xargs -P "$(nproc)" -n 4 clang-tidy -p "$root/build" --quiet 2>/dev/null || true)"
    if grep -E '(warning|error):' <<<"$findings"; then status=1; fi
fi
[ $status -eq 0 ] && echo "lint: clean"
exit $status
