#!/usr/bin/env python3
"""Writes a large project for the end-to-end throughput run of zemo.

    make_large_project.py OUTDIR [--points N] [--lines N] [--areas N] [--receptors N]

Defaults: 500 point sources (100 of them remote), 500 road segments, 200
area sources (traffic and other), the pollutants SO2, NO2, PM10 and CO, one
wind rose of 16 sectors (resampled to the 48 directions of the computation)
and 2,000 receptors on a 50 x 40 grid, 100 m apart. The sources are spread
over the receptor grid and a margin around it with a fixed random seed, so
the same arguments always give the same files. All tables are tab-separated
text in Windows-1250 with CR LF line ends, as zemo reads them.

Standard library only.
"""

import argparse
import math
import os
import random

ENCODING = "cp1250"
X0, Y0 = -740000.0, -1045000.0      # south-west corner of the receptor grid
NX, SPACING = 50, 100.0


def write_table(path, rows):
    with open(path, "w", encoding=ENCODING, newline="\r\n") as f:
        for row in rows:
            f.write("\t".join(row) + "\n")


def terrain(x, y):
    dx, dy = x - X0, y - Y0
    return round(300.0 + 0.004 * dy - 0.002 * dx + 15.0 * math.sin(dx / 900.0) * math.cos(dy / 700.0), 1)


def receptors(n):
    rows = []
    for i in range(n):
        x = X0 + (i % NX) * SPACING
        y = Y0 + (i // NX) * SPACING
        rows.append(["R%05d" % (i + 1), "%.1f" % x, "%.1f" % y, "%.1f" % terrain(x, y), "1.5", "1"])
    return rows


def extent(n):
    ny = (n + NX - 1) // NX
    return X0 - 500, X0 + NX * SPACING + 500, Y0 - 500, Y0 + ny * SPACING + 500


def e(v):
    return "%.7f" % v


def point_rows(rnd, n, box):
    rows = []
    for i in range(n):
        x, y = rnd.uniform(box[0], box[1]), rnd.uniform(box[2], box[3])
        remote = i % 5 == 0
        h = rnd.choice([40.0, 60.0, 80.0, 120.0]) if remote else rnd.uniform(5.0, 60.0)
        q = rnd.uniform(0.0, 8.0)
        hours = rnd.choice([8760, 6000, 4200])
        rows.append(["P%04d" % (i + 1), "%.1f" % x, "%.1f" % y, "%.1f" % terrain(x, y), "%.1f" % h, "%.2f" % q,
                     str(hours), "0" if remote else "1", str(1 + i % 4), "1", "0.05",
                     e(rnd.uniform(0, 2)), e(rnd.uniform(0, 1.5)), e(rnd.uniform(0, 0.3)), e(rnd.uniform(0, 0.5))])
    return rows


def road_rows(rnd, n, box):
    rows = []
    for i in range(n):
        x, y = rnd.uniform(box[0], box[1]), rnd.uniform(box[2], box[3])
        bearing = rnd.uniform(0, 2 * math.pi)
        length = rnd.uniform(50, 400)
        x1, y1 = x + length * math.sin(bearing), y + length * math.cos(bearing)
        rows.append(["L%04d" % (i + 1), "%.1f" % x, "%.1f" % y, "%.1f" % terrain(x, y),
                     "%.1f" % x1, "%.1f" % y1, "%.1f" % terrain(x1, y1), "8760", "2", str(5 + i % 3), "1",
                     "%.1f" % rnd.uniform(6, 25), "0.20",
                     e(rnd.uniform(0, 1e-4)), e(rnd.uniform(0, 0.03)), e(rnd.uniform(0, 0.004)),
                     e(rnd.uniform(0, 0.05))])
    return rows


def area_rows(rnd, n, box):
    rows = []
    for i in range(n):
        x, y = rnd.uniform(box[0], box[1]), rnd.uniform(box[2], box[3])
        traffic = i % 4 == 0
        rows.append(["A%04d" % (i + 1), "%.1f" % x, "%.1f" % y, "%.1f" % terrain(x, y),
                     "%.1f" % rnd.uniform(2, 15), "%.3f" % (0.0 if traffic else rnd.uniform(0, 0.4)),
                     "8760" if traffic else "5088", "2" if traffic else "1", str(8 + i % 2), "1",
                     "%.1f" % rnd.choice([100.0, 150.0, 200.0, 250.0]), "0.10",
                     e(rnd.uniform(0, 0.2)), e(rnd.uniform(0, 0.03)), e(rnd.uniform(0, 0.1)),
                     e(rnd.uniform(0, 0.3))])
    return rows


# Sector weights from the north clockwise and the frequencies (percent) of
# the stability classes I..V by speed class.
SECTORS = [5, 3, 3, 3, 4, 4, 7, 6, 5, 6, 10, 10, 12, 8, 8, 6]
CLASS_SPEED = [(6.8, 0.0, 0.0), (11.4, 6.3, 0.0), (17.2, 23.6, 4.5), (7.1, 11.4, 0.0), (11.7, 0.0, 0.0)]


def rose_rows():
    weight = float(sum(SECTORS))
    table = []
    for speeds in CLASS_SPEED:
        for freq in speeds:
            values = [round(freq * w / weight, 2) for w in SECTORS]
            table.append(values)
    # The row totals are the sums of the written values; the remainder to 100
    # goes to the largest cell.
    diff = round(100.0 - sum(sum(v) for v in table), 2)
    big = max(range(len(table)), key=lambda i: sum(table[i]))
    m = max(range(len(SECTORS)), key=lambda c: table[big][c])
    table[big][m] = round(table[big][m] + diff, 2)
    rows = [["1"]]
    sums = [[0.0] * 17 for _ in range(3)]
    for i, values in enumerate(table):
        line = values + [round(sum(values), 2)]
        for c, v in enumerate(line):
            sums[i % 3][c] += v
        rows.append(["%.2f" % v for v in line])
    for s in range(3):
        rows.append(["%.2f" % round(v, 2) for v in sums[s]])
    return rows


PROJECT = """# Velky projekt pro mereni vykonu
[VYPOCETNI SIT]
SOUBOR=body.txt, TSV
PROJEKCE=JINA
OTOCENI=0

[ZNECISTUJICI LATKY]
SO2=SO2, 350, 125, Oxid siricity
NO2=NO2, 200, -1, Oxid dusicity
PM10=PM10, 50, -1, Castice PM10
CO=CO, 10000, -1, Oxid uhelnaty

[ZDROJE]
BODOVE=bodove.txt, TSV
LINIOVE=liniove.txt, TSV
PLOSNE=plosne.txt, TSV
POZADI=SO2:4, NO2:12, PM10:21, CO:300

[METEOROLOGIE]
SOUBOR=ruzice.txt, TSV

[VYSLEDKY]
TYP=STANDARDNI
FORMAT=TXT
PODILY LIMIT=1
ADRESAR=vysledky
"""


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("outdir")
    ap.add_argument("--points", type=int, default=500)
    ap.add_argument("--lines", type=int, default=500)
    ap.add_argument("--areas", type=int, default=200)
    ap.add_argument("--receptors", type=int, default=2000)
    args = ap.parse_args()
    os.makedirs(os.path.join(args.outdir, "vysledky"), exist_ok=True)
    rnd = random.Random(20261209)
    box = extent(args.receptors)
    write_table(os.path.join(args.outdir, "body.txt"), receptors(args.receptors))
    write_table(os.path.join(args.outdir, "bodove.txt"), point_rows(rnd, args.points, box))
    write_table(os.path.join(args.outdir, "liniove.txt"), road_rows(rnd, args.lines, box))
    write_table(os.path.join(args.outdir, "plosne.txt"), area_rows(rnd, args.areas, box))
    write_table(os.path.join(args.outdir, "ruzice.txt"), rose_rows())
    with open(os.path.join(args.outdir, "large.atm"), "w", encoding=ENCODING, newline="\r\n") as f:
        f.write(PROJECT)
    print("%s: %i point, %i line, %i area sources, %i receptors" %
          (args.outdir, args.points, args.lines, args.areas, args.receptors))


if __name__ == "__main__":
    main()
