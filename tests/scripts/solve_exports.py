#!/usr/bin/env python3
"""Surface files from refldsgn-solve: byte for byte what the export dialogue
of refldsgn writes for the same design and ranges (a mode-1 Cassegrain and a
mode-2 Gregorian with the phase centre, all four files), the default ranges,
the profile CSV against the .rsf points, and the input and I/O errors."""
import csv
import filecmp
import os
import subprocess
import sys
import tempfile

from checklist import expect, finish

bin_dir = os.path.abspath(sys.argv[1])
SOLVE = os.path.join(bin_dir, "refldsgn-solve")
DIALOGUE = os.path.join(bin_dir, "refldsgn")


def run(args, cwd):
    return subprocess.run([SOLVE] + args, cwd=cwd, capture_output=True, text=True)


# (dialogue answers before the export step, the export design's answer,
#  the same design for refldsgn-solve, ranges, z offset, direction, label, unit)
SESSIONS = [
    ("cassegrain mode 1 case 6",
     ["1", "6", "-1", "1", "2.52", "0.35", "2.04624", "6,6,1"], "6",
     ["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624"],
     ("0,6,0.3", "0.1,6.2,0.7"), "0.25", "1", "six metre", ("4", "3")),
    ("gregorian mode 2 case 1 with phase centre",
     ["2", "1", "1", "2", "1", "0.5", "1", "40", "10", "100,100,1"], "100",
     ["type=gregorian", "DM=100", "FM=40", "LM=10", "DF=2", "LP=0.5"],
     ("-10,100,5", "0,3.2,0.1"), "-3", "-1", "a Gregorian label that is long enough", ("1", "2")),
]
UNIT_NAMES = {"1": "in", "2": "ft", "3": "mm", "4": "m"}


def count(start, stop, step):
    return int((float(stop) - float(start)) / float(step) + 1.3999999761581421)


with tempfile.TemporaryDirectory() as work:
    for name, before, value, solve_args, (main_r, sub_r), zoff, direction, label, (u_main, u_sub) in SESSIONS:
        d_dir = os.path.join(work, "dialogue")
        s_dir = os.path.join(work, "solve")
        for d in (d_dir, s_dir):
            os.makedirs(d, exist_ok=True)
        n_main = count(*main_r.split(","))
        n_sub = count(*sub_r.split(","))
        ms, me, _ = main_r.split(",")
        ss, se, _ = sub_r.split(",")
        answers = ["report.txt", "y"] + before + [value,
                   "y", "main.rsf", zoff, main_r, direction, label,
                   "y", "main.champ", u_main, "%s,%s,%d" % (ms, me, n_main),
                   "y", "sub.rsf", sub_r, label,
                   "y", "sub.champ", u_sub, "%s,%s,%d" % (ss, se, n_sub),
                   "0", "0"]
        subprocess.run([DIALOGUE], input="\n".join(answers) + "\n", text=True, cwd=d_dir, check=True,
                       stdout=subprocess.DEVNULL)
        # The CHAMP unit comes from unit=; the two CHAMP files of the dialogue
        # may differ in it, so each is made by its own run.
        common = solve_args + ["--main-range", main_r.replace(",", ":"), "--sub-range", sub_r.replace(",", ":"),
                               "--zoffset", zoff, "--label", label] + (["--reverse"] if direction == "-1" else [])
        r1 = run(common + ["unit=" + UNIT_NAMES[u_main], "--rsf-main", "main.rsf", "--rsf-sub", "sub.rsf",
                           "--champ-main", "main.champ"], s_dir)
        r2 = run(common + ["unit=" + UNIT_NAMES[u_sub], "--champ-sub", "sub.champ"], s_dir)
        expect(r1.returncode == 0 and r2.returncode == 0, "%s: %s %s" % (name, r1.stderr, r2.stderr))
        for f in ["main.rsf", "sub.rsf", "main.champ", "sub.champ"]:
            a, b = os.path.join(d_dir, f), os.path.join(s_dir, f)
            same = os.path.exists(a) and os.path.exists(b) and filecmp.cmp(a, b, shallow=False)
            expect(same, "%s: %s differs from the export dialogue's" % (name, f))

    # Default ranges: 0:DM:DM/20 and 0:DS:DS/20, 21 samples each; the label
    # names type, mode and case.
    six = ["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624"]
    r = run(six + ["--rsf-main", "m.rsf", "--rsf-sub", "s.rsf", "--champ-sub", "s.champ", "--profile", "p.csv"], work)
    expect(r.returncode == 0, r.stderr)
    rsf = open(os.path.join(work, "m.rsf")).read().splitlines()
    expect(rsf[0] == "cassegrain mode 1 case 6".ljust(40), "default label %r" % rsf[0])
    expect(rsf[1] == "  21   1   0" and len(rsf) == 23, "default main range: %r" % rsf[1])
    expect(rsf[-1].split()[0] == "3.000000E+00", "last main sample at DM/2: %r" % rsf[-1])
    champ = open(os.path.join(work, "s.champ")).read()
    expect("zsub21" in champ and "zsub22" not in champ and ' m ,' in champ, "default sub CHAMP nodes and unit")
    # Centimetres, which the command line adds to the dialogue's four units.
    r = run(["type=cassegrain", "DM=600", "FM=252", "DS=35", "TE=2.04624", "unit=cm", "--champ-sub", "cm.champ"], work)
    champ = open(os.path.join(work, "cm.champ")).read()
    expect(r.returncode == 0 and ' cm,' in champ and "length_unit      : cm," in champ, "CHAMP in cm: %s" % champ[:400])
    prof = list(csv.reader(open(os.path.join(work, "p.csv"))))
    expect(prof[0] == ["reflector", "rho", "z", "dz_drho"] and len(prof) == 43, "profile rows %d" % len(prof))
    sub = [r for r in prof[1:] if r[0] == "sub"]
    srsf = open(os.path.join(work, "s.rsf")).read().splitlines()[2:]
    for row, line in zip(sub, srsf):
        rho, z = (float(x) for x in line.split())
        expect(abs(float(row[1]) - rho) < 1e-6 and abs(float(row[2]) - z) < 1e-6 * max(1, abs(z)),
               "profile %s vs .rsf %s" % (row, line))
    main = [r for r in prof[1:] if r[0] == "main"]
    expect(all(abs(float(s) - float(r) / (2 * 2.52)) < 1e-6 for _, r, _, s in main), "main slope rho/(2 FM)")
    # The slope of the subreflector profile is its height's derivative.
    for a, b in zip(sub, sub[1:]):
        mid = (float(a[3]) + float(b[3])) / 2
        fd = (float(b[2]) - float(a[2])) / (float(b[1]) - float(a[1]))
        expect(abs(mid - fd) < 1e-3 * max(1, abs(fd)), "sub slope %s vs %s" % (mid, fd))

    # Input errors: status 2 and no file at all.
    ERRORS = [
        (["--at", "0"], "--at 0"),
        (["--at", "2"], "1 row"),
        (["--main-range", "0:6"], "START:STOP:STEP"),
        (["--main-range", "6:0:1"], "no samples"),
        (["--main-range", "0:6:0"], "no samples"),
        (["--champ-main", "x.champ", "--main-range", "0:6:0.001"], "2 to 999"),
        (["--champ-main", "x.champ", "--main-range", "3:3:1"], "2 to 999"),
        (["--label", "x" * 41], "40 characters"),
        (["--zoffset", "abc"], "--zoffset"),
        (["unit=yd"], "unit must be in, ft, mm, cm or m"),
    ]
    for extra, message in ERRORS:
        with tempfile.TemporaryDirectory() as empty:
            r = run(six + ["--rsf-main", "a.rsf", "--rsf-sub", "b.rsf"] + extra, empty)
            expect(r.returncode == 2 and message in r.stderr and r.stdout == "" and not os.listdir(empty),
                   "%s: status %d, %r, files %s" % (extra, r.returncode, r.stderr, os.listdir(empty)))
    with tempfile.TemporaryDirectory() as empty:
        r = run(["type=-1", "DM=2", "LS=1", "DS=19", "TE=84", "--rsf-main", "a.rsf"], empty)
        expect(r.returncode == 2 and "no solution" in r.stderr and not os.listdir(empty), "no-solution export")
        # An export path that cannot be written: status 1 and a message; the
        # files written before it are whole.
        r = run(six + ["--rsf-main", "a.rsf", "--champ-main", "missing/b.champ"], empty)
        expect(r.returncode == 1 and "cannot write missing/b.champ" in r.stderr, "unwritable export: %r" % r.stderr)
        expect(open(os.path.join(empty, "a.rsf")).read().count("\n") == 23, "the file before it is whole")

finish()
