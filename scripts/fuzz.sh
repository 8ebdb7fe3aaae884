#!/bin/sh
# Builds the libFuzzer targets with clang and runs each one for a while.
# Fails when any target finds a crash, a hang or a leak; what it found is
# left in build-fuzz/artifacts/.
#
#   scripts/fuzz.sh                 20 seconds per target
#   FUZZ_SECONDS=3600 scripts/fuzz.sh
#   FUZZ_TARGETS="fuzz_rtf" FUZZ_JOBS=4 scripts/fuzz.sh
#
# New inputs go to build-fuzz/corpus/<target>; the seeds in fuzz/corpus are
# only read.
set -eu

top=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$top/build-fuzz}
seconds=${FUZZ_SECONDS:-20}
targets=${FUZZ_TARGETS:-"fuzz_rtf fuzz_plaintext fuzz_fields fuzz_numericprefix"}
jobs=${FUZZ_JOBS:-1}

cmake -S "$top" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ \
    -DBILAN_FUZZ=ON -DBILAN_TESTS=OFF -DBILAN_BENCH=OFF >/dev/null
# shellcheck disable=SC2086
ninja -C "$build" $targets

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

mkdir -p "$build/artifacts"
failed=""
for target in $targets; do
    work="$build/corpus/$target"
    mkdir -p "$work"
    set -- "$work" "$top/fuzz/corpus/$target"
    extra=""
    max_len=65536
    if [ "$target" = fuzz_rtf ]; then
        # Every RTF feature fits in a few hundred bytes (the seeds are one
        # writer's idioms each); inputs of manuscript size only make each
        # run dearer, and the shared corpus's files would be cut to this
        # length anyway.
        max_len=4096
        extra="-dict=$top/fuzz/rtf.dict"
    fi
    # Several processes in fork mode, which still stops at the first crash.
    [ "$jobs" -gt 1 ] && extra="$extra -fork=$jobs"
    echo "== $target: ${seconds}s"
    # shellcheck disable=SC2086
    if ! "$build/fuzz/$target" $extra \
        -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len="$max_len" \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" "$@"; then
        failed="$failed $target"
    fi
done

if [ -n "$failed" ]; then
    echo "fuzzing found problems in:$failed (see $build/artifacts/)" >&2
    exit 1
fi
echo "no crashes"
