#!/usr/bin/env python3
"""Writes a large project for the end-to-end runs of zemo.

    make_large_project.py OUTDIR [--kind large|roads|scale]
                          [--points N] [--lines N] [--areas N] [--receptors N]

Kinds:

large (default): 500 point sources (100 of them remote), 500 road segments,
    200 area sources (traffic and other), the pollutants SO2, NO2, PM10 and
    CO, and 2,000 receptors on a 50 x 40 grid, 100 m apart. The sources are
    spread over the receptor grid and a margin around it.
roads: the streets of a town over 20 km x 20 km: a jittered grid of
    streets (segments of 150 to 360 m, 6 to 10 m wide), denser towards the
    centre, crossed by six radial arterials and two ring roads (segments of
    about 320 m, 14 to 20 m wide), 6,773 segments in all; the emissions
    follow from a traffic volume per segment and per-vehicle factors for
    NO2 (as NOx), PM10, CO and benzene. 4 stacks, no area sources, and
    10,000 receptors on a 100 x 100 grid, 200 m apart, covering the area.
    --lines N keeps N segments of the network, picked at random.
scale: 20 stacks, 50 road segments and 10 squares in a 10 km square, the
    pollutants of the large project, receptors on a square grid covering
    that square (as many as --receptors asks, the grid finer the more there
    are) and the basic result table only (TYP=ZAKLADNI). The sources do not
    depend on the number of receptors.

Every kind has one wind rose of 16 sectors (resampled to the 48 directions
of the computation). The random seed is fixed, so the same arguments always
give the same files. All tables are tab-separated text in Windows-1250 with
CR LF line ends, as zemo reads them; the receptor table is written row by
row, never held in memory. A source kind with no sources gets no table (an
older one in OUTDIR is removed).

Standard library only.
"""

import argparse
import math
import os
import random

ENCODING = "cp1250"
X0, Y0 = -740000.0, -1045000.0      # south-west corner of the receptor grid
NX, SPACING = 50, 100.0             # the large project's receptor grid
TOWN_SIDE = 20000.0                 # the road network's square
SCALE_SIDE = 10000.0                # the scale run's square


def write_table(path, rows):
    with open(path, "w", encoding=ENCODING, newline="\r\n") as f:
        for row in rows:
            f.write("\t".join(row) + "\n")


def terrain(x, y):
    dx, dy = x - X0, y - Y0
    return round(300.0 + 0.004 * dy - 0.002 * dx + 15.0 * math.sin(dx / 900.0) * math.cos(dy / 700.0), 1)


def receptor_row(ident, x, y):
    return [ident, "%.1f" % x, "%.1f" % y, "%.1f" % terrain(x, y), "1.5", "1"]


def receptors(n):
    """The large project's receptors: rows of NX points, SPACING apart."""
    for i in range(n):
        x = X0 + (i % NX) * SPACING
        y = Y0 + (i // NX) * SPACING
        yield receptor_row("R%05d" % (i + 1), x, y)


def extent(n):
    ny = (n + NX - 1) // NX
    return X0 - 500, X0 + NX * SPACING + 500, Y0 - 500, Y0 + ny * SPACING + 500


def square_grid(n, side):
    """n receptors at the centres of the cells of a k x k grid over the square
    of the given side from (X0, Y0), k the smallest with k * k >= n; the rows
    run west to east from the south, the last row may be partial."""
    k = math.isqrt(n - 1) + 1 if n > 0 else 1
    step = side / k
    for i in range(n):
        yield receptor_row("R%07d" % (i + 1), X0 + (i % k + 0.5) * step, Y0 + (i // k + 0.5) * step)


def e(v):
    return "%.7f" % v


# Emission ranges (g/s) of the random sources, one per pollutant of a kind.
POINT_EMISSIONS = [(0, 2), (0, 1.5), (0, 0.3), (0, 0.5)]         # SO2 NO2 PM10 CO
ROAD_EMISSIONS = [(0, 1e-4), (0, 0.03), (0, 0.004), (0, 0.05)]
AREA_EMISSIONS = [(0, 0.2), (0, 0.03), (0, 0.1), (0, 0.3)]
TOWN_POINT_EMISSIONS = [(0, 1.5), (0, 0.3), (0, 0.5), (0, 0.01)]  # NO2 PM10 CO BZN
TOWN_AREA_EMISSIONS = [(0, 0.03), (0, 0.1), (0, 0.3), (0, 0.002)]


def point_rows(rnd, n, box, emissions=POINT_EMISSIONS):
    rows = []
    for i in range(n):
        x, y = rnd.uniform(box[0], box[1]), rnd.uniform(box[2], box[3])
        remote = i % 5 == 0
        h = rnd.choice([40.0, 60.0, 80.0, 120.0]) if remote else rnd.uniform(5.0, 60.0)
        q = rnd.uniform(0.0, 8.0)
        hours = rnd.choice([8760, 6000, 4200])
        rows.append(["P%04d" % (i + 1), "%.1f" % x, "%.1f" % y, "%.1f" % terrain(x, y), "%.1f" % h, "%.2f" % q,
                     str(hours), "0" if remote else "1", str(1 + i % 4), "1", "0.05"] +
                    [e(rnd.uniform(lo, hi)) for lo, hi in emissions])
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
                     "%.1f" % rnd.uniform(6, 25), "0.20"] +
                    [e(rnd.uniform(lo, hi)) for lo, hi in ROAD_EMISSIONS])
    return rows


def area_rows(rnd, n, box, emissions=AREA_EMISSIONS):
    rows = []
    for i in range(n):
        x, y = rnd.uniform(box[0], box[1]), rnd.uniform(box[2], box[3])
        traffic = i % 4 == 0
        rows.append(["A%04d" % (i + 1), "%.1f" % x, "%.1f" % y, "%.1f" % terrain(x, y),
                     "%.1f" % rnd.uniform(2, 15), "%.3f" % (0.0 if traffic else rnd.uniform(0, 0.4)),
                     "8760" if traffic else "5088", "2" if traffic else "1", str(8 + i % 2), "1",
                     "%.1f" % rnd.choice([100.0, 150.0, 200.0, 250.0]), "0.10"] +
                    [e(rnd.uniform(lo, hi)) for lo, hi in emissions])
    return rows


# The town: blocks of BLOCK metres, corners moved at random by up to
# JITTER in x and in y (but not out of the town's square); a street between
# two neighbouring corners is there with a probability falling from the
# centre outwards. Arterials are cut into pieces of at most ARTERIAL_PIECE
# metres, their vertices moved sideways by up to ARTERIAL_JITTER.
BLOCK, JITTER = 250.0, 50.0
ARTERIAL_PIECE, ARTERIAL_JITTER = 320.0, 15.0
RADIALS = [20.0, 80.0, 140.0, 200.0, 260.0, 320.0]     # bearings in degrees
RINGS = [4000.0, 8500.0]                               # radii in metres
# Traffic (vehicles a day) and emission factors (g per vehicle and km) of
# NOx, PM10 (exhaust and resuspension), CO and benzene.
STREET_TRAFFIC, ARTERIAL_TRAFFIC = (500.0, 6000.0), (15000.0, 45000.0)
TOWN_FACTORS = [0.45, 0.05, 0.9, 0.005]


def street_probability(x, y):
    r = math.hypot(x - (X0 + TOWN_SIDE / 2), y - (Y0 + TOWN_SIDE / 2))
    return 0.3 + 0.6 * math.exp(-(r / 6500.0) ** 2)


def arterial_pieces(rnd, points):
    """Cuts the polyline through points into pieces of at most ARTERIAL_PIECE
    metres, moving every inner vertex sideways at random."""
    out = [points[0]]
    for (xa, ya), (xb, yb) in zip(points, points[1:]):
        length = math.hypot(xb - xa, yb - ya)
        pieces = max(1, math.ceil(length / ARTERIAL_PIECE))
        nx, ny = -(yb - ya) / length, (xb - xa) / length
        for k in range(1, pieces + 1):
            t = k / pieces
            side = rnd.uniform(-ARTERIAL_JITTER, ARTERIAL_JITTER) if k < pieces else 0.0
            out.append((xa + t * (xb - xa) + side * nx, ya + t * (yb - ya) + side * ny))
    return list(zip(out, out[1:]))


def street_network(rnd):
    """Segments ((x1, y1), (x2, y2), group) of the town: streets (group 5),
    radial arterials (6) and ring roads (7)."""
    n = int(TOWN_SIDE / BLOCK)

    def moved(v):
        return min(max(v + rnd.uniform(-JITTER, JITTER), 0.0), TOWN_SIDE)

    corner = [[(X0 + moved(i * BLOCK), Y0 + moved(j * BLOCK)) for j in range(n + 1)] for i in range(n + 1)]
    segments = []
    for i in range(n + 1):
        for j in range(n + 1):
            for di, dj in ((1, 0), (0, 1)):
                if i + di > n or j + dj > n:
                    continue
                a, b = corner[i][j], corner[i + di][j + dj]
                if rnd.random() < street_probability((a[0] + b[0]) / 2, (a[1] + b[1]) / 2):
                    segments.append((a, b, 5))
    cx, cy, half = X0 + TOWN_SIDE / 2, Y0 + TOWN_SIDE / 2, TOWN_SIDE / 2 - 1.0
    for bearing in RADIALS:
        sx, sy = math.sin(math.radians(bearing)), math.cos(math.radians(bearing))
        reach = min(half / abs(c) for c in (sx, sy) if abs(c) > 1e-9)
        segments += [(a, b, 6) for a, b in arterial_pieces(rnd, [(cx, cy), (cx + reach * sx, cy + reach * sy)])]
    for radius in RINGS:
        corners = max(8, math.ceil(2 * math.pi * radius / ARTERIAL_PIECE))
        ring = [(cx + radius * math.sin(2 * math.pi * k / corners), cy + radius * math.cos(2 * math.pi * k / corners))
                for k in range(corners + 1)]
        segments += [(a, b, 7) for a, b in arterial_pieces(rnd, ring)]
    return segments


def town_road_rows(rnd, lines):
    segments = street_network(rnd)
    if lines is not None:
        if lines > len(segments):
            raise SystemExit("the road network has %i segments, fewer than --lines %i" % (len(segments), lines))
        segments = [segments[i] for i in sorted(rnd.sample(range(len(segments)), lines))]
    rows = []
    for i, ((xa, ya), (xb, yb), group) in enumerate(segments):
        length = math.hypot(xb - xa, yb - ya)
        assert 50.0 <= length <= 400.0, length
        street = group == 5
        traffic = rnd.uniform(*(STREET_TRAFFIC if street else ARTERIAL_TRAFFIC))
        width = rnd.uniform(6, 10) if street else rnd.uniform(14, 20)
        rows.append(["L%05d" % (i + 1), "%.1f" % xa, "%.1f" % ya, "%.1f" % terrain(xa, ya),
                     "%.1f" % xb, "%.1f" % yb, "%.1f" % terrain(xb, yb), "8760", "2", str(group), "1",
                     "%.1f" % width, "0.20"] +
                    [e(traffic * length / 1000.0 * factor / 86400.0) for factor in TOWN_FACTORS])
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


# Indicative: (definition, background).
POLLUTANTS = {
    "SO2": ("SO2, 350, 125, Oxid siricity", "4"),
    "NO2": ("NO2, 200, -1, Oxid dusicity", "12"),
    "PM10": ("PM10, 50, -1, Castice PM10", "21"),
    "CO": ("CO, 10000, -1, Oxid uhelnaty", "300"),
    "BZN": ("BZN, 5, -1, Benzen", "0.9"),
}


def project_text(title, pollutants, tables, result_type):
    """tables: (key, file) of the source tables the project names."""
    lines = ["# " + title, "[VYPOCETNI SIT]", "SOUBOR=body.txt, TSV", "PROJEKCE=JINA", "OTOCENI=0", "",
             "[ZNECISTUJICI LATKY]"]
    lines += ["%s=%s" % (p, POLLUTANTS[p][0]) for p in pollutants]
    lines += ["", "[ZDROJE]"]
    lines += ["%s=%s, TSV" % table for table in tables]
    lines += ["POZADI=" + ", ".join("%s:%s" % (p, POLLUTANTS[p][1]) for p in pollutants), "",
              "[METEOROLOGIE]", "SOUBOR=ruzice.txt, TSV", "",
              "[VYSLEDKY]", "TYP=" + result_type, "FORMAT=TXT", "PODILY LIMIT=1", "ADRESAR=vysledky"]
    return "\n".join(lines) + "\n"


KINDS = {
    # title, pollutants, result type, project file, default counts
    "large": ("Velky projekt pro mereni vykonu", ["SO2", "NO2", "PM10", "CO"], "STANDARDNI", "large.atm",
              dict(points=500, lines=500, areas=200, receptors=2000)),
    "roads": ("Silnicni sit mesta pro mereni vykonu", ["NO2", "PM10", "CO", "BZN"], "STANDARDNI", "roads.atm",
              dict(points=4, lines=None, areas=0, receptors=10000)),
    "scale": ("Male zdroje a mnoho bodu pro mereni rustu", ["SO2", "NO2", "PM10", "CO"], "ZAKLADNI", "scale.atm",
              dict(points=20, lines=50, areas=10, receptors=10000)),
}


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("outdir")
    ap.add_argument("--kind", choices=sorted(KINDS), default="large")
    ap.add_argument("--points", type=int)
    ap.add_argument("--lines", type=int)
    ap.add_argument("--areas", type=int)
    ap.add_argument("--receptors", type=int)
    args = ap.parse_args()
    title, pollutants, result_type, project_file, defaults = KINDS[args.kind]
    counts = {name: getattr(args, name) if getattr(args, name) is not None else value
              for name, value in defaults.items()}
    for name, value in counts.items():
        if value is not None and value < 0:
            ap.error("--%s must not be negative" % name)
    if counts["receptors"] < 1:
        ap.error("--receptors must be at least 1")
    out = args.outdir
    os.makedirs(os.path.join(out, "vysledky"), exist_ok=True)
    rnd = random.Random(20261209)
    if args.kind == "large":
        box = extent(counts["receptors"])
        points = receptors(counts["receptors"])
    elif args.kind == "roads":
        box = (X0, X0 + TOWN_SIDE, Y0, Y0 + TOWN_SIDE)
        points = square_grid(counts["receptors"], TOWN_SIDE)
    else:
        box = (X0, X0 + SCALE_SIDE, Y0, Y0 + SCALE_SIDE)
        points = square_grid(counts["receptors"], SCALE_SIDE)
    write_table(os.path.join(out, "body.txt"), points)
    if args.kind == "roads":
        sources = [("BODOVE", "bodove.txt", point_rows(rnd, counts["points"], box, TOWN_POINT_EMISSIONS)),
                   ("LINIOVE", "liniove.txt", town_road_rows(rnd, counts["lines"])),
                   ("PLOSNE", "plosne.txt", area_rows(rnd, counts["areas"], box, TOWN_AREA_EMISSIONS))]
    else:
        sources = [("BODOVE", "bodove.txt", point_rows(rnd, counts["points"], box)),
                   ("LINIOVE", "liniove.txt", road_rows(rnd, counts["lines"], box)),
                   ("PLOSNE", "plosne.txt", area_rows(rnd, counts["areas"], box))]
    for _, name, rows in sources:
        if not rows and os.path.exists(os.path.join(out, name)):
            os.remove(os.path.join(out, name))
    sources = [s for s in sources if s[2]]
    if not sources:
        ap.error("the project needs at least one source")
    for _, name, rows in sources:
        write_table(os.path.join(out, name), rows)
    write_table(os.path.join(out, "ruzice.txt"), rose_rows())
    with open(os.path.join(out, project_file), "w", encoding=ENCODING, newline="\r\n") as f:
        f.write(project_text(title, pollutants, [(key, name) for key, name, _ in sources], result_type))
    number = {key: len(rows) for key, _, rows in sources}
    print("%s (%s): %i point, %i line, %i area sources, %i receptors" %
          (out, args.kind, number.get("BODOVE", 0), number.get("LINIOVE", 0), number.get("PLOSNE", 0),
           counts["receptors"]))


if __name__ == "__main__":
    main()
