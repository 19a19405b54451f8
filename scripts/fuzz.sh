#!/usr/bin/env bash
# scripts/fuzz.sh TARGET SECONDS [LIBFUZZER OPTIONS...]: builds the fuzz target (clang,
# every library instrumented; build-fuzz/) and runs it for SECONDS, starting from its
# committed corpora. What the run found is kept in build-fuzz/found-TARGET/; inputs that add
# coverage are then merged into the target's first corpus folder (the one to commit), and
# a crash is left as build-fuzz/crash-TARGET-* to be added there as a regression input
# once it is mended. Run long fuzzing niced: nice -n 19 scripts/fuzz.sh image_load_fuzz 1800
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET SECONDS [LIBFUZZER OPTIONS...]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DZEN_FUZZ=ON -DZEN_WITH_QT=OFF \
  -DZEN_BUILD_TESTS=OFF -DZEN_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" --target "$target" -j "$(nproc 2>/dev/null || echo 2)"
if [ ! -f "$dir/fuzz-corpora/$target" ]; then
  echo "$0: no fuzz target $target" >&2
  exit 2
fi
mapfile -t corpora < "$dir/fuzz-corpora/$target"
mkdir -p "${corpora[0]}" "$dir/found-$target"
program=$(find "$dir/fuzz" -type f -name "$target" -perm -u+x | head -n 1)
status=0
# Inputs over 64 KiB are left out: the committed corpora stay small.
ASAN_OPTIONS=detect_leaks=1 "$program" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
  -artifact_prefix="$dir/crash-$target-" "$@" "$dir/found-$target" "${corpora[@]}" || status=$?
# Only what reaches code no committed input reaches goes back, into the first corpus
# (counted by edges alone, not by how often they run, so the corpora stay small).
merged=$dir/merge-$target
rm -rf "$merged"
mkdir -p "$merged"
for corpus in "${corpora[@]}"; do
  find "$corpus" -type f -exec cp -n -t "$merged" {} +
done
ls "$merged" | sort > "$merged.before"
"$program" -merge=1 -use_counters=0 -max_len=65536 "$merged" "$dir/found-$target" 2>&1 | tail -n 1
ls "$merged" | sort | comm -13 "$merged.before" - | while read -r name; do
  cp "$merged/$name" "${corpora[0]}/"
done
echo "$0: $(comm -13 "$merged.before" <(ls "$merged" | sort) | wc -l) inputs added to ${corpora[0]}"
exit $status
