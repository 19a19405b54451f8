#!/usr/bin/env bash
# Installs what is missing, builds, and starts Zentrova V2.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh build
program=build/Zentrova.app/Contents/MacOS/Zentrova
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: no display found (DISPLAY and WAYLAND_DISPLAY are unset); start it on a desktop," >&2
  echo "        or under a virtual one: xvfb-run -a ./run.sh" >&2
  exit 1
fi
exec "$program" "$@"
