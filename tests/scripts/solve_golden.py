#!/usr/bin/env python3
"""refldsgn-solve writes the same bytes as the build these files were made
with: every mode and case, both types, sweeps and grids, rows that fail
their checks, in all three formats (tests/golden/solve-*.txt).  The
studies run once with the default number of jobs, once with -j 1 and once
with -j 2 where the program takes it.

    solve_golden.py BIN_DIR TESTS_DIR            compare
    solve_golden.py BIN_DIR TESTS_DIR --make     write the files anew
"""
import os
import shutil
import subprocess
import sys

from checklist import expect, finish

bin_dir, tests_dir = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
make = "--make" in sys.argv[3:]
SOLVE = os.path.join(bin_dir, "refldsgn-solve")
GOLDEN = os.path.join(tests_dir, "golden")

# Consistent designs (ten times the reference designs) with the feed
# diameters of minimum blockage, without and with LP = 0.5.
DESIGNS = {
    "cassegrain": dict(DM=20, FM=10, LM=2, DS=3.18367, LS=6.5, TE=13.1639, DF=2.54694, DF_LP=2.38776),
    "gregorian": dict(DM=20, FM=10, LM=2, DS=3.80952, LS=10, TE=11.4212, DF=3.04762, DF_LP=2.85714),
}
MODE1 = [("DM", "LM", "LS", "TE"), ("DM", "FM", "LM", "TE"), ("DM", "FM", "LS", "TE"), ("FM", "DS", "LS", "TE"),
         ("LM", "DS", "LS", "TE"), ("DM", "FM", "DS", "TE"), ("DM", "DS", "LS", "TE")]
MODE2 = [("DM", "FM", "LM"), ("DM", "FM", "TE"), ("DM", "FM", "DS"), ("DM", "LM", "DS"), ("DM", "DS", "TE"),
         ("DM", "LM", "TE"), ("DM", "LS", "TE")]


def sweep(v):
    return "%g:%g:%g" % (v * 0.96, v * 1.04 + 1e-9, v * 0.04)


def studies():
    """Argument lists: each case of each mode with its first quantity swept
    over three rows, then grids, FDE, and designs that fail checks."""
    out = []
    for t, d in DESIGNS.items():
        for i, qs in enumerate(MODE1):
            args = ["type=" + t] + ["%s=%s" % (q, sweep(d[q]) if k == 0 else "%g" % d[q]) for k, q in enumerate(qs)]
            if i == 3:
                args[-1] = "FDE=1.2:1.6:0.2"
            out.append(args)
        for phase in (False, True):
            for qs in MODE2:
                args = ["type=" + t] + ["%s=%s" % (q, sweep(d[q]) if k == 0 else "%g" % d[q]) for k, q in enumerate(qs)]
                args.append("DF=%g" % (d["DF_LP"] if phase else d["DF"]))
                if phase:
                    args.append("LP=0.5")
                out.append(args)
    out += [
        ["type=-1", "DM=100:120:10", "LM=10", "LS=30", "FDE=0.5:1.5:0.5"],       # grid, non-positive
        ["type=1", "FM=8:12:2", "DM=20", "LM=2", "TE=10:12:1"],                   # grid of mode 1 case 2
        ["type=-1", "DM=20", "FM=10", "TE=12:14:1", "DF=2:3:0.5", "LP=0.5"],     # grid of mode 2
        ["type=-1", "DM=2", "LS=1", "DS=19", "TE=84"],                           # no-solution
        ["type=1", "DM=2", "FM=1", "TE=11.4212", "DF=-0.3"],                     # no-solution, non-positive
        ["type=-1", "DM=2", "FM=1", "DS=0.3", "TE=0:90:45"],                     # non-finite, angle-range
        ["type=-1", "DM=3e38", "FM=3e38", "DS=3e38", "TE=10"],                   # overflow
        ["type=-1", "DM=1e-38", "FM=2e-38", "DS=1e-45", "TE=1e-5"],              # denormals
        ["type=1", "DM=20", "FM=10", "DS=25", "TE=11"],                           # sub-not-smaller
        ["type=1", "DM=20", "FM=10", "DS=3", "DF=4"],                             # feed-not-smaller
        ["type=-1", "DM=20", "FM=10", "LM=2", "DF=2.54694", "LP=-1:40:20"],      # feed-beyond-focus
        ["type=-1", "DM=-6", "FM=2.52", "DS=0.35", "TE=2.04624"],
        ["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624", "unit=mm", "freq=100", "taper=12"],
    ]
    return out


# The same through cassbeam (--analyze): the rows with their extra columns.
ANALYZE = [["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=1.6:2.4:0.8", "freq=100", "taper=12", "--analyze"],
           ["type=-1", "DM=100", "LM=10", "LS=30", "FDE=0.5", "freq=10", "--analyze"]]
have_cassbeam = shutil.which("cassbeam") is not None
if not have_cassbeam:
    print("cassbeam is not installed: the --analyze studies are not compared")


def outputs(extra):
    text = {}
    for fmt in ("table", "csv", "json"):
        parts = []
        for args in studies() + (ANALYZE if have_cassbeam else []):
            r = subprocess.run([SOLVE] + args + ["-f", fmt] + extra, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
            expect(r.returncode == 0, "%s -f %s: status %d %s" % (args, fmt, r.returncode, r.stderr))
            parts.append(b"### " + " ".join(args).encode() + b"\n" + r.stdout)
        text[fmt] = b"".join(parts)
    return text


def path(fmt):
    return os.path.join(GOLDEN, "solve-%s.txt" % fmt)


if make:
    expect(have_cassbeam, "the files need cassbeam")
    for fmt, data in outputs([]).items():
        with open(path(fmt), "wb") as f:
            f.write(data)
    finish()

jobs_known = b"--jobs" in subprocess.run([SOLVE, "--help"], stdout=subprocess.PIPE).stdout
for extra in ([], ["-j", "1"], ["-j", "2"]) if jobs_known else ([],):
    for fmt, data in outputs(extra).items():
        with open(path(fmt), "rb") as f:
            want = f.read()
        if not have_cassbeam:
            want = want[:want.index(b"### " + " ".join(ANALYZE[0]).encode())]
        if data != want:
            at = next((i for i in range(min(len(data), len(want))) if data[i] != want[i]), min(len(data), len(want)))
            expect(False, "%s %s: differs at byte %d: %r, expected %r" % (
                fmt, " ".join(extra), at, data[max(0, at - 60):at + 40], want[max(0, at - 60):at + 40]))
finish()
