#!/usr/bin/env bash
# The one list of Debian packages this project needs to build, test and run.
# Idempotent: installs nothing when every package is present, and refreshes the
# package index only when something is missing.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config git
  # image libraries
  libpng-dev libjpeg62-turbo-dev zlib1g-dev
  # window toolkit and a Korean font
  qt6-base-dev qt6-translations-l10n fonts-nanum
  # the desktop opener for the output folder and the update page
  xdg-utils
  # tests: GoogleTest, a display server, an independent image decoder
  googletest libgtest-dev xvfb xauth imagemagick
  # the Debian package: its manual page, and the checks its test runs
  help2man lintian appstream desktop-file-utils
  # tests: an independent compositor of layered Photoshop documents
  python3-psd-tools
  # fuzzing and sanitizers
  clang libclang-rt-14-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}" >&2
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
