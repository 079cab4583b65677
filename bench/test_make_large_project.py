#!/usr/bin/env python3
"""Checks of the generated projects: python3 bench/test_make_large_project.py"""

import math
import os
import subprocess
import sys
import tempfile
import unittest

GENERATOR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "make_large_project.py")


def generate(outdir, *options):
    subprocess.run([sys.executable, GENERATOR, outdir] + list(options), check=True, stdout=subprocess.DEVNULL)


def table(path):
    with open(path, "rb") as f:
        data = f.read()
    lines = data.split(b"\r\n")
    assert lines[-1] == b"", "the last line of %s has no CR LF" % path
    assert b"\n" not in data.replace(b"\r\n", b""), "a bare line feed in %s" % path
    return [line.decode("cp1250").split("\t") for line in lines[:-1]]


class RoadNetwork(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.dir = cls.tmp.name
        generate(cls.dir, "--kind", "roads")
        cls.roads = table(os.path.join(cls.dir, "liniove.txt"))
        cls.points = table(os.path.join(cls.dir, "body.txt"))

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_segments_form_a_town_of_streets_and_arterials(self):
        self.assertGreaterEqual(len(self.roads), 5000)
        x0, y0 = -740000.0, -1045000.0
        groups = set()
        for r in self.roads:
            self.assertEqual(len(r), 17)                   # 12 fields, NO2/NOx, 4 emissions
            x1, y1, x2, y2 = float(r[1]), float(r[2]), float(r[4]), float(r[5])
            for x, y in ((x1, y1), (x2, y2)):
                self.assertTrue(x0 <= x <= x0 + 20000 and y0 <= y <= y0 + 20000, r)
            self.assertTrue(50 <= math.hypot(x2 - x1, y2 - y1) <= 400, r)
            self.assertTrue(6 <= float(r[11]) <= 20, r)
            self.assertEqual(r[8], "2")                    # traffic class
            self.assertTrue(all(float(v) > 0 for v in r[13:]), r)
            groups.add(r[9])
        self.assertEqual(groups, {"5", "6", "7"})
        self.assertEqual(len({r[0] for r in self.roads}), len(self.roads))
        # Streets meet: most segment ends are shared with another segment.
        ends = {}
        for r in self.roads:
            for end in ((r[1], r[2]), (r[4], r[5])):
                ends[end] = ends.get(end, 0) + 1
        shared = sum(n for n in ends.values() if n > 1)
        self.assertGreater(shared, 1.5 * len(self.roads))

    def test_receptors_are_a_100_by_100_grid_200_m_apart_over_the_town(self):
        self.assertEqual(len(self.points), 10000)
        xs = sorted({float(p[1]) for p in self.points})
        ys = sorted({float(p[2]) for p in self.points})
        self.assertEqual((len(xs), len(ys)), (100, 100))
        for axis in (xs, ys):
            self.assertTrue(all(abs(b - a - 200.0) < 1e-6 for a, b in zip(axis, axis[1:])))
        self.assertEqual((xs[0], xs[-1]), (-740000.0 + 100, -740000.0 + 19900))
        self.assertEqual(len({p[0] for p in self.points}), 10000)

    def test_project_names_the_tables_and_four_pollutants(self):
        with open(os.path.join(self.dir, "roads.atm"), encoding="cp1250", newline="") as f:
            project = f.read()
        self.assertIn("LINIOVE=liniove.txt", project)
        self.assertNotIn("PLOSNE", project)               # no squares by default
        self.assertFalse(os.path.exists(os.path.join(self.dir, "plosne.txt")))
        for line in ("NO2=NO2", "PM10=PM10", "CO=CO", "BZN=BZN"):
            self.assertIn("\r\n" + line, project)

    def test_same_arguments_same_bytes_and_lines_thins_the_network(self):
        with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
            generate(a, "--kind", "roads", "--receptors", "50", "--lines", "300")
            generate(b, "--kind", "roads", "--receptors", "50", "--lines", "300")
            for name in sorted(os.listdir(a)):
                if os.path.isfile(os.path.join(a, name)):
                    with open(os.path.join(a, name), "rb") as fa, open(os.path.join(b, name), "rb") as fb:
                        self.assertEqual(fa.read(), fb.read(), name)
            thinned = table(os.path.join(a, "liniove.txt"))
            self.assertEqual(len(thinned), 300)
            full = {tuple(r[1:7]) for r in self.roads}
            self.assertTrue(all(tuple(r[1:7]) in full for r in thinned))
            self.assertEqual(len(table(os.path.join(a, "body.txt"))), 50)


class ScaleProject(unittest.TestCase):
    def test_sources_do_not_depend_on_the_receptors(self):
        with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b:
            generate(a, "--kind", "scale", "--receptors", "10")
            generate(b, "--kind", "scale", "--receptors", "1001")
            for name in ("bodove.txt", "liniove.txt", "plosne.txt", "ruzice.txt", "scale.atm"):
                with open(os.path.join(a, name), "rb") as fa, open(os.path.join(b, name), "rb") as fb:
                    self.assertEqual(fa.read(), fb.read(), name)
            self.assertEqual([len(table(os.path.join(a, n))) for n in ("bodove.txt", "liniove.txt", "plosne.txt")],
                             [20, 50, 10])
            points = table(os.path.join(b, "body.txt"))
            self.assertEqual(len(points), 1001)
            self.assertEqual(len({p[0] for p in points}), 1001)
            self.assertEqual(len({(p[1], p[2]) for p in points}), 1001)
            self.assertTrue(all(len(p[0]) <= 10 for p in points))
            with open(os.path.join(a, "scale.atm"), encoding="cp1250") as f:
                self.assertIn("TYP=ZAKLADNI", f.read())


if __name__ == "__main__":
    unittest.main()
