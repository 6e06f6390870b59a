#!/usr/bin/env python3
"""Runs the compared pairs of quorvex-bench interleaved and prints medians with their spread.

    bench/compare.py BUILD_DIR [--repetitions N] [--min-time SECONDS] [--pair A,B ...]

Every benchmark of every pair runs N times in one process, with Google Benchmark's random
interleaving, so that a burst of load on the machine falls on both sides of a pair instead of
on one of them. For each benchmark the median real time of its repetitions is printed with the
interquartile range and the extremes; for each pair, the median of the ratios of repetitions
run side by side (repetition k of A over repetition k of B) with their interquartile range.
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile

# (measured, reference): the ratio printed is measured / reference.
PAIRS = [
    ("BM_ApiGetInt", "BM_BareTirpcCall"),
    ("BM_RuntimeRoundTrip", "BM_BareTirpcCall"),
    ("BM_EncShiftJisToUtf8_Quorvex", "BM_EncShiftJisToUtf8_Iconv"),
    ("BM_EncUtf8ToShiftJis_Quorvex", "BM_EncUtf8ToShiftJis_Iconv"),
]


def quartiles(values):
    if len(values) < 2:
        return values[0], values[0]
    q = statistics.quantiles(values, n=4, method="inclusive")
    return q[0], q[2]


def run(build, names, repetitions, min_time):
    binary = os.path.join(build, "bin", "quorvex-bench")
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, "runs.json")
        cmd = [
            binary,
            "--benchmark_filter=^(" + "|".join(sorted(names)) + ")$",
            f"--benchmark_repetitions={repetitions}",
            "--benchmark_enable_random_interleaving=true",
            f"--benchmark_min_time={min_time}",
            f"--benchmark_out={out}",
            "--benchmark_out_format=json",
        ]
        subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)
        with open(out) as f:
            report = json.load(f)
    runs = {}
    for b in report["benchmarks"]:
        if b.get("run_type") != "iteration" or b.get("error_occurred"):
            continue
        scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}[b["time_unit"]]
        runs.setdefault(b["run_name"], {})[b.get("repetition_index", 0)] = b["real_time"] * scale
    return runs


def fmt_ns(v):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if v >= scale:
            return f"{v / scale:.3g} {unit}"
    return f"{v:.3g} ns"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("build", help="build directory holding bin/quorvex-bench")
    ap.add_argument("--repetitions", type=int, default=15)
    ap.add_argument("--min-time", type=float, default=0.2, help="seconds per repetition")
    ap.add_argument("--pair", action="append", default=[],
                    help="MEASURED,REFERENCE (default: the pairs listed in this script)")
    args = ap.parse_args()
    pairs = [tuple(p.split(",", 1)) for p in args.pair] or PAIRS
    names = {n for p in pairs for n in p}
    runs = run(args.build, names, args.repetitions, args.min_time)

    print(f"{args.repetitions} repetitions, randomly interleaved; real time per iteration")
    print(f"{'benchmark':32} {'median':>10} {'IQR':>23} {'min .. max':>23}")
    for name in sorted(names):
        values = sorted(runs.get(name, {}).values())
        if not values:
            print(f"{name:32} {'skipped (no result)':>10}")
            continue
        q1, q3 = quartiles(values)
        print(f"{name:32} {fmt_ns(statistics.median(values)):>10} "
              f"{fmt_ns(q1) + ' .. ' + fmt_ns(q3):>23} "
              f"{fmt_ns(values[0]) + ' .. ' + fmt_ns(values[-1]):>23}")
    print()
    print(f"{'ratio':62} {'median':>7} {'IQR':>15}")
    status = 0
    for a, b in pairs:
        ra, rb = runs.get(a, {}), runs.get(b, {})
        ratios = sorted(ra[k] / rb[k] for k in ra if k in rb and rb[k] > 0)
        if not ratios:
            print(f"{a + ' / ' + b:62} no paired repetitions")
            status = 1
            continue
        q1, q3 = quartiles(ratios)
        print(f"{a + ' / ' + b:62} {statistics.median(ratios):7.3f} "
              f"{f'{q1:.3f} .. {q3:.3f}':>15}")
    return status


if __name__ == "__main__":
    sys.exit(main())
