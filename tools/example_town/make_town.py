#!/usr/bin/env python3
"""Writes the text tables of the example project examples/town.

A small town of about 15,000 inhabitants in a shallow valley: a district
heating plant with two stacks, four industrial stacks, a road network of
32 segments
(a main road through the centre, a bypass and local streets), residential
heating in 16 squares of the old town and the housing estates, one wind
rose with 16 sectors, and a receptor grid of 32 x 32 points 100 m apart.
The pollutants are SO2, NO2, PM10 and benzene.

Coordinates are in metres in the national grid JTSK (negative easting and
northing, around x = -740000, y = -1045000); the project names the
projection JTSK, so the grid rotation comes from the installation's
rotation grid. Emissions in g/s, heat output
in MW, heights in m. Everything is computed from fixed numbers, so the
output is the same on every run (python3, standard library only).

Usage:
  make_town.py [DIR]        the text tables and town.atm (default examples/town)
  make_town.py --csv DIR    the same tables as CSV with a header line and a
                            .csvt file of field types, for ogr2ogr (see
                            make_town_dbf.sh, which makes examples/town-dbf)
"""

import math
import os
import sys

X0, Y0 = -740000.0, -1045000.0  # town centre (the square)
ENCODING = "cp1250"


def terrain(x, y):
    """Terrain elevation: a valley falling to the south-east with a hill
    north-east of the centre."""
    dx, dy = x - X0, y - Y0
    z = 312.0 + 0.006 * dy - 0.002 * dx
    z += 28.0 * math.exp(-((dx - 900.0) ** 2 + (dy - 800.0) ** 2) / (2 * 450.0 ** 2))
    return round(z, 1)


def write_table(path, rows):
    with open(path, "w", encoding=ENCODING, newline="\r\n") as f:
        for row in rows:
            f.write("\t".join(row) + "\n")


def fmt(v, decimals):
    return "%.*f" % (decimals, v)


# --- point sources -------------------------------------------------------
# id, dx, dy, stack height, heat output MW, hours, group, NO2/NOx,
# emissions SO2, NOx (as NO2), PM10, benzene in g/s
POINT_SOURCES = [
    ("TEPL_K1", -350, -620, 80.0, 6.5, 8760, 1, 0.05, 7.90, 3.60, 0.420, 0.0020),
    ("TEPL_K2", -330, -640, 60.0, 2.1, 4200, 1, 0.05, 2.40, 1.10, 0.150, 0.0008),
    ("SLEV_01", 780, -910, 35.0, 1.2, 6000, 2, 0.08, 0.65, 0.55, 0.380, 0.0120),
    ("LAKOV_01", 920, -760, 25.0, 0.3, 4000, 2, 0.10, 0.01, 0.08, 0.040, 0.1500),
    ("PILA_KOT", -1150, 420, 20.0, 0.5, 5500, 2, 0.07, 0.22, 0.30, 0.280, 0.0015),
    ("MLEK_KOT", 380, 690, 18.0, 0.8, 8760, 2, 0.06, 0.004, 0.16, 0.006, 0.0002),
]


def point_rows():
    rows = []
    for sid, dx, dy, h, q, hours, group, ratio, *e in POINT_SOURCES:
        x, y = X0 + dx, Y0 + dy
        rows.append([sid, fmt(x, 1), fmt(y, 1), fmt(terrain(x, y), 1), fmt(h, 1), fmt(q, 2),
                     str(hours), "1", str(group), "1", fmt(ratio, 2)] + [fmt(v, 4) for v in e])
    return rows


# --- roads ---------------------------------------------------------------
# Emission factors of the fleet in g per vehicle and km: SO2, NOx (as NO2),
# PM10 (exhaust, wear and resuspension), benzene.
EF = (0.0012, 0.42, 0.055, 0.0060)
# Polylines (offsets from the centre in m), daily traffic, road width.
ROADS = [
    # main road I/xx through the centre, west to east
    ([(-1600, -150), (-1150, -120), (-700, -80), (-300, -20), (0, 0), (350, 40),
      (750, 110), (1150, 170), (1600, 240)], 11800, 10.0),
    # bypass in the north-west, to the main road in the west and the north
    ([(-1150, -120), (-1250, 300), (-1150, 750), (-800, 1150), (-300, 1450)], 7400, 9.0),
    # road north to the next town
    ([(0, 0), (60, 400), (120, 800), (200, 1250), (300, 1650)], 5200, 8.0),
    # road south to the railway station and the industrial zone
    ([(0, 0), (-40, -350), (-90, -700), (150, -950), (600, -1050)], 4300, 8.0),
    # local streets of the centre and the housing estates
    ([(-700, -80), (-650, 350), (-500, 700)], 1900, 7.0),
    ([(350, 40), (420, 420), (500, 780)], 2300, 7.0),
    ([(-300, -20), (-320, -400), (-400, -700)], 1500, 6.5),
    ([(750, 110), (800, -350), (850, -800)], 2600, 7.5),
    ([(-650, 350), (-200, 380), (60, 400), (420, 420)], 1700, 6.5),
    ([(-90, -700), (-450, -720)], 900, 6.0),
]


def road_rows():
    rows = []
    n = 0
    for points, traffic, width in ROADS:
        for (ax, ay), (bx, by) in zip(points, points[1:]):
            n += 1
            x1, y1, x2, y2 = X0 + ax, Y0 + ay, X0 + bx, Y0 + by
            length_km = math.hypot(bx - ax, by - ay) / 1000.0
            per_second = traffic * length_km / 86400.0  # vehicle km per second
            e = [per_second * f for f in EF]
            rows.append(["SILN_%02i" % n, fmt(x1, 1), fmt(y1, 1), fmt(terrain(x1, y1), 1),
                         fmt(x2, 1), fmt(y2, 1), fmt(terrain(x2, y2), 1), "8760", "2", "3", "1",
                         fmt(width, 1), "0.20"] + ["%.7f" % v for v in e])
    return rows


# --- residential heating -------------------------------------------------
# Squares of 250 m: centre offset, share of solid fuel (coal and wood) in
# the heating of the square, number of dwellings heated locally.
HEATING = [
    (-375, 125, 0.70, 120), (-125, 125, 0.55, 160), (125, 125, 0.50, 150), (375, 125, 0.60, 110),
    (-375, -125, 0.65, 130), (-125, -125, 0.45, 170), (125, -125, 0.40, 165), (375, -125, 0.55, 120),
    (-625, 375, 0.80, 90), (-375, 375, 0.75, 100), (625, 375, 0.35, 140), (375, 625, 0.30, 180),
    (-625, -375, 0.85, 80), (-375, -375, 0.75, 95), (625, -375, 0.60, 70), (125, 625, 0.25, 210),
]
SEASON_HOURS = 5088  # heating season, 212 days
# Per dwelling burning solid fuel (g/s during the season): SO2, NOx, PM10,
# benzene; and per dwelling on gas.
SOLID = (0.0021, 0.00020, 0.0011, 0.00006)
GAS = (0.0000015, 0.00012, 0.0000030, 0.0000002)


def area_rows():
    rows = []
    for n, (dx, dy, solid, dwellings) in enumerate(HEATING, start=1):
        x, y = X0 + dx, Y0 + dy
        e = [dwellings * (solid * s + (1 - solid) * g) for s, g in zip(SOLID, GAS)]
        heat = dwellings * 0.012 * 0.15  # MW of flue-gas heat
        rows.append(["VYTAP_%02i" % n, fmt(x, 1), fmt(y, 1), fmt(terrain(x, y), 1), "8.0",
                     fmt(heat, 3), str(SEASON_HOURS), "1", "4", "1", "250.0", "0.10"] +
                    ["%.7f" % v for v in e])
    return rows


# --- receptor grid ---------------------------------------------------------
def point_grid():
    rows = []
    n = 0
    for j in range(32):
        for i in range(32):
            n += 1
            x = X0 - 1550.0 + 100.0 * i
            y = Y0 - 1550.0 + 100.0 * j
            rows.append(["R%04i" % n, fmt(x, 1), fmt(y, 1), fmt(terrain(x, y), 1), "1.5", "1"])
    return rows


# --- wind rose -------------------------------------------------------------
# Sector weights from the north clockwise: prevailing westerly and
# south-westerly winds, a secondary south-easterly maximum along the valley.
SECTORS = [5, 3, 3, 3, 4, 4, 7, 6, 5, 6, 10, 10, 12, 8, 8, 6]
# Frequencies (percent of the year) of the stability classes I..V by speed
# class 1.7, 5 and 11 m/s: stable classes only with low wind, the
# convective class V only with light wind.
CLASS_SPEED = [
    (6.8, 0.0, 0.0),
    (11.4, 6.3, 0.0),
    (17.2, 23.6, 4.5),
    (7.1, 11.4, 0.0),
    (11.7, 0.0, 0.0),
]
# Part of the lowest speed class that is calm (no direction), per class.
CALM = [0.25, 0.15, 0.10, 0.10, 0.20]


def rose_rows():
    total_weight = float(sum(SECTORS))
    table = []  # per class and speed: sector values and the row total
    cells = []
    for k, speeds in enumerate(CLASS_SPEED):
        for s, freq in enumerate(speeds):
            directional = freq * (1 - CALM[k]) if s == 0 else freq
            values = [round(directional * w / total_weight, 2) for w in SECTORS]
            table.append([values, freq])
            cells.append((k, s))
    # Row totals: the directional values plus the calm of the lowest speed.
    totals = []
    for (values, freq), (k, s) in zip(table, cells):
        totals.append(round(sum(values) + (round(freq * CALM[k], 2) if s == 0 else 0.0), 2))
    # Make the totals of the five classes add up to exactly 100 by
    # adjusting the largest directional cell of the largest row.
    diff = round(100.0 - sum(totals), 2)
    big = max(range(len(totals)), key=lambda i: totals[i])
    values = table[big][0]
    m = max(range(len(values)), key=lambda i: values[i])
    values[m] = round(values[m] + diff, 2)
    totals[big] = round(totals[big] + diff, 2)

    rows = [["1"]]
    sums = [[[0.0] * 17 for _ in range(3)]]
    for i, (values, _) in enumerate(table):
        k, s = cells[i]
        line = values + [totals[i]]
        for c, v in enumerate(line):
            sums[0][s][c] += v
        rows.append(["%.2f" % v for v in line])
    for s in range(3):
        rows.append(["%.2f" % round(v, 2) for v in sums[0][s]])
    return rows


# --- project files -----------------------------------------------------
POLLUTANTS = [
    ("SO2", "SO2", "350", "125", "Oxid siřičitý"),
    ("NO2", "NO2", "200", "-1", "Oxid dusičitý"),
    ("PM10", "PM10", "50", "-1", "Suspendované částice PM10"),
    ("BZN", "BZN", "5", "-1", "Benzen"),
]


def project_text(dbf):
    ext, kind = ("dbf", "DBF") if dbf else ("txt", "TSV")
    lines = [
        "# Modelové město: teplárna, průmyslové zdroje, doprava a lokální topeniště",
        "# Výpočet imisních koncentrací SO2, NO2, PM10 a benzenu ve 1024 bodech",
        "[VYPOCETNI SIT]",
        "SOUBOR=body.%s, %s" % (ext, kind),
        "PROJEKCE=JTSK",
        "",
        "[ZNECISTUJICI LATKY]",
    ]
    lines += ["%s=%s, %s, %s, %s" % p for p in POLLUTANTS]
    lines += [
        "",
        "[ZDROJE]",
        "BODOVE=bodove.%s, %s" % (ext, kind),
        "LINIOVE=liniove.%s, %s" % (ext, kind),
        "PLOSNE=plosne.%s, %s" % (ext, kind),
        "POZADI=SO2:4, NO2:12, PM10:21, BZN:0.9",
        "",
        "[METEOROLOGIE]",
        "SOUBOR=ruzice.txt, TSV",
        "",
        "[VYSLEDKY]",
        "TYP=STANDARDNI",
        "FORMAT=%s" % ("DBF" if dbf else "TXT"),
        "PODILY LIMIT=1",
        "ADRESAR=vysledky",
    ]
    return "\n".join(lines) + "\n"


def write_project(path, dbf):
    with open(path, "w", encoding=ENCODING, newline="\r\n") as f:
        f.write(project_text(dbf))


# --- CSV tables for ogr2ogr ------------------------------------------------
EMISSIONS = ["E_%s" % p[0].upper() for p in POLLUTANTS]
COORD, HEIGHT, EMIS = "Real(12.1)", "Real(8.1)", "Real(14.7)"
CSV_TABLES = {
    "body": (["ID", "X", "Y", "Z", "VYSKA", "RUZICE"],
             ["String(10)", COORD, COORD, HEIGHT, HEIGHT, "Integer(4)"], point_grid),
    "bodove": (["ID", "X", "Y", "Z", "ST_VYSKA", "VYDATNOST", "PROV_DOBA", "TRIDA", "SKUPINA", "RUZICE",
                "NO2_NOX"] + EMISSIONS,
               ["String(10)", COORD, COORD, HEIGHT, HEIGHT, "Real(8.3)", "Integer(5)", "Integer(2)",
                "Integer(3)", "Integer(4)", "Real(5.2)"] + [EMIS] * 4, point_rows),
    "liniove": (["ID", "X1", "Y1", "Z1", "X2", "Y2", "Z2", "PROV_DOBA", "TRIDA", "SKUPINA", "RUZICE",
                 "SIRKA", "NO2_NOX"] + EMISSIONS,
                ["String(10)", COORD, COORD, HEIGHT, COORD, COORD, HEIGHT, "Integer(5)", "Integer(2)",
                 "Integer(3)", "Integer(4)", "Real(6.1)", "Real(5.2)"] + [EMIS] * 4, road_rows),
    "plosne": (["ID", "X", "Y", "Z", "ST_VYSKA", "VYDATNOST", "PROV_DOBA", "TRIDA", "SKUPINA", "RUZICE",
                "ROZMER", "NO2_NOX"] + EMISSIONS,
               ["String(10)", COORD, COORD, HEIGHT, HEIGHT, "Real(8.3)", "Integer(5)", "Integer(2)",
                "Integer(3)", "Integer(4)", "Real(8.1)", "Real(5.2)"] + [EMIS] * 4, area_rows),
}


def write_csv(out):
    os.makedirs(out, exist_ok=True)
    for name, (fields, types, rows) in CSV_TABLES.items():
        with open(os.path.join(out, name + ".csv"), "w", encoding="ascii", newline="\n") as f:
            f.write(",".join(fields) + "\n")
            for row in rows():
                assert len(row) == len(fields), name
                f.write(",".join(row) + "\n")
        with open(os.path.join(out, name + ".csvt"), "w", encoding="ascii", newline="\n") as f:
            f.write(",".join('"%s"' % t for t in types) + "\n")


def main():
    args = sys.argv[1:]
    if args[:1] == ["--csv"] and len(args) == 2:
        write_csv(args[1])
        return
    out = args[0] if args else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "..", "examples", "town")
    os.makedirs(out, exist_ok=True)
    write_table(os.path.join(out, "bodove.txt"), point_rows())
    write_table(os.path.join(out, "liniove.txt"), road_rows())
    write_table(os.path.join(out, "plosne.txt"), area_rows())
    write_table(os.path.join(out, "body.txt"), point_grid())
    write_table(os.path.join(out, "ruzice.txt"), rose_rows())
    write_project(os.path.join(out, "town.atm"), dbf=False)
    os.makedirs(os.path.join(out, "vysledky"), exist_ok=True)


def write_dbf_project(out):
    write_project(os.path.join(out, "town.atm"), dbf=True)


if __name__ == "__main__":
    if sys.argv[1:2] == ["--dbf-project"] and len(sys.argv) == 3:
        write_dbf_project(sys.argv[2])
    else:
        main()
