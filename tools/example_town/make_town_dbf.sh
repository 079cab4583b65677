#!/usr/bin/env bash
# Makes examples/town-dbf: the tables of examples/town as dBase files,
# written by GDAL's ogr2ogr from CSV copies with declared field types, the
# same wind rose (wind roses are text tables only) and a project that reads
# the DBF tables and writes DBF results.
#
#   tools/example_town/make_town_dbf.sh
#
# For each table the command is
#   ogr2ogr -f "ESRI Shapefile" -lco ENCODING=CP1250 OUT/<name>.dbf CSV/<name>.csv
# with CSV/<name>.csvt giving the field types (String(10), Real(12.1), ...).
set -euo pipefail
cd "$(dirname "$0")/../.."
out=examples/town-dbf
csv=$(mktemp -d "${TMPDIR:-/tmp}/town-csv.XXXXXX")
trap 'rm -rf "$csv"' EXIT
python3 tools/example_town/make_town.py --csv "$csv"
mkdir -p "$out"
for name in body bodove liniove plosne; do
  rm -f "$out/$name.dbf" "$out/$name.cpg"
  ogr2ogr -f "ESRI Shapefile" -lco ENCODING=CP1250 "$out/$name.dbf" "$csv/$name.csv"
  rm -f "$out/$name.cpg"
done
python3 tools/example_town/make_town.py "$csv/text"
cp "$csv/text/ruzice.txt" "$out/ruzice.txt"
python3 tools/example_town/make_town.py --dbf-project "$out"
mkdir -p "$out/vysledky"
