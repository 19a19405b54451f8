#!/usr/bin/env bash
# The layer rule: a folder's rule is the "May include:" line of its README.md, or of the
# nearest folder above it that has one; the files under one such README form an area,
# which may always include its own headers. Beyond that, the line allows
#   `dir/` the headers of dir's area (not of a folder below it with a rule of its own),
#   `dir/x.h` that header, and Qt, libpng, libjpeg, zlib those libraries' headers.
# tests/, bench/ and fuzz/ are checked only where a README of theirs has a rule.
# Prints each forbidden include and exits 1 when there is any.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A rule=() area_of=()
while read -r readme; do
  line=$(grep -m1 '^May include:' "$readme") && rule[$(dirname "${readme#./}")]=$line
done < <(find . -name README.md -not -path './build*')

find_area() {  # sets area to the folder whose rule governs the folder $1 ("" for none)
  local dir=$1
  if [ -z "${area_of[$1]+set}" ]; then
    while [ -z "${rule[$dir]+set}" ] && [ "$dir" != . ]; do dir=$(dirname "$dir"); done
    area_of[$1]=$([ -n "${rule[$dir]+set}" ] && echo "$dir" || true)
  fi
  area=${area_of[$1]}
}

allowed() {  # the include $2 (area $3 for the program's headers) under rule line $1
  local entry
  case $2 in
    \<Q*) grep -qw Qt <<<"$1" ;;
    \<png.h\>) grep -qw libpng <<<"$1" ;;
    \<jpeglib.h\> | \<jerror.h\>) grep -qw libjpeg <<<"$1" ;;
    \<zlib.h\>) grep -qw zlib <<<"$1" ;;
    \<*) true ;;
    *)
      for entry in $(grep -o '`[^`]*/[^`]*`' <<<"$1" | tr -d '`'); do
        entry=${entry%/}
        [ "\"$entry\"" = "$2" ] && return 0
        [[ $2 == \""$entry"/* && ($3 == "$entry" || $entry == "$3"/*) ]] && return 0
      done
      return 1 ;;
  esac
}

failures=0
while read -r file; do
  file=${file#./}
  find_area "$(dirname "$file")"
  home=$area
  if [ -z "$home" ]; then
    [[ $file =~ ^(tests|bench|fuzz)/ ]] && continue
    echo "$file: no README.md with a \"May include:\" line above it"
    failures=$((failures + 1))
    continue
  fi
  while read -r include; do
    area=$home
    [[ $include == \"*/* ]] && find_area "$(dirname "${include:1:-1}")"
    [[ $include == \"* && $area == "$home" ]] && continue
    allowed "${rule[$home]}" "$include" "$area" && continue
    echo "$file: includes $include, which $home/README.md does not allow"
    failures=$((failures + 1))
  done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*([<"][^>"]+[>"]).*/\1/p' "$file")
done < <(find . \( -path './build*' -o -path ./.git \) -prune -o \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) -print | sort)

[ "$failures" -eq 0 ] || { echo "check-includes: $failures forbidden include(s)" >&2; exit 1; }
