#!/usr/bin/env python3
"""Offset designs (mode 3) against an independent ray trace.

For each of the 31 cases and both types, random sound designs are solved
by refldsgn-solve from that case's inputs.  The trace builds the sub conic
from its two foci and 2a alone (|PF'| -+ |PO| = 2a), the paraboloid from FM
and the feed axis from ALPHA and BETA, and shows for each row: every ray
leaves the main parallel to its axis with one path length; the feed-axis
ray lands at (H, 0) and the edge cone on the circle of diameter DM about
it; a balanced feed's field has no cross-polar part in the aperture; and
LS, LSM, DS, DSY, DFPR and DSRPR as traced equal the row's.  Each design is
then solved again from two other cases.  Then: the worked examples, the two
designs of one E, each check passed and failed, and the axisymmetric limit.
"""
import math
import os
import random
import sys

import numpy as np

from checklist import expect, finish
from offset_conic import Conic, solved_rows

SOLVE = os.path.join(os.path.abspath(sys.argv[1]), "refldsgn-solve")
SHAPES = ["BETA", "E", "ALPHA", "TE"]
SCALES = ["DS", "LS", "LSM", "C2", "DFPR", "DSRPR"]
MAIN = ["H", "HC", "TH0"]


def rows(args):
    return solved_rows(SOLVE, args)


def case_inputs(k, rng):
    """The quantities of case k (the main one and TE/FDE chosen at random)."""
    if k <= 24:
        shape = SHAPES[(k - 1) // 6]
        if shape == "TE":
            shape = rng.choice(["TE", "FDE"])
        return ["DM", "FM", rng.choice(MAIN), shape, SCALES[(k - 1) % 6]]
    if k <= 30:
        return ["DM", "TH0", rng.choice(["TE", "FDE"]), "BETA", SCALES[k - 25]]
    return ["DM", "TH0", "BETA", "LS", "DFPR"]


def solve_case(t, k, row, rng):
    names = case_inputs(k, rng)
    return rows(["type=" + t] + ["%s=%r" % (n, row[n]) for n in names])[0]


# ------------------------------------------------------------ the trace
def unit(v):
    return v / np.linalg.norm(v, axis=-1, keepdims=True)


def reflect(d, n):
    n = unit(n)
    return d - 2 * np.sum(d * n, axis=-1, keepdims=True) * n


class Trace(Conic):
    def __init__(self, row):
        super().__init__(row)
        self.t = self.sign
        self.FM, self.H, self.DM = row["FM"], row["H"], row["DM"]
        to_focus = -self.feed / np.linalg.norm(self.feed)
        # The feed axis: ALPHA from F'->O in the plane of symmetry, on the
        # side whose ray reaches the aperture centre.
        best = None
        for side in (1, -1):
            al = side * math.radians(row["ALPHA"])
            rot = np.array([[math.cos(al), 0, math.sin(al)], [0, 1, 0], [-math.sin(al), 0, math.cos(al)]])
            axis = rot @ to_focus
            x = self.land(axis[None, :])[0][0]
            if best is None or abs(x[0] - self.H) < best[0]:
                best = (abs(x[0] - self.H), axis)
        self.axis = best[1]
        self.across = np.cross(np.array([0.0, 1.0, 0.0]), self.axis)

    sub = Conic.along

    def land(self, u):
        p, s = self.sub(u)
        n = unit(p - self.feed) + (-1 if self.t < 0 else 1) * unit(p)
        d = reflect(u, n)
        # The paraboloid x^2 + y^2 = 4 FM (z + FM): the first crossing ahead.
        F = self.FM
        A = d[:, 0] ** 2 + d[:, 1] ** 2
        B = 2 * (p[:, 0] * d[:, 0] + p[:, 1] * d[:, 1]) - 4 * F * d[:, 2]
        C = p[:, 0] ** 2 + p[:, 1] ** 2 - 4 * F * (p[:, 2] + F)
        disc = np.sqrt(B * B - 4 * A * C)
        roots = np.stack([(-B - disc) / (2 * A), (-B + disc) / (2 * A)])
        roots[roots <= 1e-9 * F] = np.inf
        r = roots.min(axis=0)
        q = p + r[:, None] * d
        out = reflect(d, np.stack([2 * q[:, 0], 2 * q[:, 1], -4 * F * np.ones(len(q))], axis=1))
        path = s + r + (10 * F - q[:, 2])  # to the plane z = 10 FM
        return q, out, path, p, d

    def cone(self, angle, n=64):
        phi = np.linspace(0, 2 * np.pi, n, endpoint=False)
        return (np.cos(angle) * self.axis[None, :] + np.sin(angle) * (
            np.cos(phi)[:, None] * self.across[None, :] + np.sin(phi)[:, None] * np.array([0.0, 1.0, 0.0])[None, :])), phi

    def field(self, u, theta, phi):
        """A balanced feed's x polarisation (Ludwig 3), carried along the
        rays by both reflections; returns the aperture fields."""
        g, y, f = self.across, np.array([0.0, 1.0, 0.0]), self.axis
        th_hat = (np.cos(theta) * np.cos(phi))[:, None] * g + (np.cos(theta) * np.sin(phi))[:, None] * y \
            - np.sin(theta)[:, None] * f
        ph_hat = -np.sin(phi)[:, None] * g + np.cos(phi)[:, None] * y
        e = th_hat * np.cos(phi)[:, None] - ph_hat * np.sin(phi)[:, None]
        q, out, path, p, d = self.land(u)
        n1 = unit(unit(p - self.feed) + (-1 if self.t < 0 else 1) * unit(p))
        e = 2 * np.sum(e * n1, axis=1, keepdims=True) * n1 - e
        n2 = unit(np.stack([2 * q[:, 0], 2 * q[:, 1], -4 * self.FM * np.ones(len(q))], axis=1))
        return 2 * np.sum(e * n2, axis=1, keepdims=True) * n2 - e


def close(a, b, rel, what):
    ok = abs(a - b) <= rel * max(1.0, abs(a), abs(b))
    expect(ok, "%s: traced %.9g, row %.9g" % (what, a, b))
    return ok


def check_trace(row, what):
    tr = Trace(row)
    te = math.radians(row["TE"])
    rays = []
    for ang in np.linspace(0, te, 7):
        u, phi = tr.cone(ang, 48)
        rays.append((u, np.full(len(u), ang), phi))
    u = np.concatenate([r[0] for r in rays])
    theta = np.concatenate([r[1] for r in rays])
    phi = np.concatenate([r[2] for r in rays])
    q, out, path, p, _ = tr.land(u)
    expect(np.abs(out[:, :2]).max() < 2e-5 and (out[:, 2] > 0).all(), "%s: rays leave skew %g" % (
        what, np.abs(out[:, :2]).max()))
    expect(np.ptp(path) < 2e-5 * max(row["DM"], row["FM"]), "%s: path lengths differ by %g" % (what, np.ptp(path)))
    centre = q[0]
    close(centre[0], row["H"], 2e-5, what + " centre x")
    expect(abs(centre[1]) < 1e-9 * row["DM"], what + " centre y")
    edge = q[theta == te]
    radius = np.hypot(edge[:, 0] - row["H"], edge[:, 1])
    expect(np.abs(radius - row["DM"] / 2).max() < 2e-5 * row["DM"], "%s: edge radius %s, DM/2 %g" % (
        what, radius[:3], row["DM"] / 2))
    ap = tr.field(u, theta, phi)
    co = unit(ap[0])
    cross = np.abs(ap[:, 0] * co[1] - ap[:, 1] * co[0]) / np.linalg.norm(ap[:, :2], axis=1)
    xpol = 20 * np.log10(max(cross.max(), 1e-300))
    expect(xpol < -120, "%s: cross-polar level %.1f dB" % (what, xpol))
    # The row's lengths, traced.
    p0, s0 = tr.sub(tr.axis[None, :])
    close(s0[0], row["LS"], 2e-5, what + " LS")
    close(np.linalg.norm(centre - p0[0]), row["LSM"], 2e-5, what + " LSM")
    rim, _ = tr.sub(tr.cone(te, 720)[0])
    b = math.radians(row["BETA"])
    across_sub = np.array([math.cos(b), 0.0, -math.sin(b)])
    plane = rim[[0, 360]]
    close(abs((plane[0] - plane[1]) @ across_sub), row["DS"], 2e-5, what + " DS")
    close(np.ptp(rim[:, 1]), row["DSY"], 2e-5, what + " DSY")
    hc = row["H"] - row["DM"] / 2
    close(hc - tr.feed[0], row["DFPR"], 2e-5, what + " DFPR")
    close(hc - rim[:, 0].max(), row["DSRPR"], 2e-5, what + " DSRPR")
    return xpol


def same_design(a, b, what):
    for k in ("DM", "FM", "H", "BETA", "ALPHA", "E", "TE", "AS", "FS", "DS", "LS", "LSM", "DSY", "DFPR", "DSRPR"):
        close(a[k], b[k], 1e-4, "%s %s" % (what, k))


rng = random.Random(17)
worst = -math.inf
traced = 0
for t in ("cassegrain", "gregorian"):
    seeds = []
    while len(seeds) < 4:
        DM = rng.uniform(5, 50)
        FM = DM * rng.uniform(0.35, 1.0)
        th0 = rng.uniform(15, 60)
        args = ["type=" + t, "DM=%.6g" % DM, "FM=%.6g" % FM, "TH0=%.6g" % th0,
                "BETA=%.6g" % rng.uniform(2, 14), "DS=%.6g" % (DM * rng.uniform(0.1, 0.3))]
        row = rows(args)[0]
        if row["check"] == "ok":
            seeds.append(row)
    for k in range(1, 32):
        for n, seed in enumerate(seeds[:2] if k % 2 else seeds[2:]):
            row = solve_case(t, k, seed, rng)
            what = "%s case %d design %d" % (t, k, n)
            expect(row["case"] == k and row["check"] == "ok", "%s: case %s, %s" % (what, row["case"], row["check"]))
            same_design(row, seed, what)
            worst = max(worst, check_trace(row, what))
            traced += 1
            for other in rng.sample([c for c in range(1, 32) if c != k], 2):
                same_design(solve_case(t, other, row, rng), row, "%s again from case %d" % (what, other))
print("%d designs traced through 31 cases and both types; worst cross-polar level %.1f dB" % (traced, worst))

# ----------------------------------------------------- worked examples
EXAMPLES = [
    (["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "BETA=6"],
     dict(TH0="55.51708", E="1.843933", ALPHA="20.0311", TE="10.32476", LS="21.04870", LSM="40.32365",
          AS="6.42302", FS="11.84361", FEQ="124.5224")),
    (["type=gregorian", "DM=24", "FM=18", "H=18", "DS=10", "BETA=5.6"],
     dict(TH0="53.13010", E="0.544610", ALPHA="18.8379", TE="11.50497", LS="30.54596", LSM="34.03933",
          AS="21.04265", FS="11.46004", FEQ="59.5601")),
]
for args, want in EXAMPLES:
    row = rows(args)[0]
    expect(row["check"] == "ok" and row["case"] == 1, "%s: %s" % (args, row["check"]))
    for k, v in want.items():
        decimals = len(v.split(".")[1])
        expect("%.*f" % (decimals, row[k]) == v, "%s: %s is %r, printed %s" % (args[0], k, row[k], v))
    check_trace(row, args[0] + " example")

# ------------------------------------------------ two designs of one E
two = ["type=gregorian", "DM=10", "FM=4", "HC=1", "E=0.35", "LS=3"]
first, second = rows(two)[0], rows(two + ["root=2"])[0]
expect(first["designs"] == 2 and second["designs"] == 2, "two designs: %s %s" % (first["designs"], second["designs"]))
expect(first["check"] == "ok" and second["check"] == "ok" and second["BETA"] > first["BETA"] + 10,
       "the two designs: BETA %g and %g" % (first["BETA"], second["BETA"]))
for row in (first, second):
    check_trace(row, "E=0.35 BETA %.3f" % row["BETA"])
tb1, tb2 = math.tan(math.radians(first["BETA"]) / 2), math.tan(math.radians(second["BETA"]) / 2)
close(tb1 * tb2, ((0.35 - 1) / 1.35) ** 2, 1e-5, "product of the roots")

# ------------------------------------------------------------ the checks
CASS = ["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "BETA=6"]
GREG = ["type=gregorian", "DM=24", "FM=18", "H=18", "DS=10", "BETA=5.6"]
CHECKS = [  # (args, code): the first passes it, the second fails it
    ("no-solution", ["type=gregorian", "DM=10", "FM=4", "H=6", "E=0.5", "DS=1"],
     ["type=gregorian", "DM=10", "FM=4", "H=6", "E=0.05", "DS=1"]),
    ("non-finite", CASS, ["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "BETA=0"]),
    ("non-positive", CASS, ["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=-10", "BETA=6"]),
    ("wrong-conic", ["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "E=1.84"],
     ["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "E=0.5"]),
    ("angle-range", GREG, ["type=gregorian", "DM=24", "FM=18", "H=18", "DS=10", "BETA=95"]),
    ("beyond-asymptote", CASS, ["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "BETA=89.9"]),
    ("sub-blocks", CASS, ["type=cassegrain", "DM=45", "FM=38", "H=40", "DSRPR=-3", "BETA=6"]),
    ("sub-blocks", ["type=cassegrain", "DM=45", "FM=38", "H=40", "DSRPR=0", "BETA=6"],  # touching the column
     ["type=cassegrain", "DM=45", "FM=38", "H=40", "DSRPR=-0.01", "BETA=6"]),
    ("feed-blocks", CASS, ["type=cassegrain", "DM=45", "FM=38", "H=40", "DFPR=-3", "BETA=6"]),
    ("feed-blocks", CASS + ["DF=2"], CASS + ["DF=30"]),
    # e = 1.0000081 in single precision cannot carry M = 245584
    ("inconsistent", CASS, ["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "BETA=1e-9"]),
]
for code, good, bad in CHECKS:
    g, b = rows(good)[0], rows(bad)[0]
    expect(code not in g["check"].split(";"), "%s: %s fails it (%s)" % (code, good, g["check"]))
    expect(code in b["check"].split(";"), "%s: %s passes it (%s)" % (code, bad, b["check"]))

# ------------------------------------------------ a grid, row by row
grid = rows(["type=cassegrain", "DM=45", "FM=38", "H=40", "BETA=4:8:2", "DS=8:12:2"])
expect(len(grid) == 9, "a grid of 3 x 3 gives %d rows" % len(grid))
for row in grid[::4]:
    one = rows(["type=cassegrain", "DM=45", "FM=38", "H=40", "BETA=%r" % row["BETA"], "DS=%r" % row["DS"]])[0]
    same_design(row, one, "grid row BETA %g DS %g" % (row["BETA"], row["DS"]))

# ---------------------------------------------------- axisymmetric limit
for t, e in (("cassegrain", 1.5), ("gregorian", 0.5)):
    DM, FM, DS = 10.0, 4.0, 1.2
    M = abs((e + 1) / (e - 1))
    te = math.degrees(2 * math.atan(DM / (4 * M * FM)))
    axi = rows(["type=" + t, "DM=10", "FM=4", "DS=1.2", "TE=%r" % te])[0]
    previous = math.inf
    for th0 in (10, 1, 0.1, 0.01, 1e-3, 1e-5):
        row = rows(["type=" + t, "DM=10", "FM=4", "TH0=%g" % th0, "E=%g" % e, "DS=1.2"])[0]
        expect(all(math.isfinite(row[k]) for k in ("BETA", "ALPHA", "H", "TE", "AS", "LS", "FEQ")),
               "%s TH0=%g: %s" % (t, th0, row))
        gap = max(abs(row["TE"] - axi["TE"]) / axi["TE"], abs(row["AS"] - abs(axi["AS"])) / abs(axi["AS"]),
                  abs(row["FS"] - abs(axi["FS"])) / abs(axi["FS"]), abs(row["LS"] - axi["LS"]) / axi["LS"],
                  abs(row["FEQ"] - axi["F_eq"]) / axi["F_eq"], abs(row["M"] - axi["M"]) / axi["M"])
        expect(gap <= previous * 1.0001 or gap < 1e-6, "%s: no closer at TH0=%g (%g)" % (t, th0, gap))
        previous = gap
    expect(previous < 1e-5, "%s: the offset design at TH0 = 1e-5 is %g from the axisymmetric one" % (t, previous))
    print("%s: at TH0 = 1e-5 degrees within %.1e of the axisymmetric design" % (t, previous))
finish()
