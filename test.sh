#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (the include rule of
# scripts/check-includes.sh among them). Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh build
jobs=$(nproc 2>/dev/null || echo 2)
status=0
(cd build && ctest --output-on-failure -j "$jobs" --timeout 600) || status=1

# The parsers of outside input again under AddressSanitizer and UndefinedBehaviorSanitizer:
# their tests and the fuzz corpora (no window layer in this build).
if [ "${ZEN_SKIP_SANITIZE:-0}" != "1" ]; then
  ./scripts/build.sh build-asan -DZEN_SANITIZE=ON -DZEN_WITH_QT=OFF -DZEN_BUILD_BENCH=OFF
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$jobs" --timeout 900 -L 'fuzz|sanitize') || status=1
  # The job's worker threads under ThreadSanitizer: only the thread tests and what they link.
  ZEN_TARGETS=threads_tests ./scripts/build.sh build-tsan -DZEN_TSAN=ON -DZEN_WITH_QT=OFF \
    -DZEN_BUILD_BENCH=OFF -DZEN_BUILD_FUZZ=OFF
  (cd build-tsan && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --output-on-failure -j "$jobs" --timeout 900 -L threads) || status=1
fi
exit $status
