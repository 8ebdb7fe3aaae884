#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test: the QtTest suites
# (offscreen), the real-window and clipboard tests (each under an Xvfb of
# its own); the same tests again built with AddressSanitizer and
# UndefinedBehaviorSanitizer; and a short run of each fuzzer over its seed
# corpus.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BILAN_BUILD:-$top/build}
sanitized=${BILAN_ASAN_BUILD:-$top/build-asan}
"$top/scripts/setup.sh"

cd "$top"
ctest --test-dir "$build" --output-on-failure --timeout 600

# The sanitizer build has its own folder and only what the tests run: the
# libraries, the program and the test programs. Its options for the
# sanitizers (and the leak suppressions) are set on each test by CMake.
echo "== the tests again, with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$top" -B "$sanitized" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBILAN_SANITIZE=ON -DBILAN_BENCH=OFF -DBILAN_FUZZ=OFF -DBILAN_TESTS=ON >/dev/null
cmake --build "$sanitized" --parallel
ctest --test-dir "$sanitized" --output-on-failure --timeout 600

if [ -x "$top/scripts/fuzz.sh" ]; then
    "$top/scripts/fuzz.sh"
fi
echo "All tests passed."
