# Sourced by the TCP/IP benchmark scripts: starts `orv --headless` on the
# simulator with its command server on a port, in a scratch data directory, and
# stops it (SIGTERM, the orderly way) and removes the directory when the script
# ends. Sets orv_pid and data.
#
#   start_headless_orv NAME ORV PORT

orv_pid=
data=
stop_headless_orv() {
    if [[ -n "$orv_pid" ]] && kill -0 "$orv_pid" 2>/dev/null; then
        kill -TERM "$orv_pid"
        wait "$orv_pid" 2>/dev/null || true
    fi
    [[ -z "$data" ]] || rm -rf "$data"
}

start_headless_orv() {
    local name=$1 orv=$2 port=$3
    data=$(mktemp -d)
    trap stop_headless_orv EXIT
    (cd "$data" && exec "$orv" --headless --tcp-port="$port" >"$data/orv.log" 2>&1 </dev/null) &
    orv_pid=$!
    for _ in $(seq 100); do
        grep -q "listening on port" "$data/orv.log" 2>/dev/null && return 0
        kill -0 "$orv_pid" 2>/dev/null || { echo "$name: orv ended:" >&2; cat "$data/orv.log" >&2; exit 1; }
        sleep 0.1
    done
    echo "$name: orv is not listening" >&2
    cat "$data/orv.log" >&2
    exit 1
}
