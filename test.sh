#!/usr/bin/env bash
# Installs what is missing, builds Orv and runs every test.
# ./test.sh --sanitizers also runs them under the address/undefined and thread sanitizers.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
presets=(default)
if [ "${1:-}" = "--sanitizers" ]; then presets+=(asan tsan); fi
for preset in "${presets[@]}"; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" -j2
done
