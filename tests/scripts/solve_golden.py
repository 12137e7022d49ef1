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
from golden_studies import studies

bin_dir, tests_dir = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
make = "--make" in sys.argv[3:]
SOLVE = os.path.join(bin_dir, "refldsgn-solve")
GOLDEN = os.path.join(tests_dir, "golden")

# The same through cassbeam (--analyze): the rows with their extra columns.
ANALYZE = [["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=1.6:2.4:0.8", "unit=m", "freq=100", "taper=12",
            "--analyze"],
           ["type=-1", "DM=100", "LM=10", "LS=30", "FDE=0.5", "unit=m", "freq=10", "--analyze"]]
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
