#!/usr/bin/env python3
"""One instance of a 2BP benchmark file (Class_NN.2bp) as a boards and a parts file.

usage: bp2csv.py FILE.2bp INSTANCE OUTDIR [MM_PER_UNIT]

INSTANCE counts from 1 in file order (50 per file). Bins become one board kind with
unlimited stock, items one part each (count 1, may be turned); lengths are units x
MM_PER_UNIT (default 10) millimetres. Writes OUTDIR/boards.csv and OUTDIR/parts.csv in CP932.
"""
import os
import sys


def instances(path):
    numbers = []
    with open(path, encoding="ascii") as f:
        for line in f:
            fields = line.split()
            numbers.append([int(x) for x in fields[:2] if x.lstrip("-").isdigit()])
    rows = [r for r in numbers if r]
    i = 0
    while i < len(rows):
        count = rows[i + 1][0]
        height, width = rows[i + 3]
        items = [tuple(r) for r in rows[i + 4:i + 4 + count]]
        yield (width, height), items
        i += 4 + count


def write(path, lines):
    with open(path, "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))


def main():
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    source, number, outdir = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    scale = float(sys.argv[4]) if len(sys.argv) == 5 else 10.0
    all_instances = list(instances(source))
    if not 1 <= number <= len(all_instances):
        sys.exit(f"{source} holds {len(all_instances)} instances")
    (width, height), items = all_instances[number - 1]
    os.makedirs(outdir, exist_ok=True)
    write(os.path.join(outdir, "boards.csv"), [
        "原板名,原板横,原板縦,原板厚さ,原板数,原板単価,原板優先度,原板種類,原板備考,原板上トリム,原板下トリム,原板左トリム,原板右トリム",
        f'"ビン",{width * scale:.1f},{height * scale:.1f},18.0,9999,1000,0,"合板","",0.0,0.0,0.0,0.0',
    ])
    parts = ["部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考"]
    for k, (h, w) in enumerate(items, 1):
        parts.append(f'"品{k}",{w * scale:.1f},{h * scale:.1f},18.0,1,0,"合板",""')
    write(os.path.join(outdir, "parts.csv"), parts)


if __name__ == "__main__":
    main()
