#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test: the QtTest suites
# (offscreen), the real-window tests under Xvfb, and a short run of each
# fuzzer over its seed corpus.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BILAN_BUILD:-$top/build}
"$top/scripts/setup.sh"

# One X server for the tests that need a real window and clipboard.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    xdpyinfo -display "$display" >/dev/null 2>&1 && break
    sleep 0.1
done
export BILAN_TEST_DISPLAY=$display

cd "$top"
ctest --test-dir "$build" --output-on-failure --timeout 600

if [ -x "$top/scripts/fuzz.sh" ]; then
    "$top/scripts/fuzz.sh"
fi
echo "All tests passed."
