#!/usr/bin/env bash
# zentrova-slice beside ImageMagick and the floor (decoding the page once and encoding the
# same 1500-row pieces directly with libjpeg-turbo), on the deterministic 690 x 20000 JPEG
# comic page, cut at 1500 rows to JPEG quality 90. Not a test; run by hand:
#   bench/batch/batch_bench.sh BUILD_DIR [RUNS]
# Needs GNU time (/usr/bin/time) for the peak memory; ImageMagick's convert is optional.
set -euo pipefail
build=$(cd "${1:?build directory}" && pwd)
runs=${2:-3}
slicer=$build/Zentrova.app/Contents/MacOS/zentrova-slice
bench=$build/bench/slicing/slicing_bench
work=$(mktemp -d "${TMPDIR:-/tmp}/zen-batch-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$work/floor" "$work/magick" "$work/config" "$work/settings"
"$bench" --page "$work/src/page.jpg"
# The page is larger than ImageMagick's default pixel limits allow.
cat >"$work/policy.xml" <<'POLICY'
<policymap>
  <policy domain="resource" name="width" value="100KP"/>
  <policy domain="resource" name="height" value="100KP"/>
  <policy domain="resource" name="area" value="2GP"/>
  <policy domain="resource" name="memory" value="4GiB"/>
</policymap>
POLICY

# best_of NAME COMMAND...: the fastest wall time and the largest peak of RUNS runs.
best_of() {
  local name=$1 best=999999 peak=0 t m
  shift
  for _ in $(seq "$runs"); do
    rm -rf "$work/src/slice" "$work/floor"/* "$work/magick"/*
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >/dev/null 2>&1
    read -r t m <"$work/time.txt"
    best=$(awk -v a="$best" -v b="$t" 'BEGIN { print (b < a) ? b : a }')
    peak=$((m > peak ? m : peak))
  done
  printf '%-14s %7.3f s  peak %7.1f MB\n' "$name" "$best" "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
  eval "${name//-/_}_s=$best"
  eval "${name//-/_}_kb=$peak"
}

best_of floor "$bench" --child floor-jpeg "$work/src/page.jpg" "$work/floor" "$work/settings" /bin/false
best_of zentrova-slice env XDG_CONFIG_HOME="$work/config" "$slicer" --no-config --mode fixed --height 1500 \
  --quality 9 --quiet "$work/src/page.jpg"
if command -v convert >/dev/null; then
  best_of imagemagick env MAGICK_CONFIGURE_PATH="$work" convert "$work/src/page.jpg" -crop 690x1500 +repage \
    -quality 90 "$work/magick/out_%d.jpg"
fi

file_kb=$(( $(stat -c %s "$work/src/page.jpg") / 1024 ))
rgba_kb=$(( 690 * 20000 * 4 / 1024 ))
awk -v s="$zentrova_slice_s" -v f="$floor_s" 'BEGIN { printf "zentrova-slice / floor: %.2f (goal <= 1.25)\n", s / f }'
if [ -n "${imagemagick_s:-}" ]; then
  awk -v s="$imagemagick_s" -v f="$floor_s" 'BEGIN { printf "imagemagick / floor:    %.2f\n", s / f }'
fi
awk -v p="$zentrova_slice_kb" -v r="$rgba_kb" -v f="$file_kb" \
  'BEGIN { printf "zentrova-slice peak %.1f MB against 1.3 x RGBA + file = %.1f MB\n", p / 1024, (1.3 * r + f) / 1024 }'
