#!/usr/bin/env bash
# Fairness of the TCP/IP command server of a headless Orv under a flood.
#
#   bench/tcp_flood.sh [BUILD_DIR] [PORT]
#
# Starts `orv --headless --tcp-port=PORT` on the simulator in a scratch data
# directory and runs bench_TcpFlood against it: eight clients send '#25;' as
# fast as TCP lets them while a ninth times 2000 '#25;' round trips.
# Target: the ninth client's p99 under 20 ms.

set -euo pipefail

build=$(cd "${1:-$(dirname "$0")/../build/default}" && pwd)
port=${2:-15004}
orv="$build/orv"
bench="$build/bench/bench_TcpFlood"
for f in "$orv" "$bench"; do
    [[ -x "$f" ]] || { echo "tcp_flood: $f not built" >&2; exit 1; }
done

source "$(dirname "$0")/headless_orv.sh"
start_headless_orv tcp_flood "$orv" "$port"

echo "== flood: 8 clients flooding '#25;', a ninth timing '#25;' (orv pid $orv_pid, port $port)"
ORV_TCP_PORT=$port "$bench" --benchmark_counters_tabular=true 2>/dev/null | sed -n '/^Benchmark\|^BM_\|^---/p'
