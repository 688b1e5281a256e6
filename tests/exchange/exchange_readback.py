#!/usr/bin/env python3
"""Reads the DXF drawings (--dxf) and the workbook (--xlsx) back with readers of their own
(ezdxf, openpyxl) and compares every rectangle, offcut, cut and total with the result JSON and
the cut data file of the same run: the example kitchen job and a few generated jobs (kerf 0 and
wide, trims, turned parts, secondary parts, short stock, every cost method, edge bands).

usage: exchange_readback.py NESTRIX EXAMPLE_DIR
"""
import csv
import io
import json
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile

import ezdxf
import openpyxl

LAYERS = {"BOARD", "TRIM", "PART", "PART_TEXT", "OFFCUT", "CUT"}
SHEETS = ["集計", "部材", "原板", "パターン", "端材"]


class Mismatch(Exception):
    pass


def expect(condition, message):
    if not condition:
        raise Mismatch(message)


def close(a, b, tolerance=1e-9):
    return math.isclose(a, b, rel_tol=tolerance, abs_tol=tolerance)


def run(nestrix, args):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    done = subprocess.run([nestrix] + args, capture_output=True, env=env)
    expect(done.returncode in (0, 1), f"nestrix {' '.join(args)}: status {done.returncode}\n{done.stderr.decode()}")


def cut_data(path):
    """The 切断 lines of each pattern of the cut data file, in their order."""
    with open(path, encoding="cp932", newline="") as f:
        rows = list(csv.reader(io.StringIO(f.read())))
    patterns = []
    for row in rows:
        if row[0] == "パターン":
            patterns.append([])
        elif row[0] == "切断":
            _, _, _stage, direction, position, width, start, end = row
            patterns[-1].append((direction, float(position), float(width), float(start), float(end)))
    return patterns


def tenths(value):
    return round(value * 10)


def pieces(layout, parts, secondary, kerf):
    """Each piece of the layout's blocks: (x0, y0, x1, y1) in 0.1 mm on the board, y down, as the
    block lays it (at its cut size), its part, and its cut size as the part is entered."""
    out = []
    for b in layout["blocks"]:
        part = (parts if b["list"] == 0 else secondary)[b["part"]]
        sx, sy = b["width"], b["length"]
        cut = (sy, sx) if b["rotated"] else (sx, sy)
        for j in range(b["ny"]):
            for i in range(b["nx"]):
                x, y = b["x"] + i * (sx + kerf), b["y"] + j * (sy + kerf)
                out.append(((x, y, x + sx, y + sy), part, cut))
    return out


def cut_areas(result):
    """The cut area of every placed (list, part), from its blocks."""
    return {(b["list"], b["part"]): b["width"] * b["length"] for layout in result["layouts"] for b in layout["blocks"]}


def band_metres(result, job):
    """The band metres of the placed pieces counted by hand: each banded edge's length as entered
    plus the band's allowance, per band code."""
    allowance = {e["code"]: e["allowance"] for e in job.get("edges", [])}
    tenths = {}
    for layout in result["layouts"]:
        for b in layout["blocks"]:
            part = (job["parts"] if b["list"] == 0 else job["secondary_parts"])[b["part"]]
            count = b["nx"] * b["ny"] * layout["repeat"]
            for key, length in (("edge_top", part["width"]), ("edge_bottom", part["width"]),
                                ("edge_left", part["length"]), ("edge_right", part["length"])):
                code = part.get(key, "")
                if code:
                    tenths[code] = tenths.get(code, 0) + count * (length + allowance[code])
    return {code: t / 10000 for code, t in tenths.items()}


def flipped(rect, length):
    """A board rectangle (y down from the top) as the drawing has it (y up, 0 at the bottom)."""
    x0, y0, x1, y1 = rect
    return (x0, length - y1, x1, length - y0)


def rectangle(polyline):
    expect(polyline.closed, f"an open polyline on {polyline.dxf.layer}")
    points = [(tenths(x), tenths(y)) for x, y in polyline.get_points("xy")]
    xs, ys = sorted({p[0] for p in points}), sorted({p[1] for p in points})
    expect(len(points) == 4 and len(xs) == 2 and len(ys) == 2, f"not a rectangle on {polyline.dxf.layer}: {points}")
    return (xs[0], ys[0], xs[1], ys[1])


def check_drawing(path, layout, board, parts, secondary, kerf, cuts):
    doc = ezdxf.readfile(path)
    expect(doc.header.get("$INSUNITS") == 4, "not in millimetres")
    expect(LAYERS <= {layer.dxf.name for layer in doc.layers}, "a layer is missing")
    msp = doc.modelspace()
    on = {name: [e for e in msp if e.dxf.layer == name] for name in LAYERS}
    expect(len(msp) == sum(len(v) for v in on.values()), "an entity on another layer")
    length = board["length"]
    rects = {name: sorted(rectangle(e) for e in on[name]) for name in ("BOARD", "TRIM", "PART", "OFFCUT")}
    expect(rects["BOARD"] == [(0, 0, board["width"], length)], f"board {rects['BOARD']}")
    trimmed = (board["trim_left"], board["trim_top"], board["width"] - board["trim_right"],
               length - board["trim_bottom"])
    expect(rects["TRIM"] == [flipped(trimmed, length)], f"trimmed board {rects['TRIM']}")
    placed = pieces(layout, parts, secondary, kerf)
    expect(rects["PART"] == sorted(flipped(r, length) for r, _, _ in placed), "the pieces differ from the JSON")
    offcuts = sorted(flipped((o["x"], o["y"], o["x"] + o["width"], o["y"] + o["length"]), length)
                     for o in layout["offcuts"])
    expect(rects["OFFCUT"] == offcuts, f"offcuts {rects['OFFCUT']} against {offcuts}")

    # Each piece carries its name (when it has one) and its size as entered, inside it.
    texts = {}
    for e in on["PART_TEXT"]:
        expect(e.dxftype() == "TEXT", "PART_TEXT holds no text entity")
        x, y = tenths(e.dxf.align_point[0]), tenths(e.dxf.align_point[1])
        inside = [i for i, (r, _, _) in enumerate(placed) if flipped(r, length)[0] < x < flipped(r, length)[2]
                  and flipped(r, length)[1] < y < flipped(r, length)[3]]
        expect(len(inside) == 1, f"text {e.dxf.text!r} at ({x}, {y}) lies in {len(inside)} pieces")
        texts.setdefault(inside[0], []).append(e.dxf.text)
    for i, (_, part, cut) in enumerate(placed):
        size = f"{part['width'] / 10:.1f} × {part['length'] / 10:.1f}"
        wanted = ([part["name"]] if part["name"] else []) + [size]
        if cut != (part["width"], part["length"]):
            wanted.append(f"切断 {cut[0] / 10:.1f} × {cut[1] / 10:.1f}")
        wanted.sort()
        expect(sorted(texts.get(i, [])) == wanted, f"piece {i}: texts {texts.get(i)} against {wanted}")

    # The cuts: the cut data file's, in its order, through the middle of the kerf; inside the
    # trimmed board and never through a piece; as many and as long as the JSON says.
    lines = on["CUT"]
    expect(len(lines) == len(cuts) == layout["cut_count"],
           f"{len(lines)} cut lines, {len(cuts)} in the cut data, {layout['cut_count']} in the JSON")
    total = 0.0
    tx0, ty0, tx1, ty1 = flipped(trimmed, length)
    for n, (line, (direction, position, width, start, end)) in enumerate(zip(lines, cuts)):
        expect(line.dxftype() == "LINE", "CUT holds no line")
        (x0, y0, _), (x1, y1, _) = line.dxf.start, line.dxf.end
        middle = position + width / 2
        if direction == "縦":
            want = (middle, length / 10 - start, middle, length / 10 - end)
        else:
            want = (start, length / 10 - middle, end, length / 10 - middle)
        expect(all(close(a, b) for a, b in zip((x0, y0, x1, y1), want)), f"cut {n + 1}: {(x0, y0, x1, y1)} against {want}")
        total += math.hypot(x1 - x0, y1 - y0)
        lo = (min(x0, x1) * 10, min(y0, y1) * 10, max(x0, x1) * 10, max(y0, y1) * 10)
        expect(tx0 - 1e-6 <= lo[0] and lo[2] <= tx1 + 1e-6 and ty0 - 1e-6 <= lo[1] and lo[3] <= ty1 + 1e-6,
               f"cut {n + 1} leaves the trimmed board")
        for r, _, _ in placed:
            px0, py0, px1, py1 = flipped(r, length)
            across = px0 < lo[0] < px1 and lo[1] < py1 and py0 < lo[3] if direction == "縦" else \
                py0 < lo[1] < py1 and lo[0] < px1 and px0 < lo[2]
            expect(not across, f"cut {n + 1} runs through the piece {r}")
    expect(close(total, layout["cut_length_mm"], 1e-9), f"cut length {total} against {layout['cut_length_mm']}")


def expected_costs(result, boards, method):
    """The cost share of every (list, part) by the cost method, from the JSON alone: shares of
    the cut areas."""
    areas = cut_areas(result)
    costs = {}
    for layout in result["layouts"]:
        board = boards[layout["board"]]
        price = layout["repeat"] * board["price"]
        free = method in (1, 3)
        entries = [e for e in layout["summary"] if not (free and e["list"] == 1)]
        area = lambda e: areas[(e["list"], e["part"])] * e["pieces"]
        share = board["width"] * board["length"] if method <= 1 else sum(area(e) for e in entries)
        for e in entries:
            key = (e["list"], e["part"])
            costs[key] = costs.get(key, 0.0) + (price * area(e) / share if share > 0 else 0.0)
    return costs


def table(sheet):
    rows = list(sheet.iter_rows(values_only=True))
    return rows[0], [r for r in rows[1:] if any(v is not None for v in r)]


def check_workbook(path, result, job, job_name, method):
    book = openpyxl.load_workbook(path)
    expect(book.sheetnames == SHEETS, f"sheets {book.sheetnames}")
    for sheet in book.worksheets:
        expect(sheet.freeze_panes == "A2", f"{sheet.title}: header not frozen")
        used = {openpyxl.utils.get_column_letter(c) for c in range(1, sheet.max_column + 1)}
        expect(all(sheet.column_dimensions[c].width for c in used), f"{sheet.title}: a column without a width")
    parts, secondary, boards = job["parts"], job["secondary_parts"], job["boards"]
    layouts = result["layouts"]

    # 集計: the JSON's totals.
    _, rows = table(book["集計"])
    summary = {r[0]: r[1] for r in rows}
    cells = {r[0]: book["集計"].cell(i + 2, 2) for i, r in enumerate(rows)}
    expect(summary["物件名"] == job_name, f"job name {summary['物件名']!r}")
    expect(summary.get("得意先") == job_name + "様", f"customer {summary.get('得意先')!r}")
    wanted = {
        "使用原板枚数": sum(u["sheets"] for u in result["used_boards"]),
        "パターン数": len(layouts),
        "使用原板合計金額": result["total_price"],
        "部材部分金額": result["parts_price"],
        "部材部分金額（２次部材を含む）": result["total_pieces_price"],
        "歩留まり": result["parts_area"] / result["board_area"] if result["board_area"] else 0.0,
        "歩留まり（２次部材を含む）": result["total_area"] / result["board_area"] if result["board_area"] else 0.0,
        "切断回数": result["cut_count"],
        "切断長": result["cut_length_mm"],
        "未配置部材数": sum(u["count"] for u in result["unplaced"]),
        "端材数": sum(len(l["offcuts"]) * l["repeat"] for l in layouts),
    }
    banded = "edges" in job
    if banded:
        names = {e["code"]: e["name"] for e in job["edges"]}
        counted = band_metres(result, job)
        expect(sorted(b["code"] for b in result["bands"]) == sorted(counted), f"bands {result['bands']}")
        for band in result["bands"]:
            expect(close(band["metres"], counted[band["code"]], 1e-12),
                   f"band {band['code']}: {band['metres']} m against {counted[band['code']]} counted")
            wanted[f"エッジ {band['code']} {names[band['code']]}"] = band["metres"]
            wanted[f"エッジ {band['code']} 金額"] = band["cost"]
        wanted["エッジ合計金額"] = result["bands_cost"]
        wanted["原板・エッジ合計金額"] = result["total_price"] + result["bands_cost"]
    else:
        expect("bands" not in result and not any(k.startswith("エッジ") for k in summary), "bands without a table")
    for label, value in wanted.items():
        got = summary.get(label)
        expect(isinstance(got, (int, float)) and close(got, value, 1e-12), f"集計 {label}: {got!r} against {value}")
    expect(cells["使用原板合計金額"].number_format == "#,##0", "yen without thousands")
    expect(cells["歩留まり"].number_format == "0.0%", "yield not as a percentage")

    # 部材: every part and placed secondary part; counts and cost shares.
    header, rows = table(book["部材"])
    total = rows.pop()
    expect(total[0] == "合計", "部材 has no total row")
    placed = {}
    for layout in layouts:
        for e in layout["summary"]:
            placed[(e["list"], e["part"])] = placed.get((e["list"], e["part"]), 0) + e["pieces"] * layout["repeat"]
    unplaced = {u["part"]: u["count"] for u in result["unplaced"]}
    costs = expected_costs(result, boards, method)
    areas = cut_areas(result)
    keys = [(0, i) for i in range(len(parts))] + [(1, s["part"]) for s in result["placed_secondary"]]
    expect(len(rows) == len(keys), f"部材: {len(rows)} rows for {len(keys)} parts")
    expect(len(header) == (17 if banded else 11), f"部材 columns {header}")
    for row, key in zip(rows, keys):
        kind, number, name, width, length, thickness, _kind, count, got_placed, left, cost = row[:11]
        part = (parts if key[0] == 0 else secondary)[key[1]]
        if banded:
            edges = tuple(part.get(k, "") for k in ("edge_top", "edge_bottom", "edge_left", "edge_right"))
            expect(tuple(v or "" for v in row[13:17]) == edges, f"部材 bands {row}")
            if key in areas:
                expect(tenths(row[11]) * tenths(row[12]) == areas[key], f"部材 cut size {row}")
        expect((kind, number, name or "") == (["部材", "２次部材"][key[0]], key[1] + 1, part["name"]), f"部材 row {row}")
        expect((tenths(width), tenths(length), tenths(thickness)) ==
               (part["width"], part["length"], part["thickness"]), f"部材 sizes {row}")
        expect(got_placed == placed.get(key, 0), f"部材 {name}: placed {got_placed}")
        if key[0] == 0:
            expect(count == part["count"] and left == unplaced.get(key[1], 0), f"部材 {name}: {count}, {left}")
            expect(count == got_placed + left, f"部材 {name}: placed and unplaced do not make the count")
        expect(close(cost, costs.get(key, 0.0), 1e-9), f"部材 {name}: cost {cost} against {costs.get(key)}")
    expect(total[7] == sum(p["count"] for p in parts), "部材 total count")
    expect(total[8] == sum(placed.values()), "部材 total placed")
    expect(total[9] == wanted["未配置部材数"], "部材 total unplaced")
    all_costs = {0: result["total_pieces_price"], 1: result["parts_price"]}.get(method, result["total_price"])
    if method >= 2 and any(not l["summary"] for l in layouts):
        all_costs = sum(costs.values())
    expect(close(total[10], all_costs, 1e-9), f"部材 total cost {total[10]} against {all_costs}")

    # 原板: the boards used, sheets and money.
    _, rows = table(book["原板"])
    total = rows.pop()
    expect(total[0] == "合計", "原板 has no total row")
    expect(len(rows) == len(result["used_boards"]), "原板 rows")
    for row, used in zip(rows, result["used_boards"]):
        board = boards[used["board"]]
        expect(row[0] == used["board"] + 1 and row[1] == board["name"] and row[6] == used["sheets"] and
               row[7] == board["price"] and row[8] == used["sheets"] * board["price"], f"原板 row {row}")
        expect((tenths(row[3]), tenths(row[4])) == (board["width"], board["length"]), f"原板 sizes {row}")
    expect(total[6] == wanted["使用原板枚数"] and total[8] == result["total_price"], f"原板 totals {total}")

    # パターン: each pattern's figures on its first row, its pieces one row each.
    _, rows = table(book["パターン"])
    for n, layout in enumerate(layouts, 1):
        mine = [r for r in rows if r[0] == n]
        first = mine[0]
        expect(first[1] == boards[layout["board"]]["name"] and first[2] == layout["repeat"], f"pattern {n}: {first}")
        expect(close(first[3], layout["parts_yield"]) and close(first[4], layout["total_yield"]), f"pattern {n} yields")
        expect(first[5] == layout["cut_count"] and close(first[6], layout["cut_length_mm"]), f"pattern {n} cuts")
        got = [(r[7], r[8], r[12], r[13]) for r in mine if r[7] is not None]
        want = [(["部材", "２次部材"][e["list"]], e["part"] + 1, e["pieces"], e["pieces"] * layout["repeat"])
                for e in layout["summary"]]
        expect(got == want, f"pattern {n} pieces {got} against {want}")
    expect(all(r[0] in range(1, len(layouts) + 1) for r in rows), "a row of no pattern")

    # 端材: every offcut of every pattern.
    _, rows = table(book["端材"])
    want = [(n, k, o["x"], o["y"], o["width"], o["length"], layout["repeat"])
            for n, layout in enumerate(layouts, 1) for k, o in enumerate(layout["offcuts"], 1)]
    got = [(r[0], r[2], tenths(r[3]), tenths(r[4]), tenths(r[5]), tenths(r[6]), r[7]) for r in rows]
    expect(got == want, f"offcuts {got} against {want}")


def check_run(nestrix, folder, name, layout_args, job_name, method):
    """Runs nestrix with every output and compares the drawings and the workbook with the rest."""
    out = os.path.join(folder, name)
    os.makedirs(out)
    dxf, xlsx, result, cuts = (os.path.join(out, n) for n in ("dxf", "book.xlsx", "result.json", "cut.csv"))
    run(nestrix, layout_args + ["--dxf", dxf, "--xlsx", xlsx, "--json", result, "--cutdata", cuts,
                                "--job-name", job_name, "--customer", job_name + "様"])
    result = json.load(open(result, encoding="utf-8"))
    job_path = layout_args[1] if layout_args[0] == "export" else os.path.join(out, "job.nestrix")
    job = json.load(open(job_path, encoding="utf-8"))
    kerf = job["settings"]["NokoHaba"]
    patterns = cut_data(cuts)
    names = sorted(os.listdir(dxf))
    expect(names == [f"pattern-{n:03d}.dxf" for n in range(1, len(result["layouts"]) + 1)], f"{name}: files {names}")
    for n, layout in enumerate(result["layouts"]):
        try:
            check_drawing(os.path.join(dxf, names[n]), layout, job["boards"][layout["board"]], job["parts"],
                          job["secondary_parts"], kerf, patterns[n])
        except Mismatch as problem:
            raise Mismatch(f"{name} {names[n]}: {problem}")
    try:
        check_workbook(xlsx, result, job, job_name, method)
    except Mismatch as problem:
        raise Mismatch(f"{name} workbook: {problem}")
    return xlsx, len(result["layouts"])


def write_cp932(path, lines):
    with open(path, "w", encoding="cp932", newline="") as f:
        f.write("".join(line + "\r\n" for line in lines))


def generated_job(folder, seed, banded=False):
    """A random job of one material: boards with trims, parts of many sizes, names with commas;
    banded: parts with bands of a table of three on some of their edges."""
    rng = random.Random(seed)
    boards = ["原板名,原板横,原板縦,原板厚さ,原板数,原板単価,原板優先度,原板種類,原板備考,原板上トリム,原板下トリム,原板左トリム,原板右トリム"]
    short = seed % 3 == 2  # short stock: parts are left over
    for i in range(rng.randint(1, 3)):
        w, l = rng.choice([(1820, 910), (2430, 1220), (1220, 610), (3030, 1525)])
        trims = [rng.choice([0, 0, 5, 10, 2.5]) for _ in range(4)]
        count = 1 if short else rng.choice([9999, 20])
        boards.append(f"板{i + 1},{w}.0,{l}.0,18.0,{count},{rng.randint(20, 90) * 100},{rng.randint(0, 2)},合板,,"
                      + ",".join(f"{t:.1f}" for t in trims))
    header = "部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考"
    parts = [header + (",部材エッジ上,部材エッジ下,部材エッジ左,部材エッジ右" if banded else "")]
    names = ["側板", "天板", "棚板", '扉 "A"', "背板, 薄", "", "幕板"]
    for i in range(rng.randint(6, 14)):
        w = rng.randint(500, 9000) / 10
        l = rng.randint(500, 6000) / 10
        name = names[i % len(names)]
        quoted = '"' + name.replace('"', '""') + '"' if ("," in name or '"' in name) else name
        bands = "," + ",".join(rng.choice(["", "", "A", "B", "C"]) for _ in range(4)) if banded else ""
        parts.append(f"{quoted},{w:.1f},{l:.1f},18.0,{rng.randint(1, 10)},{rng.randint(0, 1)},合板,{bands}")
    write_cp932(os.path.join(folder, f"boards{seed}.csv"), boards)
    write_cp932(os.path.join(folder, f"parts{seed}.csv"), parts)
    write_cp932(os.path.join(folder, f"settings{seed}.ini"),
                ["[SysPara]", f"NokoHaba={rng.choice([0, 30, 48, 100])}", f"TankaType={seed % 4}",
                 f"UseYBuzai={seed % 2}", f"MinOffcutW={rng.choice([0, 1000, 3000])}",
                 f"MinOffcutL={rng.choice([500, 3000])}", "MaxCal=1"])
    args = ["layout", "--boards", os.path.join(folder, f"boards{seed}.csv"),
            "--parts", os.path.join(folder, f"parts{seed}.csv"),
            "--settings", os.path.join(folder, f"settings{seed}.ini")]
    if seed % 2:
        write_cp932(os.path.join(folder, f"secondary{seed}.csv"),
                    ["部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考",
                     "スペーサー,150.0,80.0,18.0,9999,0,合板,", "桟,400.0,40.0,18.0,9999,0,合板,"])
        args += ["--secondary", os.path.join(folder, f"secondary{seed}.csv")]
    if banded:
        write_cp932(os.path.join(folder, f"bands{seed}.csv"),
                    ["エッジ記号,エッジ名,エッジ厚さ,エッジ高さ,エッジ単価,エッジ足し長さ",
                     "A,PVC 0.5,0.5,22.0,38,20.0", "B,ABS 2,2.0,22.0,125,30.0", "C,突板 1,1.0,21.0,0,0.0"])
        write_cp932(os.path.join(folder, f"settings{seed}.ini"),
                    ["[SysPara]", "NokoHaba=30", f"TankaType={seed % 4}", f"UseYBuzai={seed % 2}",
                     "MinOffcutW=1000", "MinOffcutL=3000", "MaxCal=1", f"EdgePremill={seed % 3 * 5}"])
        args += ["--bands", os.path.join(folder, f"bands{seed}.csv")]
    if seed % 4 != 0:
        args += ["--engine", "cal2:order=1,level=1"]  # fast; the whole job list on the others
    return args


def libreoffice_opens(xlsx, folder):
    """Whether LibreOffice, when it is installed, converts the workbook; None without it."""
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if soffice is None:
        return None
    done = subprocess.run([soffice, "--headless", f"-env:UserInstallation=file://{folder}/lo", "--convert-to",
                           "pdf", "--outdir", folder, xlsx], capture_output=True, timeout=300)
    pdf = os.path.join(folder, os.path.splitext(os.path.basename(xlsx))[0] + ".pdf")
    return done.returncode == 0 and os.path.exists(pdf) and os.path.getsize(pdf) > 0


def main():
    nestrix, example = sys.argv[1], sys.argv[2]
    failures = 0
    with tempfile.TemporaryDirectory() as folder:
        runs = [("kitchen", ["export", os.path.join(example, "kitchen.nestrix")], "キッチン, 1 階", 2)]
        for seed in range(11):
            args = generated_job(folder, seed, banded=seed >= 8)
            runs.append((f"generated-{seed}", args + ["--save-job", os.path.join(folder, f"generated-{seed}",
                                                                                   "job.nestrix")], f"生成 {seed}",
                         seed % 4))
        books = []
        for name, args, job_name, method in runs:
            try:
                book, layouts = check_run(nestrix, folder, name, args, job_name, method)
                books.append(book)
                print(f"{name}: {layouts} patterns read back")
            except Mismatch as problem:
                print(f"FAIL {problem}")
                failures += 1
        opened = libreoffice_opens(books[0], folder) if books else None
        if opened is None:
            print("LibreOffice is not installed: the workbook was not opened with it")
        elif not opened:
            print("FAIL LibreOffice cannot convert the workbook")
            failures += 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
