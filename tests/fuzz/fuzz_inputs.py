#!/usr/bin/env python3
"""Mutation fuzzing of `nestrix layout` on the example job's input files, and of `nestrix export`
on its job file. The parts file is read now and then as a spreadsheet's (--parts-import).

Each round mutates one of the boards, parts, secondary, settings or job files (bytes flipped,
inserted or cut, lines repeated or dropped, number fields replaced by awkward values; the job
file also as JSON: deep nesting, huge numbers, blocks moved, turned or given other parts) and runs
the layout on it. A round fails when the program is killed by a signal it did not handle, ends
with an unexpected status, or a sanitizer reports anything. Bounded by a number of rounds and a
time budget; deterministic for a seed.

usage: fuzz_inputs.py NESTRIX EXAMPLE_DIR [--rounds N] [--seconds S] [--seed K]
"""
import argparse
import json
import os
import random
import subprocess
import sys
import tempfile
import time

FILES = ["boards.csv", "parts.csv", "secondary.csv", "settings.ini", "kitchen.nestrix"]
AWKWARD = [b"", b"0", b"-1", b"1e6", b"nan", b"inf", b"99999.9", b"100000", b"2147483648",
           b"0.04", b"0x2BC", b"4,800", b'"4,800"', b"700mm", b"\x00", b"\x81", b"\xef\xbb\xbf",
           b"9999", b"-0", b"1" * 40, b'"', b'"a\r\nb"', "部材".encode("cp932")]
EXPECTED = {0, 1, 2, 74}
REPORTS = (b"ERROR: AddressSanitizer", b"runtime error:", b"ERROR: LeakSanitizer", b"WARNING: ThreadSanitizer")


def mutate(data: bytes, rng: random.Random) -> bytes:
    lines = data.split(b"\n")
    kind = rng.randrange(7)
    if kind == 0 and data:  # flip bytes
        b = bytearray(data)
        for _ in range(rng.randint(1, 4)):
            b[rng.randrange(len(b))] = rng.randrange(256)
        return bytes(b)
    if kind == 1:  # insert bytes
        at = rng.randint(0, len(data))
        return data[:at] + bytes(rng.randrange(256) for _ in range(rng.randint(1, 8))) + data[at:]
    if kind == 2 and data:  # cut a piece
        at = rng.randrange(len(data))
        return data[:at] + data[at + rng.randint(1, 40):]
    if kind == 3 and len(lines) > 1:  # repeat a line many times
        i = rng.randrange(1, len(lines))
        return b"\n".join(lines[:i] + [lines[i]] * rng.randint(2, 300) + lines[i + 1:])
    if kind == 4 and len(lines) > 1:  # drop a line
        i = rng.randrange(len(lines))
        return b"\n".join(lines[:i] + lines[i + 1:])
    if kind == 5:  # an awkward value in a field
        i = rng.randrange(len(lines))
        fields = lines[i].split(b",")
        fields[rng.randrange(len(fields))] = rng.choice(AWKWARD)
        lines[i] = b",".join(fields)
        return b"\n".join(lines)
    return data[: rng.randint(0, len(data))]  # truncated


HUGE = [2 ** 63, -(2 ** 63) - 1, 2 ** 64, 1e308, -1e308, 2 ** 31, -(2 ** 31) - 1, 0.5, -0.0, True, None, "1"]


def numbers(node, path=()):
    """(container, key) of every number in the JSON tree."""
    if isinstance(node, dict):
        items = node.items()
    elif isinstance(node, list):
        items = enumerate(node)
    else:
        return []
    found = []
    for key, value in items:
        if isinstance(value, (int, float)) and not isinstance(value, bool):
            found.append((node, key))
        else:
            found += numbers(value)
    return found


def mutate_job(data: bytes, rng: random.Random) -> bytes:
    """The job file changed as JSON: nesting, a huge number, a block moved, turned or renumbered."""
    kind = rng.randrange(4)
    if kind == 0:  # deep nesting somewhere a value stands
        depth = rng.choice([33, 1000, 100000])
        at = data.find(b": ", rng.randrange(max(1, len(data))))
        at = at if at >= 0 else data.find(b": ")
        return data[:at + 2] + b"[" * depth + b"]" * depth + b"," + data[at + 2:]
    job = json.loads(data.decode("utf-8"))
    if kind == 1:
        container, key = rng.choice(numbers(job))
        container[key] = rng.choice(HUGE)
    else:
        blocks = [b for layout in (job.get("result") or {}).get("layouts", []) for b in layout["blocks"]]
        if not blocks:
            return data
        block = rng.choice(blocks)
        if kind == 2:
            block[rng.choice(["x", "y"])] += rng.choice([-300, -30, -1, 1, 30, 300, 5000])
        else:
            block[rng.choice(["rotated", "part", "list", "nx", "ny"])] = rng.choice([0, 1, 2, 7, -1])
    return json.dumps(job, ensure_ascii=False).encode("utf-8")


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("nestrix")
    parser.add_argument("example")
    parser.add_argument("--rounds", type=int, default=300)
    parser.add_argument("--seconds", type=float, default=240)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    originals = {name: open(os.path.join(args.example, name), "rb").read() for name in FILES}
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen",
               ASAN_OPTIONS="detect_leaks=1:abort_on_error=0", UBSAN_OPTIONS="print_stacktrace=1")
    started = time.monotonic()
    failures = 0
    rounds = 0
    statuses = {}
    with tempfile.TemporaryDirectory() as work:
        while rounds < args.rounds and time.monotonic() - started < args.seconds:
            rounds += 1
            target = rng.choice(FILES)
            for name, data in originals.items():
                with open(os.path.join(work, name), "wb") as out:
                    if name != target:
                        out.write(data)
                    elif name.endswith(".nestrix") and rng.random() < 0.5:
                        out.write(mutate_job(data, rng))
                    else:
                        out.write(mutate(data, rng))
            if target == "kitchen.nestrix":
                command = [args.nestrix, "export", os.path.join(work, target)]
            else:
                command = [args.nestrix, "layout", "--threads", "2", "--engine", "cal2"]
                # The parts also as a spreadsheet's sheet, through the column guess.
                parts = "--parts-import" if rng.random() < 0.3 else "--parts"
                for option, name in (("--boards", "boards.csv"), (parts, "parts.csv"),
                                     ("--secondary", "secondary.csv"), ("--settings", "settings.ini")):
                    command += [option, os.path.join(work, name)]
            command += ["--json", os.path.join(work, "out.json"), "--cutdata", os.path.join(work, "cut.csv"),
                        "--unplaced", os.path.join(work, "left.csv")]
            try:
                run = subprocess.run(command, env=env, capture_output=True, timeout=60)
            except subprocess.TimeoutExpired:
                statuses["timeout"] = statuses.get("timeout", 0) + 1
                continue
            statuses[run.returncode] = statuses.get(run.returncode, 0) + 1
            report = next((r for r in REPORTS if r in run.stderr), None)
            if run.returncode not in EXPECTED or report is not None:
                failures += 1
                keep = tempfile.mkdtemp(prefix="nestrix-fuzz-")
                for name in FILES:
                    os.replace(os.path.join(work, name), os.path.join(keep, name))
                print(f"round {rounds}: status {run.returncode} after mutating {target}; files kept in {keep}")
                print(run.stderr.decode("utf-8", "replace")[-3000:])
    print(f"{rounds} rounds in {time.monotonic() - started:.0f} s, statuses {statuses}, failures {failures}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
