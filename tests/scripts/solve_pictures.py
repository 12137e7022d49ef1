#!/usr/bin/env python3
"""The pictures of refldsgn-solve, read back as geometry.

For a Cassegrain and a Gregorian design the SVG cross-section must put every
main-reflector point on z = rho^2/(4 FM), every subreflector point on the
conic with foci at z = FM and z = LM, and each edge ray through the feed
point, a subreflector rim point, a main reflector rim point and out parallel
to the axis, all within 1e-4 of DM.  A design that is not finite still gives
a well-formed file that says what it left out; plots and pages need what they
need, and a bad --at writes nothing."""
import csv
import io
import math
import os
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

from checklist import expect, finish

bin_dir = os.path.abspath(sys.argv[1])
SOLVE = os.path.join(bin_dir, "refldsgn-solve")
NS = "{http://www.w3.org/2000/svg}"


def run(args, cwd):
    return subprocess.run([SOLVE] + args, cwd=cwd, capture_output=True, text=True)


def pts(el):
    return [tuple(map(float, p.split(","))) for p in el.get("points").split()]


DESIGNS = [
    ("Cassegrain", ["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624"]),
    ("Gregorian", ["type=gregorian", "DM=100", "FM=40", "LM=10", "DF=2", "LP=0.5"]),
    ("deep Cassegrain", ["type=-1", "DM=20", "LM=1", "LS=4", "TE=25"]),
]

with tempfile.TemporaryDirectory() as work:
    for name, args in DESIGNS:
        row = next(csv.DictReader(io.StringIO(run(args + ["-f", "csv"], work).stdout)))
        v = {k: float(row[k]) for k in ("DM", "FM", "LM", "DS", "LS", "AS", "FS")}
        tol = 1e-4 * v["DM"]
        r = run(args + ["--svg", "d.svg"], work)
        expect(r.returncode == 0, "%s: %s" % (name, r.stderr))
        root = ET.parse(os.path.join(work, "d.svg")).getroot()
        expect(len(root.get("viewBox").split()) == 4, "%s: viewBox" % name)
        expect(all(e.get("transform") is None for e in root.iter(NS + "polyline")), "%s: transforms" % name)
        lines = {c: [e for e in root.iter(NS + "polyline") if e.get("class") == c]
                 for c in ("main-reflector", "subreflector", "ray")}
        expect(len(lines["main-reflector"]) == 1 and len(lines["subreflector"]) == 1, "%s: one line each" % name)
        main = pts(lines["main-reflector"][0])
        sub = pts(lines["subreflector"][0])
        expect(len(main) > 50 and len(sub) > 50, "%s: smooth lines" % name)
        expect(abs(min(y for _, y in main) + v["DM"] / 2) < tol and abs(max(y for _, y in main) - v["DM"] / 2) < tol,
               "%s: main reflector spans the aperture" % name)
        expect(abs(max(abs(y) for _, y in sub) - v["DS"] / 2) < tol, "%s: subreflector spans DS" % name)
        worst = max(abs(x - y * y / (4 * v["FM"])) for x, y in main)
        expect(worst < tol, "%s: main reflector off the paraboloid by %g" % (name, worst))

        def conic(x, y):  # the focal property: |d1 - d2| = 2|a| (hyperbola), d1 + d2 = 2a (ellipse)
            d1, d2 = math.hypot(x - v["FM"], y), math.hypot(x - v["LM"], y)
            return abs(abs(d1 - d2) - 2 * abs(v["AS"])) if row["type"] == "cassegrain" else abs(d1 + d2 - 2 * v["AS"])

        worst = max(conic(x, y) for x, y in sub)
        expect(worst < tol, "%s: subreflector off its conic by %g" % (name, worst))
        edges = [pts(e) for e in lines["ray"] if e.get("data-ray") == "edge"]
        expect(len(edges) == 2 and len(lines["ray"]) >= 4, "%s: %d edge rays" % (name, len(edges)))
        for ray in edges:
            feed, s, m, out = ray
            ok = (len(ray) == 4 and abs(feed[0] - v["LM"]) < tol and abs(feed[1]) < tol
                  and abs(abs(s[1]) - v["DS"] / 2) < tol and conic(*s) < tol
                  and abs(abs(m[1]) - v["DM"] / 2) < tol and abs(m[0] - m[1] ** 2 / (4 * v["FM"])) < tol
                  and abs(out[1] - m[1]) < tol and out[0] > m[0])
            expect(ok, "%s: edge ray %s" % (name, ray))
        circles = {c.get("class"): (float(c.get("cx")), float(c.get("cy"))) for c in root.iter(NS + "circle")}
        expect(abs(circles["focus"][0] - v["FM"]) < tol and abs(circles["feed"][0] - v["LM"]) < tol,
               "%s: focus and feed %s" % (name, circles))
        texts = " ".join(t.text or "" for t in root.iter(NS + "text"))
        for label in ("DM ", "DS ", "FM ", "LM ", "LS ", "TE ", name.split()[-1]):
            expect(label in texts, "%s: no label %r" % (name, label))
        if "DF=2" in args:
            bar = [e for e in root.iter(NS + "line") if e.get("class") == "feed-aperture"]
            expect(len(bar) == 1 and abs(float(bar[0].get("x1")) - (v["LM"] + 0.5)) < tol
                   and abs(abs(float(bar[0].get("y1")) - float(bar[0].get("y2"))) - 2) < tol,
                   "%s: feed aperture bar" % name)

    # A design that is not finite: the file is whole, says why, holds no NaN.
    r = run(["type=-1", "DM=2", "FM=1", "DS=0.3", "TE=0", "--svg", "nan.svg"], work)
    text = open(os.path.join(work, "nan.svg")).read()
    ET.fromstring(text)
    expect(r.returncode == 0 and "not drawn: subreflector" in text and "fails: non-finite" in text, text[:300])
    expect("nan" not in text.lower().replace("fails: non-finite", "") and "inf" not in text.lower(),
           "non-finite numbers in the picture")

    # Plots: every solved length and LT for a sweep; one line per outer
    # value for a grid; failing rows ringed.
    r = run(["type=-1", "DM=100:110:5", "LM=10", "LS=30", "FDE=0.5", "--plot", "p.svg"], work)
    plot = ET.parse(os.path.join(work, "p.svg")).getroot()
    series = [e for e in plot.iter(NS + "polyline") if e.get("class") == "series"]
    rings = [e for e in plot.iter(NS + "circle") if e.get("class") == "fail"]
    expect(r.returncode == 0 and len(series) == 5 and len(rings) >= 15, "sweep plot: %d lines, %d rings"
           % (len(series), len(rings)))
    r = run(["type=-1", "DM=100:110:5", "LS=25:35:2", "LM=10", "FDE=2", "--plot", "g.svg", "--plot-y", "LT"], work)
    grid = ET.parse(os.path.join(work, "g.svg")).getroot()
    series = [e for e in grid.iter(NS + "polyline") if e.get("class") == "series"]
    expect(r.returncode == 0 and len(series) == 3 and all(len(pts(s)) == 6 for s in series), "grid plot")
    expect(any("DM = 105" in (t.text or "") for t in grid.iter(NS + "text")), "grid legend")

    # Errors before anything is written.
    for extra, message in [(["--at", "0", "--svg", "x.svg"], "--at 0"), (["--at", "4", "--svg", "x.svg"], "3 rows"),
                           (["--plot", "x.svg", "DM=100"], "given twice"), (["--plot-y", "XX", "--plot", "x.svg"],
                                                                          "--plot-y XX")]:
        with tempfile.TemporaryDirectory() as empty:
            r = run(["type=-1", "DM=100:110:5", "LM=10", "LS=30", "FDE=0.5", "-o", "o.csv"] + extra, empty)
            expect(r.returncode == 2 and message in r.stderr and not os.listdir(empty), "%s: %r" % (extra, r.stderr))
    with tempfile.TemporaryDirectory() as empty:
        r = run(["type=-1", "DM=100", "LM=10", "LS=30", "FDE=0.5", "--plot", "x.svg"], empty)
        expect(r.returncode == 2 and "needs a sweep" in r.stderr and not os.listdir(empty), r.stderr)

finish()
