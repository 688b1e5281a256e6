#!/usr/bin/env python3
"""Public cutting benchmark instances as Nestrix job folders.

usage: convert.py [--no-rotation] [--all] [--known DIR] SOURCE OUTDIR

SOURCE is a 2BP file (Class_NN.2bp), a cintra2008 file (gcutNd.txt) or a folder of
either. Every instance becomes OUTDIR/<name>/ with boards.csv, parts.csv (CP932, CR LF,
the program's own column titles) and settings.ini, and OUTDIR/index.csv lists the
instances (name, group, published best value, price scale) for bench/run-instances.

Mapping: 1 unit = 1 mm (the program works in 0.1 mm), kerf 0 (NokoHaba=0), no trims, every
other setting at its default. One kind and thickness for everything, so all parts form
one group.

- 2BP: the bins are one board kind with the largest stock a board record holds
  (999999, in effect unlimited); every item a part of count 1. Height comes first in the
  file. Only instances 1 and 2 of every n are taken (100 of the 500), unless --all.
  Names: C05_n100_01 = class 5, n = 100, relative instance 1.
- cintra2008: every bin type a board kind with price W*H, every item type a part with its
  demand. A price holds at most 999999 yen, so where W*H is larger all prices of the
  instance are divided by the smallest k that divides every W*H and brings them in range;
  k is the "price_scale" of index.csv and total_price * k is the published cost.

--no-rotation marks every part 横置きしない (NoTurn), for the oriented variants.
--known DIR: the folder of published best values (default: ../known beside SOURCE).
"""
import argparse
import csv
import math
import os
import sys

MAX_BOARD_COUNT = 999999
MAX_PRICE = 999999
MAX_PART_COUNT = 9999
KIND = "BENCH"
BIN_PRICE = 1000  # 2BP: yen per board
THICKNESS = 180  # 0.1 mm; any value, the same for parts and boards

BOARD_COLUMNS = ("原板名,原板横,原板縦,原板厚さ,原板数,原板単価,原板優先度,原板種類,"
                 "原板備考,原板上トリム,原板下トリム,原板左トリム,原板右トリム")
PART_COLUMNS = "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考"


class Instance:
    def __init__(self, name, group, order, bins, items, source_key):
        self.name = name
        self.order = order            # sort key within the set
        self.group = group            # the row of the per-class totals
        self.bins = bins              # [(width, height, price)] in units and yen
        self.items = items            # [(width, height, count)] in units
        self.source_key = source_key  # Path column of the published tables
        self.price_scale = 1


def numbers_of(line):
    """The leading integers of a line; a comment after them ends it."""
    values = []
    for field in line.split():
        try:
            values.append(int(field))
        except ValueError:
            break
    return values


def read_2bp(path):
    rows = []
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            values = numbers_of(line)
            if values:
                rows.append((number, values))
    base = os.path.basename(path)
    i = 0
    while i < len(rows):
        try:
            klass = rows[i][1][0]
            count = rows[i + 1][1][0]
            relative = rows[i + 2][1][0]
            height, width = rows[i + 3][1][:2]
            items = []
            for line_number, values in rows[i + 4:i + 4 + count]:
                if len(values) < 2:
                    raise ValueError(f"line {line_number}: expected H W")
                items.append((values[1], values[0], 1))
        except (IndexError, ValueError) as error:
            sys.exit(f"{path}: instance at line {rows[i][0]} is incomplete ({error})")
        if len(items) != count:
            sys.exit(f"{path}: instance at line {rows[i][0]} has {len(items)} of {count} items")
        # Bins are unlimited; one price for all, so the run's choice by price counts boards.
        # The published tables file classes I-VI under berkey1987, VII-X under martello1998.
        dataset = "berkey1987" if klass <= 6 else "martello1998"
        yield Instance(f"C{klass:02d}_n{count}_{relative:02d}", f"C{klass:02d}", (klass, count, relative),
                       [(width, height, BIN_PRICE)], items, f"{dataset}/{base}_{count}_{relative}")
        i += 4 + count


def read_cintra(path):
    with open(path, encoding="ascii") as f:
        lines = [numbers_of(line) for line in f]
    lines = [values for values in lines if values]
    try:
        _, bin_types, item_types = lines[0][:3]
        bins = [(w, h, cost) for w, h, cost in (values[:3] for values in lines[1:1 + bin_types])]
        items = [(w, h, demand) for w, h, demand in
                 (values[:3] for values in lines[1 + bin_types:1 + bin_types + item_types])]
    except (IndexError, ValueError) as error:
        sys.exit(f"{path}: not a cintra2008 instance ({error})")
    if len(bins) != bin_types or len(items) != item_types:
        sys.exit(f"{path}: {len(bins)} of {bin_types} bin types, {len(items)} of {item_types} item types")
    for w, h, cost in bins:
        if cost != w * h:
            sys.exit(f"{path}: bin {w} x {h} costs {cost}, not its area")
    stem = os.path.basename(path)
    name = stem[:-4] if stem.endswith(".txt") else stem
    number = int("".join(c for c in name if c.isdigit()) or 0)
    yield Instance(name, "cintra2008", (0, number, 0), bins, items, f"cintra2008/{stem}")


def price_scale(prices):
    """The smallest k dividing every price with max(prices) / k <= MAX_PRICE."""
    largest = max(prices)
    if largest <= MAX_PRICE:
        return 1
    common = 0
    for price in prices:
        common = math.gcd(common, price)
    for k in range(1, common + 1):
        if common % k == 0 and largest // k <= MAX_PRICE:
            return k
    sys.exit(f"prices {prices} cannot be scaled into 0..{MAX_PRICE} exactly")


def mm(units):
    return f"{units}.0"  # 1 unit = 1 mm


def write_lines(path, lines):
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))


def check_range(instance):
    for w, h, count in instance.items:
        if not (1 <= count <= MAX_PART_COUNT):
            sys.exit(f"{instance.name}: a part count of {count} is outside 1..{MAX_PART_COUNT}")
    for w, h, _ in instance.bins + [(w, h, 0) for w, h, _ in instance.items]:
        if not (0 < w * 10 <= 999999 and 0 < h * 10 <= 999999):
            sys.exit(f"{instance.name}: a size {w} x {h} is outside the program's lengths")


def write_instance(instance, folder, no_rotation):
    check_range(instance)
    instance.price_scale = price_scale([price for _, _, price in instance.bins])
    os.makedirs(folder, exist_ok=True)
    boards = [BOARD_COLUMNS]
    for number, (w, h, price) in enumerate(instance.bins, 1):
        boards.append(f"B{number},{mm(w)},{mm(h)},{THICKNESS / 10:.1f},{MAX_BOARD_COUNT},"
                      f"{price // instance.price_scale},0,{KIND},,0.0,0.0,0.0,0.0")
    write_lines(os.path.join(folder, "boards.csv"), boards)
    parts = [PART_COLUMNS]
    for number, (w, h, count) in enumerate(instance.items, 1):
        parts.append(f"P{number},{mm(w)},{mm(h)},{THICKNESS / 10:.1f},{count},"
                     f"{1 if no_rotation else 0},{KIND},")
    write_lines(os.path.join(folder, "parts.csv"), parts)
    write_lines(os.path.join(folder, "settings.ini"), ["[SysPara]", "NokoHaba=0"])


def known_values(folder, kind, no_rotation):
    """Published best values by the tables' Path column; empty when the table is missing."""
    if kind == "2bp":
        table = "data_bin_packing_oriented.csv" if no_rotation else "data_bin_packing_rotation.csv"
    else:
        # 2nhr: rotation allowed; 2nho: oriented.
        table = ("data_variable_sized_bin_packing_2nho_cintra2008.csv" if no_rotation
                 else "data_variable_sized_bin_packing_2nhr_cintra2008.csv")
    path = os.path.join(folder, table)
    if not os.path.exists(path):
        return {}
    with open(path, encoding="utf-8", newline="") as f:
        return {row[0]: row[1] for row in csv.reader(f) if len(row) > 1 and row[0] != "Path"}


def sources(source):
    if os.path.isdir(source):
        names = sorted(n for n in os.listdir(source) if n.endswith(".2bp") or n.endswith(".txt"))
        return [os.path.join(source, n) for n in names]
    return [source]


def main():
    parts = __doc__.split("\n\n")
    parser = argparse.ArgumentParser(description=parts[0], epilog="\n\n".join(parts[2:]),
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--no-rotation", action="store_true", help="every part 横置きしない")
    parser.add_argument("--all", action="store_true", help="2BP: all 10 instances of every n, not 1 and 2")
    parser.add_argument("--known", help="folder of the published best values")
    parser.add_argument("source")
    parser.add_argument("outdir")
    options = parser.parse_args()

    files = sources(options.source)
    if not files:
        sys.exit(f"{options.source}: no .2bp or .txt instance files")
    known_dir = options.known or os.path.join(os.path.dirname(os.path.abspath(files[0])), "..", "known")
    instances = []
    for path in files:
        if path.endswith(".2bp"):
            kind = "2bp"
            chosen = [i for i in read_2bp(path) if options.all or int(i.name[-2:]) <= 2]
        else:
            kind = "cintra"
            chosen = list(read_cintra(path))
        known = known_values(known_dir, kind, options.no_rotation)
        for instance in chosen:
            instance.known = known.get(instance.source_key, "")
            instances.append(instance)
    # Class order, then n, then instance: the order of the tables.
    instances.sort(key=lambda i: i.order)
    os.makedirs(options.outdir, exist_ok=True)
    for instance in instances:
        write_instance(instance, os.path.join(options.outdir, instance.name), options.no_rotation)
    with open(os.path.join(options.outdir, "index.csv"), "w", encoding="utf-8", newline="") as f:
        out = csv.writer(f, lineterminator="\n")
        out.writerow(["name", "group", "known", "price_scale"])
        for instance in instances:
            out.writerow([instance.name, instance.group, instance.known, instance.price_scale])
    print(f"{len(instances)} instances in {options.outdir}")


if __name__ == "__main__":
    main()
