#!/usr/bin/env bash
# Orv's INDI driver side by side with Debian's telescope simulator, in one run:
#
#   bench/indi_bench.sh [BUILD_DIR] [ORV_PORT] [INDI_PORT]
#
# Starts `orv --headless` on the simulator (time scale 1, UT from the PC clock)
# and one indiserver running both indi_simulator_telescope and indi_orv;
# connects both mounts, turns their tracking off (so their RA moves and every
# poll sends it), then runs bench_IndiRoundTrip: p50/p99 of a coordinate read
# through indiserver, and the age of the coordinates the client holds.

set -euo pipefail

build=$(cd "${1:-$(dirname "$0")/../build/default}" && pwd)
orv_port=${2:-15013}
indi_port=${3:-17634}
orv="$build/orv"
driver="$build/indi_orv"
bench="$build/bench/bench_IndiRoundTrip"
for f in "$orv" "$driver" "$bench"; do
    [[ -x "$f" ]] || { echo "indi_bench: $f not built" >&2; exit 1; }
done
command -v indiserver >/dev/null && command -v indi_simulator_telescope >/dev/null ||
    { echo "indi_bench: indiserver and indi_simulator_telescope (indi-bin) are needed" >&2; exit 1; }

data=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill -TERM "$p" 2>/dev/null || true; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
    rm -rf "$data"
}
trap cleanup EXIT
export HOME=$data XDG_RUNTIME_DIR=$data

(cd "$data" && exec "$orv" --headless --tcp-port="$orv_port" --tcp-bind=127.0.0.1 >"$data/orv.log" 2>&1 </dev/null) &
pids+=($!)
(cd "$data" && exec indiserver -p "$indi_port" -u "$data/indi.sock" indi_simulator_telescope "$driver" \
    >"$data/indiserver.log" 2>&1 </dev/null) &
pids+=($!)

set_prop() { indi_setprop -p "$indi_port" "$@" >/dev/null; }
get_prop() { indi_getprop -1 -p "$indi_port" "$1" 2>/dev/null || true; }
for _ in $(seq 100); do
    grep -q "listening on port" "$data/orv.log" 2>/dev/null && [[ -n "$(get_prop 'Orv Mount.CONNECTION.CONNECT')" ]] && break
    sleep 0.1
done
set_prop -x "Orv Mount.DEVICE_ADDRESS.ADDRESS;PORT=127.0.0.1;$orv_port"
set_prop -s "Orv Mount.CONNECTION.CONNECT=On"
set_prop -s "Telescope Simulator.CONNECTION.CONNECT=On"
for _ in $(seq 100); do
    [[ "$(get_prop 'Orv Mount.CONNECTION.CONNECT')" == On && \
       "$(get_prop 'Telescope Simulator.CONNECTION.CONNECT')" == On ]] && break
    sleep 0.1
done
# The simulator starts parked; both stop tracking so that their RA moves.
set_prop -s "Telescope Simulator.TELESCOPE_PARK.UNPARK=On"
sleep 1
set_prop -s "Telescope Simulator.TELESCOPE_TRACK_STATE.TRACK_OFF=On"
set_prop -s "Orv Mount.TELESCOPE_TRACK_STATE.TRACK_OFF=On"
sleep 2

echo "== polling: simulator $(get_prop 'Telescope Simulator.POLLING_PERIOD.PERIOD_MS') ms, indi_orv $(get_prop 'Orv Mount.POLLING_PERIOD.PERIOD_MS') ms"
ORV_INDI_PORT=$indi_port "$bench" --benchmark_counters_tabular=true 2>/dev/null | sed -n '/^Benchmark\|^BM_\|^---/p'
