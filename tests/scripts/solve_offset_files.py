#!/usr/bin/env python3
"""The files of an offset design read back independently: the .sfc grids on
their conics in their own frames (NX != NY, so the order of the values
shows), covering the rims; the .tor objects parsed and set against the row
and against the foci, the rim and the feed axis found from the row's
foci and 2a; the profile on both curves; and the errors around them."""
import csv
import math
import os
import re
import subprocess
import sys
import tempfile

import numpy as np

from checklist import expect, finish
from offset_conic import Conic, solved_rows

SOLVE = os.path.join(os.path.abspath(sys.argv[1]), "refldsgn-solve")
DESIGNS = [["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "BETA=6"],
           ["type=gregorian", "DM=24", "FM=18", "H=18", "DS=10", "BETA=5.6"],
           ["type=gregorian", "DM=10", "FM=4", "HC=1", "E=0.35", "LS=3", "root=2"]]  # a deep ellipsoid


def run(args, cwd):
    return subprocess.run([SOLVE] + args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)



def read_sfc(path):
    lines = open(path).read().splitlines()
    xs, ys, xe, ye = map(float, lines[1].split())
    nx, ny = map(int, lines[2].split())
    values = [float(v) for line in lines[3:] for v in line.split()]
    expect(all(len(line.split()) <= 4 for line in lines[3:]), path + ": more than 4 values a line")
    expect(len(values) == nx * ny, "%s: %d values for %d x %d" % (path, len(values), nx, ny))
    z = np.array(values).reshape(nx, ny)  # y runs fastest
    return np.linspace(xs, xe, nx), np.linspace(ys, ye, ny), z


def parse_tor(text):
    objects = {}
    for name, kind, body in re.findall(r"^(\w+)\s+(\w+)\s*\(\n(.*?)^\)", text, re.S | re.M):
        fields = {}
        for key, value in re.findall(r"^\s*(\w+)\s*:\s*(.*?),?$", body, re.M):
            if value.startswith("struct("):
                fields[key] = {k: float(v) for k, v in re.findall(r"(\w+): (-?[\d.e+-]+)", value)}
            else:
                m = re.match(r"(-?[\d.e+-]+)", value)
                fields[key] = float(m.group(1)) if m else value
        objects[name] = (kind, fields)
    return objects


def vec(s):
    return np.array([s["x"], s["y"], s["z"]])


with tempfile.TemporaryDirectory() as work:
    for args in DESIGNS:
        what = " ".join(args[:2])
        r = run(args + ["unit=mm", "taper=12", "freq=30", "--sfc-main", "m.sfc", "--sfc-sub", "s.sfc",
                        "--grid", "31,23", "--tor", "d.tor", "--profile", "p.csv"], work)
        expect(r.returncode == 0, "%s: %s" % (what, r.stderr))
        row = solved_rows(SOLVE, args, work)[0]
        conic = Conic(row)
        R, F, H = row["DM"] / 2, row["FM"], row["H"]

        # The main grid: on the paraboloid, covering the rim with a margin.
        x, y, z = read_sfc(os.path.join(work, "m.sfc"))
        expect(len(x) == 31 and len(y) == 23, "%s: grid %d x %d" % (what, len(x), len(y)))
        X, Y = np.meshgrid(x, y, indexing="ij")
        expect(np.abs(z - (X ** 2 + Y ** 2) / (4 * F)).max() <= 1e-6 * z.max(), what + ": main off the paraboloid")
        expect(x[0] < H - R < H + R < x[-1] and y[0] < -R < R < y[-1], what + ": the main grid misses the rim")
        cell = x[1] - x[0]
        expect(abs((H - R - x[0]) / cell - 2) < 1e-4, what + ": not two cells of margin")

        # The sub grid: in the frame of the rim's plane, found from the conic.
        u = None
        # the rim: the feed cone's edge rays in the plane of symmetry
        q0 = np.array([H, 0, H * H / (4 * F) - F])
        p0 = conic.on_line(q0 / np.linalg.norm(q0))
        axis = (p0 - conic.feed) / np.linalg.norm(p0 - conic.feed)
        across = np.cross([0, 1, 0], axis)
        te = math.radians(row["TE"])
        edges, _ = conic.along(np.array([math.cos(te) * axis + s * math.sin(te) * across for s in (1, -1)]))
        centre = edges.mean(axis=0)
        ex = (edges[0] - edges[1]) / np.linalg.norm(edges[0] - edges[1])
        ez = np.array([-ex[2], 0, ex[0]])
        if ez @ (conic.feed - centre) > 0:
            ez = -ez
        x, y, z = read_sfc(os.path.join(work, "s.sfc"))
        X, Y = np.meshgrid(x, y, indexing="ij")
        P = centre + X[..., None] * ex + Y[..., None] * np.array([0, 1, 0]) + z[..., None] * ez
        hx, hy = np.linalg.norm(edges[0] - edges[1]) / 2, row["DSY"] / 2
        over = (X / hx) ** 2 + (Y / hy) ** 2 <= 1
        worst = np.abs(conic.residual(P[over])).max()
        expect(worst < 1e-6, "%s: sub grid off the conic by %g" % (what, worst))
        expect(np.isfinite(z).all(), what + ": sub grid not finite")
        expect(x[0] < -hx and x[-1] > hx and y[0] < -hy and y[-1] > hy, what + ": the sub grid misses the rim")
        print("%s: sub grid within %.1e of the conic over the rim (%d points)" % (what, worst, over.sum()))

        # The .tor objects.
        tor = parse_tor(open(os.path.join(work, "d.tor")).read())
        close = lambda a, b, w: expect(abs(a - b) <= 1e-6 * max(1, abs(b)), "%s .tor %s: %g, not %g" % (what, w, a, b))
        close(tor["main_surface"][1]["focal_length"], F, "focal length")
        close(tor["sub_surface"][1]["vertex_distance"], 2 * row["AS"], "vertex distance")
        close(tor["sub_surface"][1]["foci_distance"], row["C2"], "foci distance")
        expect(tor["sub_surface"][0] == ("hyperboloid" if row["type"] == "cassegrain" else "ellipsoid"), what)
        close(tor["main_rim"][1]["centre"]["x"], H, "main rim centre")
        close(tor["main_rim"][1]["half_axis"]["x"], R, "main rim half axis")
        close(tor["sub_rim"][1]["half_axis"]["x"], row["DS"] / 2, "sub rim half axis x")
        close(tor["sub_rim"][1]["half_axis"]["y"], row["DSY"] / 2, "sub rim half axis y")
        frames = {k: tor[k][1] for k in ("main_coor", "sub_coor", "feed_coor")}
        close(vec(frames["main_coor"]["origin"])[2], -F, "main frame origin")
        sub_x, sub_y = vec(frames["sub_coor"]["x_axis"]), vec(frames["sub_coor"]["y_axis"])
        sub_z = np.cross(sub_x, sub_y)
        expect(np.linalg.norm(vec(frames["sub_coor"]["origin"])) == 0, what + ": sub frame not at the focus")
        close(sub_z @ conic.feed, row["C2"], "the feed at z = C2 of the sub frame")
        close(sub_x @ centre, tor["sub_rim"][1]["centre"]["x"], "sub rim centre")
        feed_z = np.cross(vec(frames["feed_coor"]["x_axis"]), vec(frames["feed_coor"]["y_axis"]))
        expect(np.linalg.norm(vec(frames["feed_coor"]["origin"]) - conic.feed) < 1e-5 * row["C2"],
               what + ": the feed frame is not at the second focus")
        expect(np.linalg.norm(feed_z - axis) < 1e-6, "%s: feed frame z %s, feed axis %s" % (what, feed_z, axis))
        close(tor["feed"][1]["taper"], -12, "taper")
        close(tor["feed"][1]["taper_angle"], row["TE"], "taper angle")
        expect(" mm" in open(os.path.join(work, "d.tor")).read(), what + ": lengths without their unit")

        # The profile: both curves in the main frame.
        prof = list(csv.DictReader(open(os.path.join(work, "p.csv"))))
        main = np.array([[float(p["x"]), float(p["z"])] for p in prof if p["reflector"] == "main"])
        sub = np.array([[float(p["x"]), 0, float(p["z"]) - F] for p in prof if p["reflector"] == "sub"])
        expect(np.abs(main[:, 1] - main[:, 0] ** 2 / (4 * F)).max() < 1e-5 * F, what + ": main profile")
        expect(np.abs(conic.residual(sub)).max() < 1e-5, what + ": sub profile off the conic")
        expect(abs(main[0, 0] - (H - R)) < 1e-5 * R and abs(main[-1, 0] - (H + R)) < 1e-5 * R, what + ": main ends")

    # Errors: status 2, nothing written.
    OFF = DESIGNS[0]
    for args, message in [
        (OFF + ["--tor", "x.tor"], "--tor needs unit="),
        (OFF + ["--sfc-main", "x.sfc", "--grid", "5"], "--grid 5"),
        (OFF + ["--sfc-main", "x.sfc", "--grid", "10,x"], "--grid 10,x"),
        (["type=-1", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624", "--sfc-main", "x.sfc"], "are for offset designs"),
        (OFF + ["--rsf-main", "x.rsf"], "write --sfc-main, --sfc-sub and --tor"),
    ]:
        r = run(args, work)
        expect(r.returncode == 2 and message in r.stderr, "%s: %d %r" % (args[-2:], r.returncode, r.stderr))
        expect(not any(os.path.exists(os.path.join(work, f)) for f in ("x.tor", "x.sfc", "x.rsf")), "%s wrote" % args)
finish()
