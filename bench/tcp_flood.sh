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

data=$(mktemp -d)
orv_pid=
cleanup() {
    if [[ -n "$orv_pid" ]] && kill -0 "$orv_pid" 2>/dev/null; then
        kill -TERM "$orv_pid"
        wait "$orv_pid" 2>/dev/null || true
    fi
    rm -rf "$data"
}
trap cleanup EXIT

(cd "$data" && exec "$orv" --headless --tcp-port="$port" >"$data/orv.log" 2>&1 </dev/null) &
orv_pid=$!
for _ in $(seq 100); do
    grep -q "listening on port" "$data/orv.log" 2>/dev/null && break
    kill -0 "$orv_pid" 2>/dev/null || { echo "tcp_flood: orv ended:" >&2; cat "$data/orv.log" >&2; exit 1; }
    sleep 0.1
done
grep -q "listening on port" "$data/orv.log" || { echo "tcp_flood: orv is not listening" >&2; exit 1; }

echo "== flood: 8 clients flooding '#25;', a ninth timing '#25;' (orv pid $orv_pid, port $port)"
ORV_TCP_PORT=$port "$bench" --benchmark_counters_tabular=true 2>/dev/null | sed -n '/^Benchmark\|^BM_\|^---/p'
