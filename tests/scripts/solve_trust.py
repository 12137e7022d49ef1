#!/usr/bin/env python3
"""What a user must be able to trust of refldsgn-solve: no output lost to
another output or to an input of the same run (however the two are named),
no impossible offset design passing its checks, given values shown as
given, sweeps that stop at STOP, messages that say what to do, notes that
explain each failed check, and files that are the same bytes run after run
(SOURCE_DATE_EPOCH fixes the one time stamp, STEP's)."""
import csv
import hashlib
import io
import json
import os
import subprocess
import sys
import tempfile
import time

from checklist import expect, finish

bin_dir = os.path.abspath(sys.argv[1])
SOLVE = os.path.join(bin_dir, "refldsgn-solve")
HAVE_STEP = os.path.exists(os.path.join(bin_dir, "refldsgn-step.so"))


def run(args, cwd=None, env=None):
    return subprocess.run([SOLVE] + args, cwd=cwd, env=env, capture_output=True, text=True)


def csv_rows(args):
    r = run(args + ["-f", "csv"])
    expect(r.returncode == 0, "%s: status %d %s" % (args, r.returncode, r.stderr))
    return list(csv.DictReader(io.StringIO(r.stdout)))


def snapshot(folder):
    """Every file of a folder (links as links) with its bytes' digest."""
    out = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        if os.path.islink(path):
            out[name] = "-> " + os.readlink(path)
        elif os.path.isdir(path):
            out[name] = snapshot(path)
        else:
            out[name] = hashlib.sha256(open(path, "rb").read()).hexdigest()
    return out


CASS6 = ["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624"]
GREG24 = ["type=gregorian", "DM=24", "FM=18", "H=18"]

# ------------------------------------------------------------ file clashes
# (arguments, the two option names the message must give); each run is
# an input error that writes nothing and leaves every file as it was.
CLASHES = [
    (["@study.txt", "-o", "study.txt"], ("-o study.txt", "@study.txt")),
    (["@study.txt", "-o", "./sub/../study.txt"], ("-o", "@study.txt")),
    (CASS6[:-1] + ["TE=2:3:1", "--svg", "same.svg", "--plot", "same.svg"], ("--svg same.svg", "--plot same.svg")),
    (CASS6 + ["-o", "out.svg", "--svg", "out.svg"], ("-o out.svg", "--svg out.svg")),
    (CASS6 + ["unit=mm", "--stl", "o.stl", "--step", "o.stl"], ("--stl o.stl", "--step o.stl")),
    (CASS6 + ["--rsf-main", "r.rsf", "--rsf-sub", "./r.rsf"], ("--rsf-main r.rsf", "--rsf-sub ./r.rsf")),
    (CASS6 + ["--rsf-main", "old.rsf", "--rsf-sub", "link.rsf"], ("--rsf-main old.rsf", "--rsf-sub link.rsf")),
    (CASS6 + ["--rsf-main", "old.rsf", "--champ-sub", "hard.rsf"], ("--rsf-main old.rsf", "--champ-sub hard.rsf")),
    (CASS6 + ["--dxf", "dangling.lnk", "--profile", "new.csv"], ("--dxf dangling.lnk", "--profile new.csv")),
    (CASS6 + ["unit=m", "freq=10", "--cassbeam", "cb", "-o", "cb.geom"], ("-o cb.geom", "--cassbeam cb.geom")),
    (CASS6 + ["--html", "page.html", "--svg", "sub/../page.html"], ("--html page.html", "--svg sub/../page.html")),
    (GREG24 + ["DS=10", "BETA=5.6", "--sfc-main", "s.sfc", "--sfc-sub", "s.sfc"], ("--sfc-main", "--sfc-sub")),
    (GREG24 + ["DS=10", "BETA=5.6", "--sketch", "old.rsf", "--tor", "hard.rsf", "unit=m"], ("--sketch", "--tor")),
]
with tempfile.TemporaryDirectory() as work:
    os.mkdir(os.path.join(work, "sub"))
    with open(os.path.join(work, "study.txt"), "w") as f:
        f.write("type = cassegrain\nDM = 6\nFM = 2.52\nDS = 0.35\nTE = 2.04624\n")
    with open(os.path.join(work, "old.rsf"), "w") as f:
        f.write("kept\n")
    os.symlink("old.rsf", os.path.join(work, "link.rsf"))
    os.link(os.path.join(work, "old.rsf"), os.path.join(work, "hard.rsf"))
    os.symlink("new.csv", os.path.join(work, "dangling.lnk"))
    before = snapshot(work)
    for args, (first, second) in CLASHES:
        r = run(args, cwd=work)
        lines = r.stderr.splitlines()
        expect(r.returncode == 2 and len(lines) == 1, "%s: status %d, %r" % (args, r.returncode, r.stderr))
        expect(first in r.stderr and second in r.stderr, "%s: the message %r names not both %s and %s" % (
            args, r.stderr, first, second))
        expect(snapshot(work) == before, "%s: files changed: %s" % (args, sorted(set(snapshot(work)) ^ set(before))))
    # Devices are shared freely, and distinct names are no clash.
    r = run(CASS6 + ["--svg", "/dev/null", "--rsf-main", "/dev/null", "-o", "/dev/null"], cwd=work)
    expect(r.returncode == 0, "/dev/null thrice: %s" % r.stderr)
    r = run(["@study.txt", "--rsf-main", "m.rsf", "--rsf-sub", "s.rsf", "-o", "out.csv", "-f", "csv"], cwd=work)
    expect(r.returncode == 0 and all(os.path.exists(os.path.join(work, n)) for n in ("m.rsf", "s.rsf", "out.csv")),
           "distinct files: %s" % r.stderr)

# ------------------------------------------------- offset designs checked
# (arguments, codes that must be reported, codes that must not)
CHECKS = [
    (GREG24 + ["DS=10", "BETA=5.6", "DF=9"], set(), {"feed-blocks"}),   # a horn short of the sub
    (GREG24 + ["DS=10", "BETA=5.6", "DF=13"], {"feed-blocks"}, None),   # its mouth beyond the sub
    (GREG24 + ["DS=10", "BETA=5.6", "DF=15"], {"feed-blocks"}, None),
    (["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "BETA=6", "DF=8"], {"feed-blocks"}, None),
    (GREG24 + ["DS=30", "BETA=5.6"], {"sub-not-smaller"}, None),        # wider than the main
    (GREG24 + ["DS=10", "BETA=50"], {"sub-not-smaller"}, None),         # DSY 195
    (GREG24 + ["DS=10", "BETA=5.6"], set(), {"sub-not-smaller"}),
    (["type=cassegrain", "DM=45", "FM=20", "H=50", "BETA=10", "DS=10"], {"non-finite", "beyond-asymptote"}, None),
]
for args, must, must_not in CHECKS:
    rows = csv_rows(args)
    codes = set(rows[0]["check"].split(";")) - {"ok"} if rows else set()
    expect(must <= codes, "%s: %s lacks %s" % (" ".join(args), codes, must - codes))
    if must_not:
        expect(not (must_not & codes), "%s: %s has %s" % (" ".join(args), codes, must_not & codes))
    if not must:
        expect(codes == set(), "%s: %s" % (" ".join(args), codes))
# The horn of the worked Gregorian blocks from the DF where it first reaches
# anything, and keeps blocking however large it grows.
codes = [r["check"] for r in csv_rows(GREG24 + ["DS=10", "BETA=5.6", "DF=1:15:0.5"])]
first = next(i for i, c in enumerate(codes) if "feed-blocks" in c)
expect(first > 0 and all("feed-blocks" in c for c in codes[first:]), "feed-blocks along DF: %s" % codes)

# Given values show as given, and what follows from them alone shows too.
row = csv_rows(GREG24 + ["DS=10", "BETA=-5.6"])[0]
expect(row["DS"] == "10" and row["HC"] == "6" and row["TH0"] == "53.130104" and "no-solution" in row["check"],
       "a failed offset row: DS %r, HC %r, TH0 %r, %s" % (row["DS"], row["HC"], row["TH0"], row["check"]))
expect(row["ALPHA"] == "" and row["LS"] == "", "solved values of a failed row show: %s" % row)

# ------------------------------------------------------------------ sweeps
# (the value, the TE column's values)
SWEEPS = [
    ("1:30:5", ["1", "6", "11", "16", "21", "26"]),
    ("30:1:-5", ["30", "25", "20", "15", "10", "5"]),
    ("1:2:0.25", ["1", "1.25", "1.5", "1.75", "2"]),
    ("2:2:1", ["2"]),
    ("2,5,10", ["2", "5", "10"]),
    ("10,2", ["10", "2"]),
]
for value, want in SWEEPS:
    got = [r["TE"] for r in csv_rows(CASS6[:-1] + ["TE=" + value])]
    expect(got == want, "TE=%s: %s, expected %s" % (value, got, want))
rows = csv_rows(CASS6[:-2] + ["DS=0.3,0.4", "TE=1:2:1"])
expect([(r["DS"], r["TE"]) for r in rows] == [("0.3", "1"), ("0.3", "2"), ("0.4", "1"), ("0.4", "2")],
       "a list and a sweep make a grid: %s" % [(r["DS"], r["TE"]) for r in rows])
r = run(CASS6[:-1] + ["TE=2,5,10", "-f", "json"])
doc = json.loads(r.stdout) if r.returncode == 0 else {"inputs": {}, "rows": [{}]}
expect(doc["inputs"].get("TE") == [2, 5, 10], "a list in the JSON inputs: %s %s" % (doc["inputs"], r.stderr))
expect(all(x.get("checks") == [] for x in doc["rows"]), "the rows of TE=2,5,10: %s" % doc["rows"])

# ---------------------------------------------------------------- messages
# (arguments, a text the one line of status 2 must hold, one it must not)
MESSAGES = [
    (CASS6 + ["-f", "xml"], "-f takes csv, json or table", "FAILED"),
    (CASS6 + ["DM=7"], "DM is given twice on the command line", "(the command line and"),
    (CASS6[:1] + ["dm=6"] + CASS6[2:], "did you mean DM?", None),
    (CASS6[:1] + ["DN=6"] + CASS6[2:], "did you mean DM?", None),
    (CASS6 + ["tapper=10"], "did you mean taper?", None),
    (CASS6 + ["X=1"], "unknown quantity 'X'", "did you mean"),
    (CASS6[:-1] + ["TE=1:30:1e-8"], "gives 2900000001 rows, more than 10000000", "gives no rows"),
    (CASS6[:-1] + ["TE=30:1:5"], "gives no rows", None),
    (CASS6[:-1] + ["TE=2,,5"], "malformed list", None),
]
for args, must, must_not in MESSAGES:
    r = run(args)
    expect(r.returncode == 2 and len(r.stderr.splitlines()) == 1 and must in r.stderr,
           "%s: status %d %r lacks %r" % (" ".join(args), r.returncode, r.stderr, must))
    if must_not:
        expect(must_not not in r.stderr, "%s: %r has %r" % (" ".join(args), r.stderr, must_not))
with tempfile.TemporaryDirectory() as work:
    with open(os.path.join(work, "s.txt"), "w") as f:
        f.write("type = cassegrain\nDM = 6\nDM = 7\n")
    r = run(["@s.txt"], cwd=work)
    expect("DM is given twice (s.txt line 2 and s.txt line 3)" in r.stderr, r.stderr)

# ------------------------------------------- failed checks explained
README = ["type=-1", "DM=100:110:5", "LM=10", "LS=30", "FDE=0.5"]
table = run(README).stdout
expect(" Failed checks:\n   non-positive: AS = -15 is not positive (row 1; 3 rows fail it)\n" in table, table)
expect("Failed checks" not in run(CASS6).stdout, "a table of passing rows has notes")
expect("Failed checks" not in run(README + ["-f", "csv"]).stdout, "CSV has notes")
with tempfile.TemporaryDirectory() as work:
    run(README + ["--html", "r.html"], cwd=work)
    page = open(os.path.join(work, "r.html")).read()
    expect("<h2>Failed checks</h2>" in page and "<b>non-positive</b>: AS = -15 is not positive" in page,
           "the HTML page has no notes")
    run(GREG24 + ["DS=10", "BETA=5.6", "--html", "o.html"], cwd=work)
    page = open(os.path.join(work, "o.html")).read()
    expect("<td>DS</td><td>10</td><td>width of the sub rim in the plane of symmetry" in page,
           "the offset page says DS is the subreflector diameter")
    expect("Failed checks" not in page, "an offset page of passing rows has notes")

# ------------------------------------------------- the same bytes each run
RUNS = [
    CASS6 + ["unit=mm", "freq=10", "-f", "csv", "-o", "t.csv", "--svg", "p.svg", "--html", "p.html", "--rsf-main",
             "m.rsf", "--rsf-sub", "s.rsf", "--champ-main", "m.champ", "--champ-sub", "s.champ", "--profile", "p.csv",
             "--dxf", "p.dxf", "--stl", "p.stl", "--cassbeam", "cb"] + (["--step", "p.step"] if HAVE_STEP else []),
    ["type=cassegrain", "DM=6:7:0.5", "FM=2.52", "DS=0.35", "TE=2.04624", "-f", "json", "-o", "t.json",
     "--plot", "plot.svg"],
    GREG24 + ["DS=10", "BETA=5.6", "unit=m", "-o", "t.txt", "--svg", "o.svg", "--sketch", "k.svg", "--sfc-main",
              "m.sfc", "--sfc-sub", "s.sfc", "--tor", "o.tor", "--profile", "o.csv", "--dxf", "o.dxf", "--stl",
              "o.stl"] + (["--step", "o.step"] if HAVE_STEP else []),
]
if not HAVE_STEP:
    print("no STEP component in this build: the STEP files are not among those compared")
env = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
for args in RUNS:
    shots = []
    for k in range(2):
        if k and "--step" in args:
            time.sleep(1.1)  # a clock's time would differ now
        with tempfile.TemporaryDirectory() as work:
            r = run(args, cwd=work, env=env)
            expect(r.returncode == 0, "%s: %s" % (args, r.stderr))
            shots.append(snapshot(work))
    expect(shots[0] == shots[1] and len(shots[0]) >= 2, "%s: runs differ in %s" % (
        args, sorted(k for k in shots[0] if shots[0].get(k) != shots[1].get(k))))
if HAVE_STEP:
    with tempfile.TemporaryDirectory() as work:
        run(CASS6 + ["unit=m", "--step", "a.step"], cwd=work, env=env)
        expect("'2023-11-14T22:13:20'" in open(os.path.join(work, "a.step")).read(), "the STEP time stamp")
        r = run(CASS6 + ["unit=m", "--step", "b.step"], cwd=work, env=dict(os.environ, SOURCE_DATE_EPOCH="soon"))
        expect(r.returncode == 2 and "SOURCE_DATE_EPOCH" in r.stderr and not os.path.exists(
            os.path.join(work, "b.step")), r.stderr)

finish()
