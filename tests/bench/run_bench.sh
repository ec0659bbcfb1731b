#!/usr/bin/env bash
# Runs the interpreter benchmark on every program in this folder, natively (-m32) and under Wine.
#
#   tests/bench/run_bench.sh [RUNS]
#
# Builds the benchmark in both trees first. On hosts without 32-bit support both figures come
# from emulation (qemu-user natively, a QEMU guest for Wine): compare them with each other and
# with earlier runs on the same host, not with real hardware.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(cd "$here/../.." && pwd)"
runs="${1:-5}"
cmake --build "$repo/build/native" --target interp_bench -j2 >/dev/null
cmake --build "$repo/build/win" --target interp_bench -j2 >/dev/null
echo "host mode: $("$repo/platform/hostcaps" mode)"
for program in "$here"/*.kb; do
    echo "native: $("$repo/build/native/bin/interp_bench" "$program" "$runs")"
    echo "wine:   $("$repo/platform/winrun" "$repo/build/win/bin/interp_bench.exe" "$program" "$runs" | tr -d '\r')"
done
