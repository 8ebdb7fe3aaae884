#!/usr/bin/env python3
"""The window's latency against the floor's at one percentile, with how sure
that ratio is.

    latency-ratio.py P WINDOW.1 FLOOR.1 [WINDOW.2 FLOOR.2 ...]

Each pair of files holds one round's keystrokes, one latency in ms per line,
the window's and the floor's in the order they were typed: keystroke k of
the window and keystroke k of the floor were typed one right after the other.
Prints five numbers: the ratio of the window's percentile P (0 < P <= 1,
nearest rank) to the floor's over every keystroke of every round; the 5th
and 95th percentiles of that ratio over 2,000 resamplings of the keystroke
pairs (a paired bootstrap, seeded, so a run repeats itself); and the window's
and the floor's percentile P themselves, in ms.

Written here rather than in the benchmark's awk: resampling a thousand pairs
two thousand times wants a sort per resample, which awk does not have.
"""

import math
import random
import sys


def percentile(values, p):
    ordered = sorted(values)
    rank = max(1, math.ceil(p * len(ordered)))
    return ordered[rank - 1]


def percentiles(pairs, p):
    return percentile([w for w, _ in pairs], p), percentile([f for _, f in pairs], p)


def ratio(pairs, p):
    window, floor = percentiles(pairs, p)
    return window / floor if floor > 0 else math.inf


def read(path):
    with open(path, encoding="ascii") as lines:
        return [float(line) for line in lines if line.strip()]


def main(argv):
    if len(argv) < 4 or len(argv) % 2:
        sys.exit("usage: latency-ratio.py P WINDOW FLOOR [WINDOW FLOOR ...]")
    p = float(argv[1])
    pairs = []
    for window_file, floor_file in zip(argv[2::2], argv[3::2]):
        window, floor = read(window_file), read(floor_file)
        if len(window) != len(floor):
            sys.exit(f"latency-ratio.py: {window_file} and {floor_file} differ in length")
        pairs.extend(zip(window, floor))
    if not pairs:
        print("nan nan nan nan nan")
        return
    rng = random.Random(20261207)
    resampled = sorted(ratio(rng.choices(pairs, k=len(pairs)), p) for _ in range(2000))
    window, floor = percentiles(pairs, p)
    print(f"{ratio(pairs, p):.4f} {resampled[99]:.4f} {resampled[1899]:.4f} {window:.3f} {floor:.3f}")


if __name__ == "__main__":
    main(sys.argv)
