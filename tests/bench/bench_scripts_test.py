#!/usr/bin/env python3
"""bench/convert.py, bench/run-instances and bench/shopjobs.py on small made-up instances, with the
real program.

usage: bench_scripts_test.py SOURCE_DIR NESTRIX
"""
import importlib.util
import json
import os
import subprocess
import sys
import tempfile
import unittest

SOURCE, NESTRIX = sys.argv[1], sys.argv[2]
CONVERT = os.path.join(SOURCE, "bench", "convert.py")
RUN = os.path.join(SOURCE, "bench", "run-instances")
SHOPJOBS = os.path.join(SOURCE, "bench", "shopjobs.py")

sys.dont_write_bytecode = True  # keep the source tree clean
module_source = importlib.util.spec_from_file_location("convert", CONVERT)
convert = importlib.util.module_from_spec(module_source)
module_source.loader.exec_module(convert)


def instance_2bp(klass, relative, bin_hw, items_hw):
    lines = [f"{klass:5d}        PROBLEM CLASS", f"{len(items_hw):5d}        N. OF ITEMS",
             f"{relative:5d}{relative + 10:5d}   RELATIVE AND ABSOLUTE N. OF INSTANCE",
             f"{bin_hw[0]:5d}{bin_hw[1]:5d}   HBIN,WBIN"]
    lines += [f"{h:5d}{w:5d}" + ("   H(I),W(I),I=1,...,N" if k == 0 else "") for k, (h, w) in enumerate(items_hw)]
    return lines


# Bin 20 wide, 10 high (height first in the file). Instance 1: two 10 x 10 items side by side;
# instance 2: two items 10 wide, 20 high, which fit only turned; instance 3 is left out.
CLASS_FILE = (instance_2bp(3, 1, (10, 20), [(10, 10), (10, 10)]) +
              instance_2bp(3, 2, (10, 20), [(20, 10), (20, 10)]) +
              instance_2bp(3, 3, (10, 20), [(5, 5), (5, 5)]))
KNOWN_ROTATION = ["Path,Best known solution value", "berkey1987/Class_03.2bp_2_1,1",
                  "berkey1987/Class_03.2bp_2_2,2"]
KNOWN_ORIENTED = ["Path,Best known solution value", "berkey1987/Class_03.2bp_2_1,1"]
# Bin types over 999999 in area: three parts fill the first, two small ones take the second.
CINTRA_FILE = ["2 2 2 0 0 0", "1000 1000 1000000", "1200 800  960000",
               "1000 1000 3  0", "100 50 2  0", "gcut99dr"]


def write(path, lines, ending="\r\n"):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="ascii", newline="") as f:
        f.write(ending.join(lines) + ending)


def read_cp932(path):
    with open(path, "rb") as f:
        return f.read().decode("cp932").split("\r\n")


class Fixture(unittest.TestCase):
    def setUp(self):
        self.temp = tempfile.TemporaryDirectory()
        self.dir = self.temp.name
        write(os.path.join(self.dir, "raw", "2bp", "Class_03.2bp"), CLASS_FILE)
        write(os.path.join(self.dir, "raw", "cintra2008", "gcut99d.txt"), CINTRA_FILE, "\n")
        write(os.path.join(self.dir, "raw", "known", "data_bin_packing_rotation.csv"), KNOWN_ROTATION, "\n")
        write(os.path.join(self.dir, "raw", "known", "data_bin_packing_oriented.csv"), KNOWN_ORIENTED, "\n")
        write(os.path.join(self.dir, "raw", "known", "data_variable_sized_bin_packing_2nhr_cintra2008.csv"),
              ["Path,Best known solution value", "cintra2008/gcut99d.txt,3960000"], "\n")

    def tearDown(self):
        self.temp.cleanup()

    def convert(self, source, name, *flags):
        out = os.path.join(self.dir, name)
        done = subprocess.run([sys.executable, CONVERT, *flags, os.path.join(self.dir, "raw", source), out],
                              capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        return out

    def run_instances(self, *args):
        return subprocess.run([sys.executable, RUN, "--nestrix", NESTRIX, *args], capture_output=True, text=True)


class ConvertTest(Fixture):
    def test_2bp_files(self):
        cases = [  # flags, instance, board line, first part line, index rows
            ((), "C03_n2_01", "B1,20.0,10.0,18.0,999999,1000,0,BENCH,,0.0,0.0,0.0,0.0",
             "P1,10.0,10.0,18.0,1,0,BENCH,", ["C03_n2_01,C03,1,1", "C03_n2_02,C03,2,1"]),
            ((), "C03_n2_02", None, "P1,10.0,20.0,18.0,1,0,BENCH,", None),
            (("--no-rotation",), "C03_n2_02", None, "P2,10.0,20.0,18.0,1,1,BENCH,",
             ["C03_n2_01,C03,1,1", "C03_n2_02,C03,,1"]),
            (("--all",), "C03_n2_03", "B1,20.0,10.0,18.0,999999,1000,0,BENCH,,0.0,0.0,0.0,0.0",
             "P1,5.0,5.0,18.0,1,0,BENCH,", ["C03_n2_01,C03,1,1", "C03_n2_02,C03,2,1", "C03_n2_03,C03,,1"]),
        ]
        for flags, name, board, part, index in cases:
            with self.subTest(flags=flags, name=name):
                out = self.convert(os.path.join("2bp", "Class_03.2bp"), "set", *flags)
                if board:
                    self.assertEqual(read_cp932(os.path.join(out, name, "boards.csv"))[1], board)
                self.assertIn(part, read_cp932(os.path.join(out, name, "parts.csv")))
                with open(os.path.join(out, name, "settings.ini"), encoding="ascii") as f:
                    self.assertIn("NokoHaba=0", f.read())
                if index:
                    with open(os.path.join(out, "index.csv"), encoding="utf-8") as f:
                        self.assertEqual(f.read().splitlines()[1:], index)
                if "--all" not in flags:
                    self.assertFalse(os.path.exists(os.path.join(out, "C03_n2_03")))

    def test_cintra_prices_are_scaled_into_range(self):
        out = self.convert("cintra2008", "cintra")
        self.assertEqual(read_cp932(os.path.join(out, "gcut99d", "boards.csv"))[1:3],
                         ["B1,1000.0,1000.0,18.0,999999,500000,0,BENCH,,0.0,0.0,0.0,0.0",
                          "B2,1200.0,800.0,18.0,999999,480000,0,BENCH,,0.0,0.0,0.0,0.0"])
        self.assertEqual(read_cp932(os.path.join(out, "gcut99d", "parts.csv"))[1:3],
                         ["P1,1000.0,1000.0,18.0,3,0,BENCH,", "P2,100.0,50.0,18.0,2,0,BENCH,"])

    def test_price_scale(self):
        cases = [  # prices, scale (None: cannot be scaled exactly)
            ([62500, 61875, 60000], 1),
            ([999999], 1),
            ([1000000, 960000, 990000], 2),
            ([1000001], 101),  # 101 x 9901
            ([3000000, 2999994], 6),  # 3 divides both but leaves 1000000
            ([1000000, 1000001], None),
        ]
        for prices, scale in cases:
            with self.subTest(prices=prices):
                if scale is None:
                    with self.assertRaises(SystemExit):
                        convert.price_scale(prices)
                else:
                    self.assertEqual(convert.price_scale(prices), scale)

    def test_broken_input_is_refused(self):
        cases = [  # file, lines
            ("2bp/Class_01.2bp", instance_2bp(1, 1, (10, 10), [(5, 5), (5, 5)])[:-1]),
            ("cintra2008/gcut1d.txt", ["2 1 1 0 0 0", "10 10 99", "5 5 1 0"]),
            ("cintra2008/gcut2d.txt", ["2 1 1 0 0 0", "10 10 100", "5 5 10000 0"]),
        ]
        for name, lines in cases:
            with self.subTest(name=name):
                path = os.path.join(self.dir, "bad", name)
                write(path, lines)
                done = subprocess.run([sys.executable, CONVERT, path, os.path.join(self.dir, "bad-out")],
                                      capture_output=True, text=True)
                self.assertNotEqual(done.returncode, 0)
                self.assertIn(os.path.basename(name).split(".")[0], done.stderr)


class RunInstancesTest(Fixture):
    def rows(self, output):
        return {line.split()[0]: line.split()[1:] for line in output.splitlines() if line and line[0] != "#"}

    def test_values_beside_the_published_ones(self):
        cases = [  # source, flags, instance -> (value, best), total line
            ("2bp", (), {"C03_n2_01": ["1", "1"], "C03_n2_02": ["2", "2"]}, ["3", "3", "0"]),
            ("2bp", ("--no-rotation",), {"C03_n2_01": ["1", "1"], "C03_n2_02": ["0", "-"]}, ["1", "-", "-"]),
            ("cintra2008", (), {"gcut99d": ["3,960,000", "3,960,000"]}, ["3,960,000", "3,960,000", "0"]),
        ]
        for source, flags, expected, total in cases:
            with self.subTest(source=source, flags=flags):
                out = self.convert(source, "set-" + source + "".join(flags), *flags)
                keep = os.path.join(self.dir, "keep")
                done = self.run_instances("--keep", keep, out)
                rows = self.rows(done.stdout)
                for name, values in expected.items():
                    self.assertEqual(rows[name][:2], values, done.stdout)
                    self.assertTrue(os.path.getsize(os.path.join(keep, name + ".json")) > 0)
                self.assertEqual(rows["total"][:3], total, done.stdout)
                if "--no-rotation" in flags:
                    self.assertIn("2 pieces unplaced", done.stdout)

    def test_extra_arguments_reach_the_program(self):
        out = self.convert("2bp", "set")
        done = self.run_instances(out, "--", "--engine", "cal9")
        self.assertEqual(done.returncode, 1)
        self.assertIn("unknown engine: cal9", done.stdout)
        self.assertIn("failed: C03_n2_01 C03_n2_02", done.stdout)

    def test_budget_report_of_the_stats_file(self):
        # A stand-in program: one board, and the stats line the instance's name asks for.
        fake = os.path.join(self.dir, "fake-nestrix")
        write(fake, ["#!" + sys.executable, "import sys",
                     "args = dict(zip(sys.argv[2::2], sys.argv[3::2]))",
                     "open(args['--json'], 'w').write('{\"layouts\": [{\"repeat\": 1}], \"unplaced\": []}')",
                     "lines = {'C03_n2_01': 'budget_ended 0\\nblock_budget_ended 0\\nblock_fills_most 4',",
                     "         'C03_n2_02': 'budget_ended 3\\nblock_budget_ended 2\\nblock_fills_most 7'}",
                     "name = args['--boards'].split('/')[-2]",
                     "open(args['--stats'], 'w').write('seconds 0.1\\n' + lines.get(name, '') + '\\n')"], "\n")
        os.chmod(fake, 0o755)
        out = self.convert("2bp", "set", "--all")
        done = subprocess.run([sys.executable, RUN, "--nestrix", fake, "--stats", out], capture_output=True, text=True)
        self.assertEqual(done.returncode, 0, done.stderr)
        cases = [  # instance, note
            ("C03_n2_01", None),
            ("C03_n2_02", "a budget ended the search of 3 board layouts; the block engine's budget ended 2"),
            ("C03_n2_03", "no budget_ended in the --stats file"),
        ]
        lines = {line.split()[0]: line for line in done.stdout.splitlines() if line.startswith("C03_")}
        for name, note in cases:
            with self.subTest(name=name):
                if note:
                    self.assertIn(note, lines[name])
                else:
                    self.assertNotIn("budget", lines[name])
        self.assertIn("a budget ended the search early in 1 of 3 (3 board layouts)", done.stdout)
        self.assertIn("the block engine's budget ended it in 1 of 3 (2 board layouts); "
                      "most sub-fills of one board layout: 7 (C03_n2_02)", done.stdout)

    def test_compare(self):
        def folder(name, files):
            path = os.path.join(self.dir, name)
            os.makedirs(path)
            for file, text in files.items():
                with open(os.path.join(path, file + ".json"), "w") as f:
                    f.write(text)
            return path

        newer = '{"layouts": [{"cuts": [1, 2], "cut_count": 2}], "price": 5, "bands": []}'
        cases = [  # first, second, --common, exit status, lines expected
            ({"a": "1", "b": "2"}, {"a": "1", "b": "2"}, False, 0, ["2 of 2 identical"]),
            ({"a": "1", "b": "2"}, {"a": "1", "b": "3"}, False, 1, ["differs: b", "1 of 2 identical"]),
            ({"a": "1", "b": "2"}, {"a": "1"}, False, 1, ["only in", "1 of 2 identical"]),
            ({"a": '{"layouts": [{"cuts": [1, 2]}], "price": 5}'}, {"a": newer}, False, 1, ["differs: a"]),
            ({"a": '{"layouts": [{"cuts": [1, 2]}], "price": 5}'}, {"a": newer}, True, 0, ["1 of 1 identical"]),
            ({"a": '{"layouts": [{"cuts": [1]}], "price": 5}'}, {"a": newer}, True, 1, ["differs: a"]),
            ({"a": '{"layouts": [{"cuts": [1, 2]}, {}], "price": 5}'}, {"a": newer}, True, 1, ["differs: a"]),
            ({"a": '{"layouts": [{"cuts": [1, 2]}], "price": 6}'}, {"a": newer}, True, 1, ["differs: a"]),
        ]
        for number, (first, second, common, status, lines) in enumerate(cases):
            with self.subTest(number=number):
                done = self.run_instances("--compare", folder(f"x{number}", first), folder(f"y{number}", second),
                                          *(["--common"] if common else []))
                self.assertEqual(done.returncode, status, done.stdout)
                for line in lines:
                    self.assertIn(line, done.stdout)


class ShopJobs(unittest.TestCase):
    def write(self, out, *args):
        subprocess.run([sys.executable, SHOPJOBS, out, *args], check=True)

    def test_sets_are_jobs_the_program_reads_and_the_same_every_time(self):
        with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
            for out in (a, b):
                self.write(out, "--set", "mixed", "--count", "2")
                self.write(out, "--set", "stock", "--count", "1")
                self.write(out, "--set", "examples")
                self.write(out, "--set", "twins", "--count", "3")
            names = sorted(name for name in os.listdir(a) if name != "index.csv")
            self.assertEqual(names, ["free-kinds-552", "mixed-01", "mixed-02", "one-kind-552", "stock-01",
                                     "stock-example", "twins-01", "twins-02", "twins-03", "two-cheap"])
            for name in names:
                for file in sorted(os.listdir(os.path.join(a, name))):
                    with open(os.path.join(a, name, file), "rb") as x, open(os.path.join(b, name, file), "rb") as y:
                        self.assertEqual(x.read(), y.read(), f"{name}/{file}")
            with open(os.path.join(a, "index.csv"), encoding="utf-8") as f:
                self.assertEqual(f.read().splitlines(), ["name,group,known,price_scale", "twins-01,twins,,1",
                                                         "twins-02,twins,,1", "twins-03,twins,,1"])

    def test_twins_share_sizes_and_the_program_reads_them(self):
        with tempfile.TemporaryDirectory() as out:
            self.write(out, "--set", "twins", "--count", "4")
            for name in ("twins-01", "twins-02", "twins-03", "twins-04"):
                job = os.path.join(out, name)
                with open(os.path.join(job, "parts.csv"), encoding="cp932") as f:
                    sizes = [tuple(line.split(",")[1:3]) for line in f.read().splitlines()[1:]]
                self.assertLess(len(set(sizes)), len(sizes), name)
                command = [NESTRIX, "layout", "--boards", os.path.join(job, "boards.csv"), "--parts",
                           os.path.join(job, "parts.csv"), "--settings", os.path.join(job, "settings.ini"),
                           "--engine", "cal2"]
                if os.path.exists(os.path.join(job, "secondary.csv")):
                    command += ["--secondary", os.path.join(job, "secondary.csv")]
                done = subprocess.run(command, capture_output=True, text=True)
                self.assertIn(done.returncode, (0, 1), done.stderr)

    def test_the_search_takes_two_cheap_boards(self):
        with tempfile.TemporaryDirectory() as out:
            self.write(out, "--set", "examples")
            job = os.path.join(out, "two-cheap")
            done = subprocess.run([NESTRIX, "layout", "--boards", os.path.join(job, "boards.csv"), "--parts",
                                   os.path.join(job, "parts.csv"), "--settings", os.path.join(job, "settings.ini"),
                                   "--threads", "2", "--search"], capture_output=True, text=True)
            self.assertEqual(done.returncode, 0, done.stderr)
            self.assertRegex(done.stdout, r"安 3000x1500 .* 2 枚")
            self.assertNotIn("高 3600x1800", done.stdout)

    def test_a_run_past_the_work_limit_leaves_the_search_its_next_values(self):
        # The first run's values pass the work limit here, the next run's do not: without them
        # the search keeps the patterns chosen together (48 boards after the passes) and the
        # group the four engines' 39.
        with tempfile.TemporaryDirectory() as out:
            self.write(out, "--set", "examples")
            job = os.path.join(out, "free-kinds-552")
            done = subprocess.run([NESTRIX, "layout", "--boards", os.path.join(job, "boards.csv"), "--parts",
                                   os.path.join(job, "parts.csv"), "--settings", os.path.join(job, "settings.ini"),
                                   "--threads", "2", "--search", "--json", "-"], capture_output=True, text=True)
            self.assertEqual(done.returncode, 0, done.stderr)
            result = json.loads(done.stdout)
            self.assertEqual(result["unplaced"], [])
            self.assertLessEqual(sum(layout["repeat"] for layout in result["layouts"]), 38)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
