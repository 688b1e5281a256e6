#!/usr/bin/env python3
"""Writes generated shop jobs as job folders for `nestrix layout` (and bench/run-instances).

    bench/shopjobs.py OUTDIR [--set mixed|stock|examples|twins] [--count N]

mixed: jobs on two or three board kinds of one material and thickness, a cheap small board and
dearer large ones, with and without stock limits and priorities. stock: jobs with far more parts
than two limited board entries hold. examples: the two single jobs `stock-example` (20 sheets of
1820 x 910 and 10 of 2430 x 1220, kerf 4, 120 part types), `two-cheap` (parts that fit two
3000 x 1500 boards at 3,500 yen or one 3600 x 1800 at 15,000 yen), `one-kind-552` (552 pieces
of 32 part types on one board kind) and `free-kinds-552` (the same pieces on a 3x6 and a 4x8
board without prices). twins: jobs where two or more part types share a size (same and different
横置きしない and counts, also turned), repeated rows, a part of a board's trimmed size, secondary
parts with the same shapes, and varied kerf, cutting level and options. Every folder holds
boards.csv, parts.csv (CP932, CR LF), settings.ini and for some twins jobs secondary.csv; OUTDIR
gets an index.csv for bench/run-instances. The same seed always gives the same job.
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


def mm(value):
    """A length in mm (int or float) as the files write it, one decimal."""
    return f"{value:.1f}"


def write_job(folder, boards, parts, kerf_tenths, secondary=None, settings=None):
    """boards: (name, w, l, count, price, priority, trim); parts and secondary: (name, w, l, count,
    noturn); settings: more [SysPara] keys."""
    os.makedirs(folder, exist_ok=True)
    write_lines(os.path.join(folder, "boards.csv"), [BOARD_HEAD] + [
        f"{n},{mm(w)},{mm(l)},18.0,{c},{p},{pr},合板,,{mm(t)},{mm(t)},{mm(t)},{mm(t)}"
        for n, w, l, c, p, pr, t in boards])
    for name, rows in (("parts.csv", parts), ("secondary.csv", secondary)):
        if rows is not None:
            write_lines(os.path.join(folder, name), [PARTS_HEAD] + [
                f"{n},{mm(w)},{mm(l)},18.0,{c},{nt},合板," for n, w, l, c, nt in rows])
    lines = ["[SysPara]", f"NokoHaba={kerf_tenths}"] + [f"{k}={v}" for k, v in (settings or {}).items()]
    write_lines(os.path.join(folder, "settings.ini"), lines)


def write_index(outdir, names, group):
    with open(os.path.join(outdir, "index.csv"), "w", encoding="utf-8", newline="") as f:
        f.write("name,group,known,price_scale\n")
        for name in names:
            f.write(f"{name},{group},,1\n")


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


def free_kinds():
    # The pieces of one_kind() on two board kinds without prices, so that their area decides.
    _, parts, kerf = one_kind()
    return [("3x6", 1820, 910, 9999, 0, 0, 5), ("4x8", 2430, 1220, 9999, 0, 0, 5)], parts, kerf


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


def twin_rows(rng, parts, first_number):
    """Parts with twins: for some entries another name of the same size (sometimes turned), with
    the same or another 横置きしない and count, and some rows repeated exactly."""
    rows = []
    number = first_number
    for name, w, l, count, noturn in parts:
        rows.append((name, w, l, count, noturn))
        draw = rng.random()
        if draw < 0.45:
            twins = 1 if rng.random() < 0.7 else rng.randint(2, 3)
            for _ in range(twins):
                number += 1
                turned = rng.random() < 0.2
                rows.append((f"双{number}", l if turned else w, w if turned else l,
                             count if rng.random() < 0.4 else rng.randint(1, 10),
                             noturn if rng.random() < 0.6 else 1 - noturn))
        elif draw < 0.55:
            rows.append((name, w, l, count, noturn))
    rng.shuffle(rows)
    return rows


def twins_job(seed):
    rng = random.Random(3000 + seed)
    trim = rng.choice([0, 0, 5, 10])
    big = rng.choice([(1820, 910), (2430, 1220), (3600, 1800)])
    boards = [("大", big[0], big[1], 9999 if seed % 3 else rng.randint(2, 6), 9000, 0, trim)]
    if seed % 2 == 0:
        boards.append(("小", 1820, 910, 9999, 3600, rng.choice([0, 1]), trim))
    longest = min(big[0] - 2 * trim, 1500)
    parts = random_parts(rng, rng.randint(2, 14), longest)
    if rng.random() < 0.5:
        # sizes with a decimal, as a drawing gives them
        parts = [(n, w + rng.choice([0, 0.5, 0.9]), l + rng.choice([0, 0.5]), c, nt) for n, w, l, c, nt in parts]
    parts = twin_rows(rng, parts, 100)
    if seed % 4 == 1:
        # a part the size of a board's trimmed rectangle, and its twin
        w, l = big[0] - 2 * trim, big[1] - 2 * trim
        parts += [("全面", w, l, rng.randint(1, 3), 0), ("全面双", w, l, 1, rng.choice([0, 1]))]
    secondary = None
    settings = {"CutLV": rng.choice([2, 3, 3]), "UseCal3": rng.choice([0, 1]), "UseCal4": rng.choice([0, 1]),
                "Use2ko1": rng.choice([0, 1]), "UseSmallPat": rng.choice([0, 1]),
                "NoRateFlg": rng.choice([0, 1]), "NoUsenFlg": rng.choice([0, 1]), "NoSort": rng.choice([0, 0, 1])}
    if seed % 3 != 2:
        small = [(n, max(40, w // 3), max(40, l // 3), 9999, nt) for n, w, l, _, nt in random_parts(rng, 3, 600)]
        secondary = twin_rows(rng, [(f"二{i}", w, l, c, nt) for i, (_, w, l, c, nt) in enumerate(small)], 200)
        settings["UseYBuzai"] = 1
    return boards, parts, rng.choice([0, 30, 40, 50]), secondary, settings


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("outdir")
    parser.add_argument("--set", choices=["mixed", "stock", "examples", "twins"], default="mixed")
    parser.add_argument("--count", type=int, default=12)
    args = parser.parse_args()
    if args.set == "examples":
        write_job(os.path.join(args.outdir, "stock-example"), *stock_example())
        write_job(os.path.join(args.outdir, "two-cheap"), *two_cheap())
        write_job(os.path.join(args.outdir, "one-kind-552"), *one_kind())
        write_job(os.path.join(args.outdir, "free-kinds-552"), *free_kinds())
        write_index(args.outdir, ["stock-example", "two-cheap", "one-kind-552", "free-kinds-552"], "examples")
        return
    make = {"mixed": mixed_job, "stock": stock_job, "twins": twins_job}[args.set]
    names = [f"{args.set}-{seed:02d}" for seed in range(1, args.count + 1)]
    for seed, name in enumerate(names, 1):
        write_job(os.path.join(args.outdir, name), *make(seed))
    write_index(args.outdir, names, args.set)


if __name__ == "__main__":
    main()
