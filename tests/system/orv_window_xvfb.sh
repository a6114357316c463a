#!/usr/bin/env bash
# orv with its main window on a virtual X display (Xvfb): the window comes up
# titled "Zev - Telescope Control System" at its designed 567 x 579, the display
# refreshes, a second copy leaves the first one running, and SIGTERM closes it
# through the "Telescope Shut Down" window with exit code 0.
#
#   tests/system/orv_window_xvfb.sh ORV_BINARY
set -euo pipefail

title="Zev - Telescope Control System"

if [[ "${1:-}" != --inside ]]; then
    self=$(realpath "$0")
    orv=$(realpath "$1")
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    chmod 700 "$work"
    cd "$work"
    # The program's own runtime directory (single-instance lock) and an empty
    # configuration home (no saved window size); no offscreen platform.
    export XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config
    unset QT_QPA_PLATFORM WAYLAND_DISPLAY
    xvfb-run -a -s "-screen 0 1024x768x24" "$self" --inside "$orv"
    exit
fi
orv=$2

fail() {
    echo "FAIL: $*" >&2
    echo "--- orv's stderr:" >&2
    cat orv.err >&2 || true
    [[ -n "${pid:-}" ]] && kill -KILL "$pid" 2>/dev/null
    exit 1
}
# The tree line of the top-level window named exactly $1, if shown.
window_line() { xwininfo -root -tree 2>/dev/null | grep -F "\"$1\": (\"orv\"" | head -1 || true; }

"$orv" --time-scale=2 >orv.out 2>orv.err &
pid=$!

line=
for _ in $(seq 150); do
    line=$(window_line "$title")
    [[ -n "$line" ]] && break
    kill -0 "$pid" 2>/dev/null || fail "orv ended before showing its window"
    sleep 0.1
done
[[ -n "$line" ]] || fail "no window titled '$title'"
echo "window: $line"
id=$(awk '{ print $1 }' <<<"$line")
grep -q " 567x579+" <<<"$line" || fail "window not at its designed 567x579: $line"

# The clocks in the display move (twice as fast here): two pictures 1.5 s apart differ.
xwd -silent -id "$id" >first.xwd
sleep 1.5
xwd -silent -id "$id" >second.xwd
cmp -s first.xwd second.xwd && fail "the display did not refresh in 1.5 s"
echo "display refreshes"

# A second copy refuses to start and leaves the first one running.
set +e
"$orv" --time-scale=2 >second.out 2>second.err
second=$?
set -e
[[ $second -eq 1 ]] || fail "second copy exited with $second"
kill -0 "$pid" 2>/dev/null || fail "the first copy ended when the second started"
[[ -n "$(window_line "$title")" ]] || fail "the first copy's window went away"
echo "second copy refused"

kill -TERM "$pid"
saw=
for _ in $(seq 100); do
    [[ -n "$(window_line "Telescope Shut Down")" ]] && { saw=1; break; }
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
[[ -n "$saw" ]] || fail "no 'Telescope Shut Down' window after SIGTERM"
echo "shut-down window shown"

set +e
for _ in $(seq 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "orv still running 30 s after SIGTERM"
wait "$pid"
rc=$?
set -e
[[ $rc -eq 0 ]] || fail "orv exited with $rc after SIGTERM"
echo "closed with exit code 0"
