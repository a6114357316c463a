#!/usr/bin/env bash
# Idle cost of orv with its main window shown, on a virtual X display (Xvfb).
#
#   bench/window_idle.sh [BUILD_DIR] [SECONDS]
#
# Starts `orv` (windows, simulated telescope) in a scratch data directory under
# xvfb-run, waits for its main window, leaves it at rest for SECONDS (default
# 60) and reports the CPU it used over that time (percent of one core: the
# display refresh every 50 ms, the eight tasks and the simulator) and its
# resident memory at the end (and its peak).
# Targets: CPU < 3 % of one core, resident memory < 80 MB.

set -euo pipefail

if [[ "${1:-}" != --inside ]]; then
    self=$(realpath "$0")
    build=$(cd "${1:-$(dirname "$0")/../build/default}" && pwd)
    [[ -x "$build/orv" ]] || { echo "window_idle: $build/orv not built" >&2; exit 1; }
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    chmod 700 "$work"
    cd "$work"
    export XDG_RUNTIME_DIR=$work
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY
    xvfb-run -a -s "-screen 0 1280x1024x24" "$self" --inside "$build/orv" "${2:-60}"
    exit
fi
orv=$2
idle=$3

"$orv" >orv.out 2>orv.err &
pid=$!
trap 'kill -TERM $pid 2>/dev/null; wait $pid 2>/dev/null || true' EXIT
for _ in $(seq 150); do
    xwininfo -root -tree 2>/dev/null | grep -qF '"Zev - Telescope Control System": ("orv"' && break
    sleep 0.1
done
xwininfo -root -tree | grep -qF '"Zev - Telescope Control System": ("orv"' ||
    { echo "window_idle: no main window" >&2; cat orv.err >&2; exit 1; }

# CPU time of the process in clock ticks: utime + stime (fields 14 and 15 of /proc/PID/stat).
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
sleep 2   # start-up done
before=$(ticks)
start=$(date +%s.%N)
sleep "$idle"
after=$(ticks)
end=$(date +%s.%N)
cpu=$(awk -v a="$after" -v b="$before" -v hz="$hz" -v s="$start" -v e="$end" \
    'BEGIN { printf "%.2f", 100 * (a - b) / hz / (e - s) }')
rss=$(awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$pid/status")
peak=$(awk '/^VmHWM/ { printf "%.1f", $2 / 1024 }' "/proc/$pid/status")
threads=$(awk '/^Threads/ { print $2 }' "/proc/$pid/status")

echo "== orv with its main window at rest under Xvfb, ${idle} s"
echo "CPU:             ${cpu} % of one core   (target < 3 %)"
echo "resident memory: ${rss} MB, peak ${peak} MB   (target < 80 MB)"
echo "threads:         ${threads}"
awk -v c="$cpu" -v r="$rss" 'BEGIN { exit !(c < 3 && r < 80) }' && echo "within targets" || echo "OVER TARGET"
