#!/usr/bin/env python3
"""Reads r47's export formats back with parsers that are not ours.

usage: check_formats.py R47_PROGRAM DATA_FILE

CSV through Python's csv module (columns, a position per row where one applies), GeoJSON
through the json module (RFC 7946 members, the CSV's positions), GPX through gpxpy (the CSV's
positions, with times) and the map's SVG through xmllint for well-formedness. Exits 1 on the
first disagreement.
"""

import csv
import io
import json
import math
import subprocess
import sys

COLUMNS = ("file,line,station,date,time,tick,letter,ch1,ch2,ch3,ch4,lat,lon,alt,fix,sats,hdop,"
           "fix_age_ms").split(",")


def expect(ok, message):
    if not ok:
        print("check_formats: " + message, file=sys.stderr)
        sys.exit(1)


def r47(*args):
    # A decimal-comma locale must change nothing.
    env = {"LC_ALL": "de_DE.UTF-8", "LANG": "de_DE.UTF-8", "PATH": "/usr/bin:/bin"}
    done = subprocess.run([sys.argv[1], *args], capture_output=True, env=env, check=False)
    expect(done.returncode == 0, f"r47 {' '.join(args)} exited {done.returncode}: {done.stderr}")
    return done.stdout


def positions_from_csv(data):
    rows = list(csv.reader(io.StringIO(r47("export", data).decode("utf-8"))))
    expect(rows[0] == COLUMNS and len(rows) > 1, f"CSV header {rows[0]} or no rows")
    positions = []
    for row in rows[1:]:
        expect(len(row) == len(COLUMNS), f"CSV row of {len(row)} fields: {row}")
        rec = dict(zip(COLUMNS, row))
        if rec["lat"]:
            expect(len(rec["lat"].split(".")[1]) == 7 and int(rec["fix_age_ms"]) >= 0,
                   f"lat {rec['lat']!r} not 7 decimals")
            positions.append((float(rec["lat"]), float(rec["lon"])))
    expect(positions, "no CSV row has a position")
    return positions


def same(a, b):
    return len(a) == len(b) and all(math.isclose(x, u) and math.isclose(y, v)
                                    for (x, y), (u, v) in zip(a, b))


def main():
    expect(len(sys.argv) == 3, __doc__)
    data = sys.argv[2]
    positions = positions_from_csv(data)

    doc = json.loads(r47("export", data, "--format", "geojson"))
    expect(doc.get("type") == "FeatureCollection" and "crs" not in doc, "not RFC 7946")
    # GeoJSON puts the longitude first.
    expect(same([tuple(f["geometry"]["coordinates"][1::-1]) for f in doc["features"]
                 if f["type"] == "Feature" and "properties" in f
                 and f["geometry"]["type"] == "Point"], positions),
           "GeoJSON point features differ from the CSV positions")

    import gpxpy
    gpx = gpxpy.parse(r47("export", data, "--format", "gpx").decode("utf-8"))
    points = [p for t in gpx.tracks for s in t.segments for p in s.points]
    expect(same([(p.latitude, p.longitude) for p in points], positions),
           "GPX points differ from the CSV positions")
    expect(points[0].time is not None, "GPX points carry no time although the file has fixes")

    done = subprocess.run(["xmllint", "--noout", "-"], input=r47("map", data),
                          capture_output=True, check=False)
    expect(done.returncode == 0, "SVG is not well-formed: " + done.stderr.decode())
    print(f"check_formats: {len(positions)} positioned readings agree in csv, geojson, gpx; "
          "svg well-formed")


if __name__ == "__main__":
    main()
