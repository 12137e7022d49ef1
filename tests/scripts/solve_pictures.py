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

    # Offset designs (mode 3): the plane of symmetry with x of the picture
    # along z and y = -x.  Main points on the paraboloid, sub points on the
    # conic of foci O and F' and 2a, rays reflected at both surfaces
    # (equal angles about the normal), leaving parallel to the axis, the
    # edge rays on the aperture's edges.
    OFFSET = [("offset Cassegrain", ["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "BETA=6"]),
              ("offset Gregorian", ["type=gregorian", "DM=24", "FM=18", "H=18", "DS=10", "BETA=5.6", "DF=2"])]
    for name, args in OFFSET:
        row = next(csv.DictReader(io.StringIO(run(args + ["-f", "csv"], work).stdout)))
        v = {k: float(row[k]) for k in ("DM", "FM", "H", "BETA", "C2", "AS")}
        expect(row["check"] == "ok", "%s: %s" % (name, row["check"]))
        tol = 1e-4 * v["DM"]
        r = run(args + ["--svg", "o.svg"], work)
        expect(r.returncode == 0, "%s: %s" % (name, r.stderr))
        root = ET.parse(os.path.join(work, "o.svg")).getroot()
        poly = {c: [pts(e) for e in root.iter(NS + "polyline") if (e.get("class") or "").split()[0] == c]
                for c in ("main-reflector", "subreflector", "ray", "parent")}
        F, b = v["FM"], math.radians(v["BETA"])
        feed = (-v["C2"] * math.cos(b), v["C2"] * math.sin(b))  # (z, -x) of F'
        sign = -1 if row["type"] == "cassegrain" else 1

        def on_main(p):
            return abs(p[0] - (p[1] ** 2 / (4 * F) - F))

        def on_sub(p):
            return abs(math.hypot(p[0] - feed[0], p[1] - feed[1]) + sign * math.hypot(*p) - 2 * v["AS"])

        main, sub = poly["main-reflector"][0], poly["subreflector"][0]
        expect(max(on_main(p) for p in main + poly["parent"][0]) < tol, name + ": main off the paraboloid")
        expect(max(on_sub(p) for p in sub) < tol, "%s: sub off its conic by %g" % (name, max(on_sub(p) for p in sub)))
        xs = sorted(-p[1] for p in main)
        expect(abs(xs[0] - (v["H"] - v["DM"] / 2)) < tol and abs(xs[-1] - (v["H"] + v["DM"] / 2)) < tol,
               name + ": the main section spans the aperture")

        def unit(a, b):
            d = math.hypot(b[0] - a[0], b[1] - a[1])
            return ((b[0] - a[0]) / d, (b[1] - a[1]) / d)

        def mirrored(d_in, d_out, n):  # reflection about the normal n
            dot = d_in[0] * n[0] + d_in[1] * n[1]
            want = (d_in[0] - 2 * dot * n[0], d_in[1] - 2 * dot * n[1])
            return math.hypot(want[0] - d_out[0], want[1] - d_out[1])

        rays = [e for e in root.iter(NS + "polyline") if e.get("class") == "ray"]
        expect(len(rays) == 5, "%s: %d rays" % (name, len(rays)))
        for e in rays:
            f_, s_, m_, out = pts(e)
            expect(math.hypot(f_[0] - feed[0], f_[1] - feed[1]) < tol and on_sub(s_) < tol and on_main(m_) < tol,
                   "%s: ray %s off its surfaces" % (name, e.get("data-ray")))
            # The normals: of the conic, the sum or difference of the unit
            # vectors to its foci; of the paraboloid, (1, -y / (2F)) in (z, -x).
            to_f, to_o = unit(s_, feed), unit(s_, (0, 0))
            n1 = (to_f[0] + sign * to_o[0], to_f[1] + sign * to_o[1])
            n1 = (n1[0] / math.hypot(*n1), n1[1] / math.hypot(*n1))
            n2 = (1, -m_[1] / (2 * F))
            n2 = (n2[0] / math.hypot(*n2), n2[1] / math.hypot(*n2))
            expect(mirrored(unit(f_, s_), unit(s_, m_), n1) < 1e-4, "%s: no reflection at the sub" % name)
            expect(mirrored(unit(s_, m_), unit(m_, out), n2) < 1e-4, "%s: no reflection at the main" % name)
            expect(abs(out[1] - m_[1]) < tol and out[0] > m_[0], "%s: the ray leaves skew" % name)
            if e.get("data-ray") == "edge":
                expect(min(abs(-m_[1] - (v["H"] + k * v["DM"] / 2)) for k in (1, -1)) < tol, name + ": edge ray")
        texts = " ".join(t.text or "" for t in root.iter(NS + "text"))
        for label in ("DM ", "H ", "FM ", "BETA ", "ALPHA ", "TE ", "O", "F'"):
            expect(label in texts, "%s: no label %r" % (name, label))
        if "DF=2" in args:
            expect(any(e.get("class") == "feed-horn" for e in root.iter(NS + "polyline")), name + ": no horn")

    # A failed check drawn: the sub in red, and the words.
    r = run(["type=cassegrain", "DM=45", "FM=38", "H=40", "DSRPR=-3", "BETA=6", "--svg", "b.svg"], work)
    root = ET.parse(os.path.join(work, "b.svg")).getroot()
    red = [e for e in root.iter(NS + "polyline") if e.get("class") == "subreflector failed-element"]
    words = [t.text for t in root.iter(NS + "text") if t.get("class") == "failed"]
    expect(r.returncode == 0 and len(red) == 1 and any("sub-blocks" in (w or "") for w in words),
           "sub-blocks drawn: %d red subs, %s" % (len(red), words))

    # No label stands on another label or on a mark, in any mode.
    def boxes(root):
        out = []
        for t in root.iter(NS + "text"):
            size, x, y = float(t.get("font-size")), float(t.get("x")), float(t.get("y"))
            w = 0.62 * size * len(t.text or "")
            anchor = t.get("text-anchor")
            x0 = x - w if anchor == "end" else x - w / 2 if anchor == "middle" else x
            out.append(("text " + (t.text or ""), x0, y - 0.8 * size, x0 + w, y + 0.2 * size))
        for c in root.iter(NS + "circle"):
            x, y, rr = float(c.get("cx")), float(c.get("cy")), float(c.get("r"))
            out.append(("mark " + c.get("class"), x - rr, y - rr, x + rr, y + rr))
        return out

    for name, args in DESIGNS + OFFSET + [("mode 2", ["type=gregorian", "DM=100", "FM=40", "DS=4", "DF=2", "LP=0.5"])]:
        run(args + ["--svg", "l.svg"], work)
        bs = boxes(ET.parse(os.path.join(work, "l.svg")).getroot())
        for i, a in enumerate(bs):
            for b2 in bs[i + 1:]:
                if a[0].startswith("mark") and b2[0].startswith("mark"):
                    continue
                overlap = a[1] < b2[3] and b2[1] < a[3] and a[2] < b2[4] and b2[2] < a[4]
                expect(not overlap, "%s: %r overlaps %r" % (name, a[0], b2[0]))

    # The sketch names every quantity of mode 3 on the drawing, its labels
    # clear of each other.
    for name, args in OFFSET:
        r = run(args + ["--sketch", "k.svg"], work)
        root = ET.parse(os.path.join(work, "k.svg")).getroot()
        words = " ".join(t.text or "" for t in root.iter(NS + "text")).split()
        for q in ("DM", "FM", "H", "HC", "TH0", "BETA", "ALPHA", "E", "TE", "FDE", "DS", "LS", "LSM", "C2", "DFPR",
                  "DSRPR"):
            expect(q in words, "%s sketch: no %s" % (name, q))
        bs = [b for b in boxes(root) if b[0].startswith("text")]
        clash = [(a[0], c[0]) for i, a in enumerate(bs) for c in bs[i + 1:]
                 if a[1] < c[3] and c[1] < a[3] and a[2] < c[4] and c[2] < a[4]]
        expect(r.returncode == 0 and not clash, "%s sketch: %s" % (name, clash))
    r = run(["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624", "--sketch", "k.svg"], work)
    expect(r.returncode == 2 and "--sketch names the quantities of an offset design" in r.stderr, r.stderr)

    # Mode 3 in pages and plots.
    r = run(["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=8:12:1", "BETA=6", "--html", "p.html", "--plot", "q.svg"], work)
    page = open(os.path.join(work, "p.html")).read()
    plot = ET.parse(os.path.join(work, "q.svg")).getroot()
    expect(r.returncode == 0 and "<th>DSRPR</th>" in page and "data-ray=\"central\"" in page, "offset page")
    expect(len([e for e in plot.iter(NS + "polyline") if e.get("class") == "series"]) >= 3, "offset plot")

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
