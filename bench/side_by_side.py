#!/usr/bin/env python3
"""Runs commands alternately, round after round, and prints for each the median, min and
max of its wall time and of its peak memory (maximum resident set), as bench/floors/measure
reports them.
usage: side_by_side.py MEASURE ROUNDS NAME=COMMAND...   (COMMAND: words, no shell)"""
import shlex
import statistics
import subprocess
import sys


def run(measure, argv):
    out = subprocess.run([measure] + argv, capture_output=True, text=True, check=True).stdout
    milliseconds, kibibytes = out.split()
    return float(milliseconds), int(kibibytes) / 1024


def main():
    measure, rounds = sys.argv[1], int(sys.argv[2])
    commands = [(name, shlex.split(command)) for name, command in
                (arg.split("=", 1) for arg in sys.argv[3:])]
    results = {name: [] for name, _ in commands}
    for _ in range(rounds):
        for name, argv in commands:
            results[name].append(run(measure, argv))
    for name, samples in results.items():
        times = [t for t, _ in samples]
        memory = [m for _, m in samples]
        print(f"{name:24} time median {statistics.median(times):6.2f} ms "
              f"(min {min(times):.2f}, max {max(times):.2f}); "
              f"peak memory median {statistics.median(memory):5.2f} MiB "
              f"(min {min(memory):.2f}, max {max(memory):.2f}); {rounds} rounds")


main()
