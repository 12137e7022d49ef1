#!/usr/bin/env python3
"""Fuzzing the CAD files of refldsgn-solve with random designs.

Usage: cad_fuzz.py BIN_DIR [--runs N] [--seed S] [--jobs J]

Each run is a random design of mode 1 or 3 over five decades of size (many
of them failing their checks), in a random unit, with --dxf, --stl and
--step and often --thickness.  It must end with status 0 or 3 (a warning
about the row's checks at most), or 1 or 2 with one line naming the
culprit.  A STEP file written must read back (tests/step_probe, when built)
as two products, each with a face (or a solid with --thickness).
"""
import argparse
import concurrent.futures
import os
import random
import subprocess
import tempfile


def design(rng):
    t = rng.choice(["cassegrain", "gregorian", "prime"])
    DM = 10 ** rng.uniform(-2, 4)
    out = ["type=" + t, "DM=%.6g" % DM, "unit=" + rng.choice(["m", "mm", "in", "ft"])]
    if t == "prime":  # one reflector, axisymmetric or offset
        out.append("FM=%.6g" % (DM * rng.uniform(0.2, 1.5)))
        return out + (["H=%.6g" % (DM * rng.uniform(0, 1.5))] if rng.random() < 0.5 else [])
    if rng.random() < 0.5:
        return out + ["FM=%.6g" % (DM * rng.uniform(0.2, 1.5)), "DS=%.6g" % (DM * rng.uniform(0.02, 0.3)),
                      "TE=%.6g" % rng.uniform(1, 60)]
    e = rng.uniform(0.05, 0.9) if t == "gregorian" else rng.uniform(1.1, 4)
    shape = rng.choice(["BETA=%.4g" % rng.uniform(-30, 30), "E=%.4g" % e, "ALPHA=%.4g" % rng.uniform(-40, 40)])
    return out + ["FM=%.6g" % (DM * rng.uniform(0.3, 2)), "H=%.6g" % (DM * rng.uniform(0, 1.5)), shape,
                  "DS=%.6g" % (DM * rng.uniform(0.05, 0.6))]


def one(program, probe, seed):
    rng = random.Random(seed)
    args = design(rng) + ["--dxf", "a.dxf", "--stl", "a.stl", "--step", "a.step", "-o", os.devnull]
    thick = rng.random() < 0.5
    if thick:
        args += ["--thickness", "%.4g" % (float(args[1][3:]) * 10 ** rng.uniform(-4, -1))]
    with tempfile.TemporaryDirectory() as work:
        try:
            r = subprocess.run([program] + args, cwd=work, capture_output=True, text=True, timeout=300)
        except subprocess.TimeoutExpired:
            return args, "timeout"
        lines = r.stderr.splitlines()
        warned = lines[:1] and lines[0].startswith("refldsgn-solve: warning: row ")
        said = lines[1:] if warned else lines
        if r.returncode in (0, 3) and said:
            return args, "status %d with %r" % (r.returncode, r.stderr[-400:])
        if r.returncode in (1, 2) and (len(said) != 1 or not said[0].startswith("refldsgn-solve: ")):
            return args, "status %d with %r" % (r.returncode, r.stderr[-400:])
        if r.returncode not in (0, 1, 2, 3):
            return args, "status %d with %r" % (r.returncode, r.stderr[-400:])
        if r.returncode in (0, 3) and probe:
            try:
                p = subprocess.run([probe, os.path.join(work, "a.step"), "MM"], capture_output=True, text=True, timeout=300)
            except subprocess.TimeoutExpired:
                return args, "the STEP file takes over 300 s to read back"
            shapes = p.stdout.split("shape ")[1:]
            reflectors = 1 if args[0] == "type=prime" else 2
            if p.returncode != 0 or len(shapes) != reflectors or not all(("solid" if thick else "face") in s for s in shapes):
                return args, "STEP read back as %r" % (p.stdout + p.stderr)[-400:]
    return None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("bin_dir")
    ap.add_argument("--runs", type=int, default=500)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--jobs", type=int, default=2)
    a = ap.parse_args()
    program = os.path.join(os.path.abspath(a.bin_dir), "refldsgn-solve")
    probe = os.path.join(os.path.abspath(a.bin_dir), "tests", "step_probe")
    probe = probe if os.path.exists(probe) else None
    failures = 0
    with concurrent.futures.ThreadPoolExecutor(a.jobs) as pool:
        for found in pool.map(lambda s: one(program, probe, s), range(a.seed, a.seed + a.runs)):
            if found:
                failures += 1
                print("FAIL", " ".join(found[0]), "\n   ", found[1])
    print("CAD files: %d runs, %d failures" % (a.runs, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    raise SystemExit(main())
