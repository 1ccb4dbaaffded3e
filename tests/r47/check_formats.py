#!/usr/bin/env python3
"""Reads r47's export formats back with parsers that are not ours.

usage: check_formats.py R47_PROGRAM DATA_FILE

CSV through Python's csv module (columns, numbers with a decimal point, a position per row
where one applies), GeoJSON through the json module with the RFC 7946 members checked, GPX
through gpxpy (point count and first point against the CSV) and the map's SVG through
xmllint for well-formedness. Exits 1 on the first disagreement.
"""

import csv
import io
import json
import math
import subprocess
import sys

COLUMNS = ("file,line,station,date,time,tick,letter,ch1,ch2,ch3,ch4,lat,lon,alt,fix,sats,hdop,"
           "fix_age_ms").split(",")


def fail(message):
    print("check_formats: " + message, file=sys.stderr)
    sys.exit(1)


def r47(program, *args):
    # A decimal-comma locale must change nothing.
    env = {"LC_ALL": "de_DE.UTF-8", "LANG": "de_DE.UTF-8", "PATH": "/usr/bin:/bin"}
    done = subprocess.run([program, *args], capture_output=True, env=env, check=False)
    if done.returncode != 0:
        fail(f"r47 {' '.join(args)} exited {done.returncode}: {done.stderr.decode()}")
    return done.stdout


def check_csv(program, data):
    rows = list(csv.reader(io.StringIO(r47(program, "export", data).decode("utf-8"))))
    if rows[0] != COLUMNS:
        fail(f"CSV header {rows[0]}")
    body = rows[1:]
    if not body:
        fail("CSV has no rows")
    positioned = []
    for row in body:
        if len(row) != len(COLUMNS):
            fail(f"CSV row of {len(row)} fields: {row}")
        rec = dict(zip(COLUMNS, row))
        for name in ("station", "ch1", "ch2", "ch3", "ch4"):
            text = rec[name]
            if "." not in text or len(text.split(".")[1]) != 2:
                fail(f"{name} {text!r} is not a number with 2 decimals")
            float(text)
        if rec["lat"]:
            lat, lon = float(rec["lat"]), float(rec["lon"])
            if not (-90 <= lat <= 90 and -180 <= lon <= 180):
                fail(f"position {lat} {lon} out of range")
            if len(rec["lat"].split(".")[1]) != 7:
                fail(f"lat {rec['lat']!r} does not have 7 decimals")
            int(rec["fix_age_ms"])
            positioned.append(rec)
    if not positioned:
        fail("no CSV row has a position")
    return body, positioned


def check_geojson(program, data, positioned):
    doc = json.loads(r47(program, "export", data, "--format", "geojson"))
    if doc.get("type") != "FeatureCollection" or "crs" in doc:
        fail("GeoJSON is not an RFC 7946 FeatureCollection without crs")
    features = doc["features"]
    if len(features) != len(positioned):
        fail(f"{len(features)} features for {len(positioned)} positioned rows")
    for feature, rec in zip(features, positioned):
        if feature.get("type") != "Feature" or "properties" not in feature:
            fail("a feature lacks type or properties")
        geometry = feature["geometry"]
        if geometry["type"] != "Point":
            fail("a geometry is not a Point")
        lon, lat = geometry["coordinates"][:2]  # longitude first
        if not (math.isclose(lon, float(rec["lon"])) and math.isclose(lat, float(rec["lat"]))):
            fail(f"feature at {lon},{lat} but the CSV row says {rec['lon']},{rec['lat']}")


def check_gpx(program, data, positioned):
    import gpxpy

    gpx = gpxpy.parse(r47(program, "export", data, "--format", "gpx").decode("utf-8"))
    points = [p for track in gpx.tracks for segment in track.segments for p in segment.points]
    if len(points) != len(positioned):
        fail(f"{len(points)} GPX points for {len(positioned)} positioned rows")
    first = points[0]
    if not (math.isclose(first.latitude, float(positioned[0]["lat"]))
            and math.isclose(first.longitude, float(positioned[0]["lon"]))):
        fail(f"first GPX point {first.latitude},{first.longitude}")
    if first.time is None:
        fail("GPX points carry no time although the file has GPS fixes")


def check_svg(program, data):
    svg = r47(program, "map", data)
    done = subprocess.run(["xmllint", "--noout", "-"], input=svg, capture_output=True,
                          check=False)
    if done.returncode != 0:
        fail("SVG is not well-formed: " + done.stderr.decode())


def main():
    if len(sys.argv) != 3:
        fail(__doc__)
    program, data = sys.argv[1], sys.argv[2]
    _, positioned = check_csv(program, data)
    check_geojson(program, data, positioned)
    check_gpx(program, data, positioned)
    check_svg(program, data)
    print(f"check_formats: {len(positioned)} positioned readings agree in csv, geojson, gpx; "
          "svg well-formed")


if __name__ == "__main__":
    main()
