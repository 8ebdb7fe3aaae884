#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test: the QtTest suites
# (offscreen), the real-window and clipboard tests (each under an Xvfb of
# its own), and a short run of each fuzzer over its seed corpus.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BILAN_BUILD:-$top/build}
"$top/scripts/setup.sh"

cd "$top"
ctest --test-dir "$build" --output-on-failure --timeout 600

if [ -x "$top/scripts/fuzz.sh" ]; then
    "$top/scripts/fuzz.sh"
fi
echo "All tests passed."
