#!/usr/bin/env bash
# Installs what is missing, builds Orv and runs it on the simulated telescope.
# Any options are passed to orv (see ./run.sh --help).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default
args=("$@")
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then args=(--headless "${args[@]}"); fi
exec build/default/orv "${args[@]}"
