#!/usr/bin/env bash
# Fails when a file under src/<room> includes a header of a room above its own.
# Rooms bottom to top; comm and sim share a level and may not include each other's
# consumers above them.
set -euo pipefail
src="${1:?usage: check_layering.sh SRC_DIR}"

rank() {
    case "$1" in
        astro) echo 1 ;; core) echo 2 ;; config) echo 3 ;; control) echo 4 ;;
        comm|sim) echo 5 ;; controllers) echo 6 ;; ui) echo 7 ;; app) echo 8 ;;
        *) echo 0 ;;
    esac
}

status=0
while IFS= read -r file; do
    room="${file#"$src"/}"; room="${room%%/*}"
    own=$(rank "$room")
    if [ "$own" -eq 0 ]; then
        echo "$file: room '$room' is not in the layer map"; status=1; continue
    fi
    while IFS= read -r included; do
        target="${included%%/*}"
        theirs=$(rank "$target")
        [ "$theirs" -eq 0 ] && continue          # a system or third-party header
        if [ "$theirs" -gt "$own" ]; then
            echo "$file includes \"$included\": $room may not include from $target (a higher room)"
            status=1
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)

[ "$status" -eq 0 ] && echo "layering: every include points to its own room or below"
exit "$status"
