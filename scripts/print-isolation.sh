#!/usr/bin/env bash
# Runs the whole test suite beside a CUPS scheduler of its own whose default queue is called
# "PDF", as on a workstation with Debian's PDF printer, and fails when any job reached a queue:
# the tests must leave the machine's printers alone. Without cupsd the suite runs as it is.
# The build folder to test is the argument (default: build).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
parallel="${CTEST_PARALLEL_LEVEL:-$(nproc)}"
cd "${1:-$root/build}"
if [ ! -x /usr/sbin/cupsd ] || ! command -v lpadmin >/dev/null; then
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$parallel"
    exit
fi
dir="$(mktemp -d)"
mkdir -p "$dir"/{spool,cache,state,logs,ppd,ssl}
cat >"$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
Browsing Off
DefaultAuthType None
<Location />
 Order allow,deny
 Allow all
</Location>
<Location /admin>
 Order allow,deny
 Allow all
</Location>
<Policy default>
 <Limit All>
  Order deny,allow
 </Limit>
</Policy>
CONF
cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
ServerBin /usr/lib/cups
DataDir /usr/share/cups
FileDevice Yes
ErrorLog $dir/logs/error_log
AccessLog $dir/logs/access_log
PageLog $dir/logs/page_log
CONF
/usr/sbin/cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" >"$dir/logs/out" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; rm -rf "$dir"' EXIT
for _ in $(seq 100); do [ -S "$dir/cups.sock" ] && break; sleep 0.1; done
if [ ! -S "$dir/cups.sock" ]; then
    echo "print isolation: cupsd did not start, the suite runs without the check" >&2
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$parallel"
    exit
fi
export CUPS_SERVER="$dir/cups.sock"
lpadmin -p PDF -v file:///dev/null -E
lpadmin -p Laser -v file:///dev/null -E
lpadmin -d PDF
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$parallel"
jobs="$(lpstat -W all -o)"
if [ -n "$jobs" ]; then
    echo "Print jobs reached the machine's queues:" >&2
    echo "$jobs" >&2
    exit 1
fi
