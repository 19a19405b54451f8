#!/usr/bin/env bash
# scripts/package.sh: builds the program in build/ (optimised; CPack strips the debug
# information) and makes the Debian package build/zentrova_<version>-1_amd64.deb from
# the install rules. Install it with: sudo apt install ./build/zentrova_2.09-1_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEN_WITH_QT=ON
cd build
cpack -G DEB
