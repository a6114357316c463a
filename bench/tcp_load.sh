#!/usr/bin/env bash
# Load and idle cost of the TCP/IP command server of a headless Orv.
#
#   bench/tcp_load.sh [BUILD_DIR] [PORT] [IDLE_SECONDS]
#
# Starts `orv --headless --tcp-port=PORT` on the simulator in a scratch data
# directory, runs bench_TcpLoad against it (32 clients x 1000 '#25;', each answer
# checked at the client that asked; throughput and p50/p99 round trip), then
# leaves the server idle for IDLE_SECONDS (default 60) and reports the CPU it
# used (percent of one core) and its resident memory.
# Targets: p99 < 5 ms, idle CPU < 2 %, resident memory < 60 MB.

set -euo pipefail

build=$(cd "${1:-$(dirname "$0")/../build/default}" && pwd)
port=${2:-15003}
idle=${3:-60}
orv="$build/orv"
bench="$build/bench/bench_TcpLoad"
for f in "$orv" "$bench"; do
    [[ -x "$f" ]] || { echo "tcp_load: $f not built" >&2; exit 1; }
done

source "$(dirname "$0")/headless_orv.sh"
start_headless_orv tcp_load "$orv" "$port"

echo "== load: 32 clients x 1000 '#25;' against orv (pid $orv_pid, port $port)"
ORV_TCP_PORT=$port "$bench" --benchmark_counters_tabular=true 2>/dev/null | sed -n '/^Benchmark\|^BM_\|^---/p'

# CPU time of the process in clock ticks: utime + stime (fields 14 and 15 of
# /proc/PID/stat; the command name in field 2 has no blanks here).
ticks() { awk '{ print $14 + $15 }' "/proc/$orv_pid/stat"; }
hz=$(getconf CLK_TCK)

sleep 2   # let the load's last connections close
before=$(ticks)
start=$(date +%s.%N)
sleep "$idle"
after=$(ticks)
end=$(date +%s.%N)
cpu=$(awk -v a="$after" -v b="$before" -v hz="$hz" -v s="$start" -v e="$end" \
    'BEGIN { printf "%.2f", 100 * (a - b) / hz / (e - s) }')
rss=$(awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$orv_pid/status")
hwm=$(awk '/^VmHWM/ { printf "%.1f", $2 / 1024 }' "/proc/$orv_pid/status")

echo "== idle with the server active, ${idle} s"
echo "cpu_percent_of_one_core=$cpu"
echo "resident_MB=$rss peak_resident_MB=$hwm"
