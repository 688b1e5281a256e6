#!/usr/bin/env python3
"""Writes generated shop jobs as job folders for `nestrix layout` (and bench/run-instances).

    bench/shopjobs.py OUTDIR [--set mixed|stock|examples] [--count N]

mixed: jobs on two or three board kinds of one material and thickness, a cheap small board and
dearer large ones, with and without stock limits and priorities. stock: jobs with far more parts
than two limited board entries hold. examples: the two single jobs `stock-example` (20 sheets of
1820 x 910 and 10 of 2430 x 1220, kerf 4, 120 part types) and `two-cheap` (parts that fit two
3000 x 1500 boards at 3,500 yen or one 3600 x 1800 at 15,000 yen), and `one-kind-552` (552 pieces
of 32 part types on one board kind). Every folder holds
boards.csv, parts.csv (CP932, CR LF) and settings.ini; the same seed always gives the same job.
"""

import argparse
import os
import random

BOARD_HEAD = ("原板名,原板横,原板縦,原板厚さ,原板数,原板単価,原板優先度,原板種類,原板備考,"
              "原板上トリム,原板下トリム,原板左トリム,原板右トリム")
PARTS_HEAD = "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考"


def write_lines(path, lines):
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))


def write_job(folder, boards, parts, kerf_tenths):
    """boards: (name, w, l, count, price, priority, trim); parts: (name, w, l, count, noturn)."""
    os.makedirs(folder, exist_ok=True)
    write_lines(os.path.join(folder, "boards.csv"), [BOARD_HEAD] + [
        f"{n},{w}.0,{l}.0,18.0,{c},{p},{pr},合板,,{t}.0,{t}.0,{t}.0,{t}.0"
        for n, w, l, c, p, pr, t in boards])
    write_lines(os.path.join(folder, "parts.csv"), [PARTS_HEAD] + [
        f"{n},{w}.0,{l}.0,18.0,{c},{nt},合板," for n, w, l, c, nt in parts])
    write_lines(os.path.join(folder, "settings.ini"), ["[SysPara]", f"NokoHaba={kerf_tenths}"])


def random_parts(rng, types, longest, shortest=60):
    parts = []
    for i in range(types):
        w = rng.randint(shortest, longest)
        l = rng.randint(shortest, min(w, 900))
        parts.append((f"部材{i + 1}", w, l, rng.randint(1, 10), 1 if rng.random() < 0.2 else 0))
    return parts


def stock_example():
    rng = random.Random(20)
    boards = [("3x6", 1820, 910, 20, 4800, 0, 5), ("4x8", 2430, 1220, 10, 8600, 0, 5)]
    return boards, random_parts(rng, 120, 1500), 40


def two_cheap():
    # Every piece fits one dear board, or two cheap ones for less than half its price.
    boards = [("安 3000x1500", 3000, 1500, 9999, 3500, 0, 0), ("高 3600x1800", 3600, 1800, 9999, 15000, 0, 0)]
    parts = [("棚板", 487, 243, 6, 0), ("側板", 646, 576, 11, 0)]
    return boards, parts, 40


def one_kind():
    # 552 pieces of 32 part types on one board kind.
    rng = random.Random(552)
    parts = random_parts(rng, 32, 1200)
    counts = [rng.randint(5, 29) for _ in parts]
    counts[-1] += 552 - sum(counts)
    parts = [(n, w, l, c, nt) for (n, w, l, _, nt), c in zip(parts, counts)]
    return [("4x8", 2430, 1220, 9999, 8600, 0, 5)], parts, 40


def mixed_job(seed):
    rng = random.Random(1000 + seed)
    limited = seed % 2 == 1
    priorities = seed % 4 >= 2
    small = ("3x6", 1820, 910, rng.randint(4, 12) if limited else 9999, 3600, 0, 5)
    kinds = [small, ("4x8", 2430, 1220, rng.randint(2, 8) if limited else 9999, 9800, 0, 5)]
    if seed % 3 == 0:
        kinds.append(("5x10", 3030, 1520, rng.randint(1, 4) if limited else 9999, 17000, 0, 5))
    if priorities:
        kinds = [(n, w, l, c, p, rng.randint(0, 2), t) for n, w, l, c, p, _, t in kinds]
    parts = random_parts(rng, rng.randint(10, 30), rng.choice([900, 1200, 1500]))
    return kinds, parts, rng.choice([30, 40])


def stock_job(seed):
    rng = random.Random(2000 + seed)
    boards = [("3x6", 1820, 910, rng.randint(3, 12), 4800, 0, 5),
              ("4x8", 2430, 1220, rng.randint(1, 6), 8600, rng.choice([0, 0, 1]), 5)]
    parts = random_parts(rng, rng.randint(20, 60), rng.choice([900, 1500, 2000]))
    return boards, parts, 40


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("outdir")
    parser.add_argument("--set", choices=["mixed", "stock", "examples"], default="mixed")
    parser.add_argument("--count", type=int, default=12)
    args = parser.parse_args()
    if args.set == "examples":
        write_job(os.path.join(args.outdir, "stock-example"), *stock_example())
        write_job(os.path.join(args.outdir, "two-cheap"), *two_cheap())
        write_job(os.path.join(args.outdir, "one-kind-552"), *one_kind())
        return
    make = mixed_job if args.set == "mixed" else stock_job
    for seed in range(1, args.count + 1):
        write_job(os.path.join(args.outdir, f"{args.set}-{seed:02d}"), *make(seed))


if __name__ == "__main__":
    main()
