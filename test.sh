#!/usr/bin/env bash
# Installs what is missing, builds Orv and runs every test.
# ./test.sh --sanitizers also runs them under the address/undefined and thread sanitizers.
# ./test.sh --fuzz [SECONDS] builds the fuzz targets (clang, libFuzzer, address and
# undefined-behaviour sanitizers, in build/fuzz) and runs each for SECONDS (30).
set -euo pipefail
cd "$(dirname "$0")"
if [ "${1:-}" = "--fuzz" ]; then
    seconds=${2:-30}
    scripts/install-deps.sh clang
    scripts/install-deps.sh "libclang-rt-$(clang -dumpversion | cut -d. -f1)-dev"
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz
    exec scripts/fuzz.sh build/fuzz "$seconds"
fi
scripts/install-deps.sh
presets=(default)
if [ "${1:-}" = "--sanitizers" ]; then presets+=(asan tsan); fi
for preset in "${presets[@]}"; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" -j2
done
