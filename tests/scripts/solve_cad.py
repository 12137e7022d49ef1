#!/usr/bin/env python3
"""The CAD files read back independently: DXF with ezdxf, STL from its
bytes, STEP from its text and through OpenCASCADE (step_probe), each
against the conic of the design, built here from the row's values."""
import csv
import io
import math
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from checklist import expect, finish  # noqa: E402
from offset_conic import Conic, solved_rows  # noqa: E402

bindir = sys.argv[1]
SOLVE = os.path.join(bindir, "refldsgn-solve")
PROBE = os.path.join(bindir, "tests", "step_probe")
f32 = np.float32

DISH = ["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624"]
DESIGNS = {
    "cassegrain": DISH,
    "gregorian": ["type=gregorian", "DM=6", "FM=2.4", "DS=0.8", "TE=20"],
    "annulus": DISH + ["--main-range", "0.6:6:0.3", "--sub-range", "0.05:0.35:0.015"],
    "offset gregorian": ["type=gregorian", "DM=24", "FM=18", "H=18", "DS=10", "BETA=5.6"],
    "offset cassegrain": ["type=cassegrain", "DM=10", "FM=6", "H=9", "DS=2", "E=1.6"],
}


def run(args, cwd):
    return subprocess.run([SOLVE] + args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


class Axisymmetric:
    """The profile's conics: z = rho^2/(4 FM), and the sub conic rebuilt in
    single precision from DM, DS, FM and TE as the profile file does."""

    def __init__(self, row):
        self.offset, self.DM, self.FM = False, row["DM"], row["FM"]
        t = -1.0 if row["type"] == "cassegrain" else 1.0
        FD = f32(row["FM"] / row["DM"])
        FDE = f32(1 / (4 * math.tan(row["TE"] * math.pi / 180 / 2)))
        M = f32(float(FDE) / float(FD))
        e = f32((float(M) + 1) / (float(M) - 1))
        if t == 1:
            e = f32(1 / float(e))
        theta = float(f32(2 * math.atan(1 / (4 * float(FDE)))))
        e = float(e)
        k = f32(2 * e * e / (e * e - 1) if t < 0 else 2 * e * e / (1 - e * e))
        h = f32(t * -(e * math.cos(theta) - 1) * row["DS"] / (2 * e * math.sin(theta)))
        c = f32(float(f32(float(k) * float(h))) / 2)
        self.a = float(f32(float(c) / e))
        self.b = float(f32(math.sqrt(abs(float(c) ** 2 - self.a ** 2))))
        self.zc, self.t = float(f32(self.FM - float(c))), t

    def distance(self, which, rho, z):
        if which == "main":
            return np.abs(z - rho * rho / (4 * self.FM)) / np.sqrt(1 + (rho / (2 * self.FM)) ** 2)
        g = ((z - self.zc) / self.a) ** 2 + self.t * (rho / self.b) ** 2 - 1
        grad = np.hypot(2 * (z - self.zc) / self.a ** 2, 2 * self.t * rho / self.b ** 2)
        return np.abs(g) / grad

    def distance3(self, which, p):
        return self.distance(which, np.hypot(p[..., 0], p[..., 1]), p[..., 2])

    def lit_from(self, which):  # the focus a reflector faces
        if which == "main":
            return np.array([0, 0, self.FM])
        f = math.sqrt(self.a ** 2 - self.t * self.b ** 2)
        return np.array([0, 0, max(self.zc + f, self.zc - f, key=lambda z: abs(z - self.FM))])


class Offset:
    """The paraboloid, and the sub conic of foci O and F' and 2a."""

    def __init__(self, row):
        self.offset, self.DM, self.FM, self.H = True, row["DM"], row["FM"], row["H"]
        self.conic = Conic(row)
        b = math.radians(row["BETA"])  # F' from AS and E, as the frame places it
        self.conic.feed = -2 * row["AS"] * row["E"] * np.array([math.sin(b), 0.0, math.cos(b)])
        self.lift = np.array([0, 0, self.FM])

    def distance(self, which, x, z):
        return self.distance3(which, np.stack([x, np.zeros_like(x), z], axis=-1))

    def distance3(self, which, p):
        if which == "main":
            r2 = p[..., 0] ** 2 + p[..., 1] ** 2
            return np.abs(p[..., 2] - r2 / (4 * self.FM)) / np.sqrt(1 + r2 / (4 * self.FM ** 2))
        return np.abs(self.conic.residual(p - self.lift)) * 2 * self.conic.a

    def lit_from(self, which):
        return self.lift + (0 if which == "main" else self.conic.feed)


def model_of(name, row):
    return Offset(row) if name.startswith("offset") else Axisymmetric(row)


def profile(path):
    rows = list(csv.reader(open(path)))[1:]
    return {w: np.array([[f32(v) for v in r[1:3]] for r in rows if r[0] == w]) for w in ("main", "sub")}


def nurbs(ctrl, weights, knots, degree, n=400):
    """Points of a rational B-spline by de Boor on homogeneous points."""
    ctrl, weights, knots = np.asarray(ctrl, float), np.asarray(weights, float), np.asarray(knots, float)
    hom = np.hstack([ctrl * weights[:, None], weights[:, None]])
    out = []
    for u in np.linspace(knots[degree], knots[-degree - 1], n):
        k = min(np.searchsorted(knots, u, side="right") - 1, len(knots) - degree - 2)
        d = [hom[j + k - degree].copy() for j in range(degree + 1)]
        for r in range(1, degree + 1):
            for j in range(degree, r - 1, -1):
                i = j + k - degree
                alpha = (u - knots[i]) / (knots[i + degree + 1 - r] - knots[i])
                d[j] = (1 - alpha) * d[j - 1] + alpha * d[j]
        out.append(d[degree][:-1] / d[degree][-1])
    return np.array(out)


def check_dxf(name, m, d, samples):
    import ezdxf
    doc = ezdxf.readfile(d + "/a.dxf")
    expect(doc.dxfversion == "AC1015", "%s: DXF version %s" % (name, doc.dxfversion))
    audit = doc.audit()
    expect(not audit.has_errors, "%s: ezdxf finds errors: %s" % (name, [e.message for e in audit.errors]))
    msp = doc.modelspace()
    farthest = 0.0
    for which, layer in (("main", "MAIN"), ("sub", "SUB")):
        splines = msp.query('SPLINE[layer=="%s"]' % layer)
        polylines = msp.query('LWPOLYLINE[layer=="%s"]' % layer)
        expect(len(splines) == 1 and len(polylines) == 1, "%s %s: %d splines, %d polylines" % (
            name, layer, len(splines), len(polylines)))
        s = splines[0]
        ctrl = np.array([p[:2] for p in s.control_points])
        pts = nurbs(ctrl, s.weights if len(s.weights) else np.ones(len(ctrl)), s.knots, s.dxf.degree)
        worst = float(np.max(m.distance(which, pts[:, 0], pts[:, 1])))
        expect(worst <= 1e-9 * m.DM, "%s %s: the spline is %.3g from the conic" % (name, layer, worst))
        farthest = max(farthest, worst / m.DM)
        ends = np.abs(pts[[0, -1]] - samples[which][[0, -1]]).max()
        expect(ends <= 1e-6 * m.DM, "%s %s: the spline ends %.3g from the first and last samples" % (name, layer, ends))
        vertices = np.array([[f32(x), f32(y)] for x, y in polylines[0].get_points("xy")])
        expect(vertices.shape == samples[which].shape and (vertices == samples[which]).all(),
               "%s %s: the polyline is not the profile's samples" % (name, layer))
        # The samples lie on the conic the spline is checked against.
        on = float(np.max(m.distance(which, samples[which][:, 0].astype(float), samples[which][:, 1].astype(float))))
        expect(on <= 1e-6 * m.DM, "%s %s: the profile is %.3g from the conic" % (name, layer, on))
    r = run(DESIGNS[name] + ["--dxf", "r12.dxf", "--dxf-r12"], d)
    doc = ezdxf.readfile(d + "/r12.dxf")
    expect(r.returncode == 0 and doc.dxfversion == "AC1009", "%s: R12 file %s" % (name, doc.dxfversion))
    for which, layer in (("main", "MAIN"), ("sub", "SUB")):
        lines = doc.modelspace().query('POLYLINE[layer=="%s"]' % layer)
        got = np.array([[f32(v.dxf.location.x), f32(v.dxf.location.y)] for v in lines[0].vertices]) if lines else None
        expect(len(lines) == 1 and got.shape == samples[which].shape and (got == samples[which]).all(),
               "%s %s: the R12 polyline is not the profile's samples" % (name, layer))
    print("%s: the DXF splines within %.1e DM of the conics" % (name, farthest))


def read_stl(path):
    data = open(path, "rb").read()
    n = struct.unpack("<I", data[80:84])[0]
    expect(len(data) == 84 + 50 * n and not data.startswith(b"solid"), "%s: %d bytes for %d triangles" % (path, len(data), n))
    t = np.frombuffer(data[84:84 + 50 * n], dtype=np.dtype([("n", "<f4", 3), ("v", "<f4", (3, 3)), ("a", "<u2")]))
    return t


def check_stl(name, m, d, tolerance):
    t = read_stl(d + "/a.stl")
    v = t["v"].astype(float)
    ulp = np.spacing(np.abs(t["v"]).max(axis=-1)).astype(float)  # of each vertex's largest coordinate
    on = {w: m.distance3(w, v) for w in ("main", "sub")}
    which = np.where(on["main"].max(axis=1) < on["sub"].max(axis=1), "main", "sub")
    counts, worst = {}, [0.0, 0.0, 0.0]
    for w in ("main", "sub"):
        sel = which == w
        counts[w] = int(sel.sum())
        off = on[w][sel] / ulp[sel]
        expect(counts[w] > 0 and off.max() <= 2, "%s %s: a vertex is %.2f ulps off its surface" % (name, w, off.max()))
        centroid = v[sel].mean(axis=1)
        dev = float(m.distance3(w, centroid).max())
        expect(dev < tolerance, "%s %s: a centroid is %.3g from the surface (tolerance %g)" % (name, w, dev, tolerance))
        # Every triangle, at points over the whole of it (a triangle's largest
        # distance may lie off its centroid).
        far = max(float(m.distance3(w, a * v[sel][:, 0] + b * v[sel][:, 1] + (1 - a - b) * v[sel][:, 2]).max())
                  for a in np.linspace(0, 1, 7) for b in np.linspace(0, 1 - a, 5))
        expect(far < tolerance, "%s %s: a triangle is %.3g from the surface (tolerance %g)" % (name, w, far, tolerance))
        worst = [max(worst[0], float(off.max())), max(worst[1], dev / tolerance), max(worst[2], far / tolerance)]
        # Orientation: every triangle faces the focus its reflector is lit from,
        # its stored normal agrees with its winding, and an edge is never
        # used twice in one direction.
        normal = np.cross(v[sel][:, 1] - v[sel][:, 0], v[sel][:, 2] - v[sel][:, 0])
        facing = np.einsum("ij,ij->i", normal, m.lit_from(w) - centroid)
        expect((facing > 0).all(), "%s %s: %d triangles face away" % (name, w, int((facing <= 0).sum())))
        expect((np.einsum("ij,ij->i", normal, t["n"][sel].astype(float)) > 0).all(), "%s %s: normals disagree" % (name, w))
        key = t["v"][sel].view(np.dtype((np.void, 12))).reshape(-1, 3)
        directed = set()
        for a, b in ((0, 1), (1, 2), (2, 0)):
            for e in zip(key[:, a].tolist(), key[:, b].tolist()):
                expect(e not in directed, "%s %s: an edge is used twice in one direction" % (name, w))
                directed.add(e)
        if m.offset and w == "main":  # inside the aperture's cylinder, reaching it
            r = np.hypot(v[sel][..., 0] - m.H, v[sel][..., 1]) / (m.DM / 2)
            expect(1 - 1e-6 <= r.max() <= 1 + 1e-6, "%s: main reaches %.9f of the aperture" % (name, r.max()))
        if m.offset and w == "sub":  # inside the feed cone, reaching it
            ray = v[sel] - m.lit_from("sub")
            angle = np.arccos(ray @ m.axes[0] / np.linalg.norm(ray, axis=-1)) / math.radians(m.row["TE"])
            expect(1 - 1e-5 <= angle.max() <= 1 + 1e-5, "%s: sub reaches %.9f of the feed cone" % (name, angle.max()))
    counts["worst"] = worst
    return counts


def step_bsplines(path):
    """The 3-D rational B-spline curves of a STEP file, from its text."""
    text = open(path).read().replace("\n", "")
    entities = dict(re.findall(r"#(\d+)\s*=\s*(.*?);(?=#|ENDSEC)", text))
    points = {k: [float(x) for x in m.group(1).split(",")] for k, v in entities.items()
              for m in [re.match(r"CARTESIAN_POINT\('[^']*',\(([^)]*)\)\)", v)] if m}
    curves = []
    for v in entities.values():
        m = re.search(r"B_SPLINE_CURVE\((\d+),\(([^)]*)\)", v)
        w = re.search(r"RATIONAL_B_SPLINE_CURVE\(\(([^)]*)\)\)", v)
        k = re.search(r"B_SPLINE_CURVE_WITH_KNOTS\(\(([^)]*)\),\(([^)]*)\)", v)
        if not (m and w and k):
            continue
        ctrl = [points[r.strip()[1:]] for r in m.group(2).split(",")]
        if len(ctrl[0]) != 3:
            continue  # a curve of a surface's parameters
        knots = [float(x) for x, n in zip(k.group(2).split(","), k.group(1).split(",")) for _ in range(int(n))]
        curves.append((int(m.group(1)), np.array(ctrl), np.array([float(x) for x in w.group(1).split(",")]), knots))
    return curves


def probe(path, unit):
    out = subprocess.run([PROBE, path, unit], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    expect(out.returncode == 0, "step_probe %s: %s" % (path, out.stderr.strip()))
    shapes = []
    for line in out.stdout.splitlines():
        word, *values = line.split()
        if word == "shape":
            shapes.append({"face": [], "solid": []})
        elif word in ("face", "solid"):
            shapes[-1][word].append(float(values[0]))
        elif word == "box":
            shapes[-1]["box"] = [float(x) for x in values]
    return shapes


def gauss(f, a, b, n=96):
    x, w = np.polynomial.legendre.leggauss(n)
    pieces = 16
    total = 0.0
    for k in range(pieces):
        lo, hi = a + (b - a) * k / pieces, a + (b - a) * (k + 1) / pieces
        total += 0.5 * (hi - lo) * np.sum(w * f(0.5 * (hi - lo) * x + 0.5 * (hi + lo)))
    return total


def profile_curve(m, which, rho0, rho1):
    """The meridian (rho(s), z(s)) and its first two derivatives, s the conic's parameter."""
    if which == "main":
        F = m.FM
        return (lambda s: (s, s * s / (4 * F)), lambda s: (np.ones_like(s), s / (2 * F)),
                lambda s: (np.zeros_like(s), np.full_like(s, 1 / (2 * F))), rho0, rho1)
    a, b = m.a, m.b
    if m.t > 0:
        return (lambda s: (b * np.sin(s), m.zc + a * np.cos(s)), lambda s: (b * np.cos(s), -a * np.sin(s)),
                lambda s: (-b * np.sin(s), -a * np.cos(s)), math.asin(rho0 / b), math.asin(min(1, rho1 / b)))
    return (lambda s: (b * np.sinh(s), m.zc + a * np.cosh(s)), lambda s: (b * np.cosh(s), a * np.sinh(s)),
            lambda s: (b * np.sinh(s), a * np.cosh(s)), math.asinh(rho0 / b), math.asinh(rho1 / b))


def revolved(m, which, rho0, rho1, T, focus_z):
    """Area of the surface of revolution and the volume of its shell of
    normal thickness T behind it (Pappus, the normals swept in closed form
    along the curve, Gauss-Legendre over the curve's parameter)."""
    P, D1, D2, s0, s1 = profile_curve(m, which, rho0, rho1)

    def parts(s):
        (x, z), (dx, dz), (ddx, ddz) = P(s), D1(s), D2(s)
        speed = np.hypot(dx, dz)
        nx, nz = dz / speed, -dx / speed  # a unit normal; turned to point behind
        behind = np.sign(np.where(which == "main", -nz, (x * nx + (z - focus_z) * nz)))
        nx, nz = nx * behind, nz * behind
        k = (nx * ddx + nz * ddz) / speed ** 2
        return x, speed, nx, k

    area = gauss(lambda s: 2 * math.pi * parts(s)[0] * parts(s)[1], s0, s1)

    def shell(s):
        x, speed, nx, k = parts(s)
        return 2 * math.pi * speed * (x * T + (nx - x * k) * T ** 2 / 2 - nx * k * T ** 3 / 3)

    return area, gauss(shell, s0, s1)


def check_step(name, m, d, rows):
    farthest = 0.0
    for degree, ctrl, weights, knots in step_bsplines(d + "/a.step"):
        pts = nurbs(ctrl, weights, knots, degree)
        # Meridians of the (parent) surfaces of revolution: on one of the conics.
        dist = np.minimum(m.distance3("main", pts), m.distance3("sub", pts))
        expect(dist.max() <= 1e-9 * m.DM, "%s: a STEP B-spline is %.3g from the conics" % (name, dist.max()))
        farthest = max(farthest, dist.max() / m.DM)
    print("%s: the STEP text's B-splines within %.1e DM of the conics" % (name, farthest))
    if not os.path.exists(PROBE):
        return
    shapes = probe(d + "/a.step", "M")
    expect(len(shapes) == 2 and all(len(s["face"]) == 1 for s in shapes),
           "%s: STEP read back as %s" % (name, [len(s["face"]) for s in shapes]))
    T = float(f32(0.01 * m.DM))  # as the program reads it
    r = run(DESIGNS[name] + ["unit=m", "--step", "t.step", "--thickness", repr(T)], d)
    expect(r.returncode == 0, "%s --thickness: %s" % (name, r.stderr))
    thick = probe(d + "/t.step", "M")
    expect(all(len(s["solid"]) == 1 for s in thick), "%s: solids %s" % (name, [len(s["solid"]) for s in thick]))
    for k, which in enumerate(("main", "sub")):
        got_area, got_volume = shapes[k]["face"][0], thick[k]["solid"][0]
        if m.offset:
            want_area, want_volume = offset_area(m, which), None
        else:
            rho = rows[which][:, 0].astype(float)
            want_area, want_volume = revolved(m, which, rho.min(), rho.max(), T, m.lit_from("sub")[2])
            if which == "main":  # the closed form of a paraboloidal cap (or ring)
                F = m.FM
                cap = lambda R: 8 * math.pi / 3 * F * F * ((1 + (R / (2 * F)) ** 2) ** 1.5 - 1)  # noqa: E731
                closed = cap(rho.max()) - cap(rho.min())
                expect(abs(closed - want_area) <= 1e-12 * closed, "%s: the quadrature misses the closed form" % name)
        err = abs(got_area - want_area) / want_area
        expect(err <= 1e-9, "%s %s: area %.15g, want %.15g (%.2g)" % (name, which, got_area, want_area, err))
        measured = "%s %s: area off by %.1e" % (name, which, err)
        if want_volume is not None:
            err = abs(got_volume - want_volume) / want_volume
            expect(err <= 1e-9, "%s %s: volume %.15g, want %.15g (%.2g)" % (name, which, got_volume, want_volume, err))
            measured += ", volume by %.1e" % err
        print(measured)


def offset_area(m, which):
    """The area of the trimmed surface, integrated over the aperture or the feed cone."""
    xg, wg = np.polynomial.legendre.leggauss(96)
    th = np.linspace(0, 2 * math.pi, 512, endpoint=False)
    if which == "main":
        R, F = m.DM / 2, m.FM
        r = 0.5 * R * (xg + 1)
        x = m.H + r[:, None] * np.cos(th)
        y = r[:, None] * np.sin(th)
        f = np.sqrt(1 + (x * x + y * y) / (4 * F * F)) * r[:, None]
        return float(0.5 * R * wg @ f.sum(axis=1) * (2 * math.pi / len(th)))
    row = m.row
    c = m.conic
    te = math.radians(row["TE"])
    axis, across = m.axes
    psi = 0.5 * te * (xg + 1)
    u = (np.cos(psi)[:, None, None] * axis + np.sin(psi)[:, None, None] *
         (np.cos(th)[None, :, None] * across + np.sin(th)[None, :, None] * np.array([0, 1.0, 0])))
    p, s = c.along(u)
    g = (p - c.feed) / np.linalg.norm(p - c.feed, axis=-1)[..., None] + c.sign * p / np.linalg.norm(p, axis=-1)[..., None]
    cos = np.abs(np.einsum("ijk,ijk->ij", g, u)) / np.linalg.norm(g, axis=-1)
    f = s ** 2 / cos * np.sin(psi)[:, None]
    return float(0.5 * te * wg @ f.sum(axis=1) * (2 * math.pi / len(th)))


def main():
    d = tempfile.mkdtemp(prefix="refldsgn-cad-")
    try:
        for name, args in DESIGNS.items():
            row = solved_rows(SOLVE, args, cwd=d)[0]
            m = model_of(name, row)
            if m.offset:
                m.row, m.axes = row, fr_axes(row)
            tolerance = 1e-5 * m.DM
            for f in os.listdir(d):
                os.remove(os.path.join(d, f))
            r = run(args + ["unit=m", "--dxf", "a.dxf", "--stl", "a.stl", "--step", "a.step", "--profile", "p.csv"], d)
            expect(r.returncode == 0, "%s: %s" % (name, r.stderr))
            samples = profile(d + "/p.csv")
            check_dxf(name, m, d, samples)
            counts = check_stl(name, m, d, tolerance)
            check_step(name, m, d, samples)
            print("%s: %d + %d triangles, vertices within %.2f ulps, centroids within %.2f and triangles within "
                  "%.2f of the tolerance" % (
                name, counts["main"], counts["sub"], *counts["worst"]))
        units_and_counts(d)
        failures(d)
        shop_example(d)
        freecad(d)
    finally:
        shutil.rmtree(d)
    finish()


def fr_axes(row):
    """The feed axis and its in-plane normal, from the feed angle the row gives."""
    beta, alpha = math.radians(row["BETA"]), math.radians(row["ALPHA"])
    tilt = beta - (-alpha if row["type"] == "cassegrain" else alpha)
    return np.array([math.sin(tilt), 0, math.cos(tilt)]), np.array([math.cos(tilt), 0, -math.sin(tilt)])


def units_and_counts(d):
    import ezdxf
    # $INSUNITS for each unit, none when no unit is given.
    for unit, code in ((None, 0), ("in", 1), ("ft", 2), ("mm", 4), ("cm", 5), ("m", 6)):
        r = run(DISH + (["unit=" + unit] if unit else []) + ["--dxf", "u.dxf"], d)
        got = ezdxf.readfile(d + "/u.dxf").header.get("$INSUNITS")
        expect(r.returncode == 0 and got == code, "unit %s: $INSUNITS %s" % (unit, got))
    # The declared unit: the 6 m dish measures 6000 mm however it is given.
    if os.path.exists(PROBE):
        for args in (DISH + ["unit=m"], ["type=cassegrain", "DM=6000", "FM=2520", "DS=350", "TE=2.04624", "unit=mm"],
                     ["type=cassegrain", "DM=236.22047", "FM=99.212598", "DS=13.779528", "TE=2.04624", "unit=in"],
                     ["type=cassegrain", "DM=19.685039", "FM=8.2677165", "DS=1.1482939", "TE=2.04624", "unit=ft"]):
            r = run(args + ["--step", "u.step"], d)
            box = probe(d + "/u.step", "MM")[0]["box"]  # noqa
            width = box[3] - box[0]
            expect(r.returncode == 0 and abs(width - 6000) < 1e-3, "%s: the dish is %.6f mm wide" % (args[-1], width))
    # The triangle count follows the tolerance: a quarter of it, four times the triangles.
    counts = []
    for t in ("1e-4", "2.5e-5"):
        run(DISH + ["--stl", "c.stl", "--tolerance", t], d)
        counts.append(len(read_stl(d + "/c.stl")))
    expect(3.5 < counts[1] / counts[0] < 4.5, "triangles %s at tolerances 1e-4 and 2.5e-5" % counts)
    print("6 m dish at 0.1 mm: %d triangles" % counts[0])


def shop_example(d):
    """The machine-shop example of --help, the manual page and the README runs as written there."""
    text = subprocess.run([SOLVE, "--help"], stdout=subprocess.PIPE, text=True).stdout
    command = re.search(r"refldsgn-solve (type=cassegrain DM=6000 (?:[^\n\\]|\\\n)*)", text).group(1)
    args = command.replace("\\\n", " ").split()
    here = os.path.dirname(os.path.abspath(__file__))
    for doc in (os.path.join(here, "..", "..", "README.md"), os.path.join(here, "..", "..", "doc", "refldsgn-solve.1")):
        written = " ".join(open(doc).read().replace("\\e\n", " ").replace("\\\n", " ").split())
        expect(" ".join(args) in written, "%s does not give the example of --help" % os.path.basename(doc))
    work = os.path.join(d, "shop")
    os.mkdir(work)
    r = run(args, work)
    expect(r.returncode == 0 and sorted(os.listdir(work)) == ["dish.dxf", "dish.step", "dish.stl"],
           "the machine-shop example: status %d, %s, %s" % (r.returncode, os.listdir(work), r.stderr))


def failures(d):
    # Bad values, and options that need another, are input errors: nothing written.
    for extra, words in ((["--stl", "x.stl", "--tolerance", "0"], "positive"),
                         (["--stl", "x.stl", "--tolerance", "-1e-3"], "positive"),
                         (["--stl", "x.stl", "--tolerance", "nan"], "positive"),
                         (["--stl", "x.stl", "--tolerance", "1e-30"], "larger one"),
                         (["--step", "x.step", "unit=m", "--thickness", "abc"], "positive"),
                         (["--step", "x.step", "unit=m", "--thickness", "6"], "cross itself"),
                         (["--step", "x.step"], "unit"),
                         (["--stl", "x.stl", "--thickness", "1"], "--step"),
                         (["--dxf-r12"], "--dxf"),
                         (["--dxf", "x.dxf", "--main-range", "-1:6:0.3"], "below zero")):
        r = run(DISH + extra + ["-o", "x.csv"], d)
        expect(r.returncode == 2 and words in r.stderr, "%s: status %d, %s" % (extra, r.returncode, r.stderr.strip()))
        written = [f for f in os.listdir(d) if f.startswith("x.")]
        expect(not written, "%s: written %s" % (extra, written))
        for f in written:
            os.remove(os.path.join(d, f))
    # An unwritable path: status 1 with the message; the files before it are
    # whole, the file itself absent.
    r = run(DISH + ["unit=m", "--dxf", "ok.dxf", "--stl", "no/such/dir.stl", "--step", "late.step"], d)
    expect(r.returncode == 1 and "no/such/dir.stl" in r.stderr and "No such file" in r.stderr, r.stderr)
    expect(os.path.exists(d + "/ok.dxf") and not os.path.exists(d + "/late.step"), "files after the failure")
    # A write that fails part way leaves the old file as it was, and no temporary file.
    open(d + "/big.stl", "w").write("old")
    r = subprocess.run(["bash", "-c", 'ulimit -f 1024; exec "$0" "$@"', SOLVE] + DISH + ["--stl", "big.stl", "--tolerance", "1e-5"],
                       cwd=d, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    left = sorted(f for f in os.listdir(d) if f.startswith("big") or f.startswith(".refldsgn"))
    expect(r.returncode == 1 and "File too large" in r.stderr and left == ["big.stl"] and open(d + "/big.stl").read() == "old",
           "a cut STL: status %d, %s, %s" % (r.returncode, r.stderr.strip(), left))
    # A link is written through, not replaced.
    open(d + "/target.dxf", "w").write("old")
    os.symlink("target.dxf", d + "/link.dxf")
    r = run(DISH + ["--dxf", "link.dxf"], d)
    expect(r.returncode == 0 and os.path.islink(d + "/link.dxf") and open(d + "/target.dxf").read().startswith("0\nSECTION"),
           "a DXF through a link: %s" % r.stderr)
    r = run(DISH + ["unit=m", "--step", "/dev/full"], d)
    expect(r.returncode == 1, "STEP to a full device: status %d, %s" % (r.returncode, r.stderr.strip()))
    # A program without its STEP component says what to install, and writes nothing.
    alone = d + "/alone"
    os.mkdir(alone)
    shutil.copy(SOLVE, alone)
    r = subprocess.run([alone + "/refldsgn-solve"] + DISH + ["unit=m", "--dxf", "n.dxf", "--step", "n.step"], cwd=alone,
                       stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    expect(r.returncode == 2 and "libocct-data-exchange-dev" in r.stderr and os.listdir(alone) == ["refldsgn-solve"],
           "no STEP component: status %d, %s" % (r.returncode, r.stderr.strip()))


def freecad(d):
    """FreeCAD imports the 5 mm solids of the 6 m dish with the volume OpenCASCADE measures."""
    tool = shutil.which("freecadcmd") or shutil.which("FreeCADCmd")
    if tool is None:
        print("SKIP (part): FreeCAD is not installed; the STEP file is not imported into it")
        return
    r = run(DISH + ["unit=m", "--step", "fc.step", "--thickness", "0.005"], d)
    expect(r.returncode == 0, "fc.step: %s" % r.stderr)
    code = "import Part\ns = Part.read(%r)\nprint('READ', len(s.Solids), len(s.Faces), repr(s.Volume))\n" % (d + "/fc.step")
    out = subprocess.run([tool, "-c", code], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=300).stdout
    found = re.search(r"READ (\d+) (\d+) (\S+)", out)
    want = sum(sum(s["solid"]) for s in probe(d + "/fc.step", "MM")) if os.path.exists(PROBE) else None
    expect(found is not None and found.group(1) == "2" and want is not None and
           abs(float(found.group(3)) - want) <= 1e-9 * want, "FreeCAD: %s (want 2 solids, %s mm3)" % (out[-300:], want))
    if found:
        print("FreeCAD reads %s solids, %s faces, %s mm3" % found.groups())


if __name__ == "__main__":
    main()
