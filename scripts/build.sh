#!/usr/bin/env bash
# scripts/build.sh DIR [CMAKE OPTIONS...]: configure (once) and build into DIR with Ninja;
# ZEN_TARGETS="a b" builds only those targets (and what they need).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
shift
werror=OFF
if [ -n "${CI:-}" ]; then werror=ON; fi
cmake -S . -B "$dir" -G Ninja -DZEN_WERROR=$werror "$@" >/dev/null
targets=()
for target in ${ZEN_TARGETS:-}; do targets+=(--target "$target"); done
cmake --build "$dir" -j "$(nproc 2>/dev/null || echo 2)" "${targets[@]}"
