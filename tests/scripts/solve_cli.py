#!/usr/bin/env python3
"""refldsgn-solve as a user runs it: the worked example, the checks on
possible and impossible designs, grid order, study files with overrides,
every input error (status 2, nothing written), output failures (status 1),
--strict, the three formats, --help and --version."""
import csv
import io
import json
import os
import subprocess
import sys
import tempfile

from checklist import expect, finish

bin_dir = os.path.abspath(sys.argv[1])
SOLVE = os.path.join(bin_dir, "refldsgn-solve")
def run(args, cwd=None, stdout=subprocess.PIPE):
    return subprocess.run([SOLVE] + args, cwd=cwd, stdout=stdout, stderr=subprocess.PIPE, text=True)


def csv_rows(args):
    r = run(args + ["-f", "csv"])
    expect(r.returncode in (0, 3), "%s: status %d %s" % (args, r.returncode, r.stderr))
    return list(csv.DictReader(io.StringIO(r.stdout)))


CASS6 = ["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624"]
OFFSET = ["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "BETA=6"]

# ------------------------------------------------------------ worked example
row = csv_rows(CASS6)[0]
want = {"mode": "1", "case": "6", "LM": -2.4729, "LS": 4.8475, "AS": 2.3510, "FS": 2.4965, "LT": 2.4251}
for k, v in want.items():
    got = row[k] if isinstance(v, str) else round(float(row[k]), 4)
    expect(got == v, "worked example: %s is %s, not %s" % (k, row[k], v))
expect(row["check"] == "ok", "worked example: check %s" % row["check"])
header = run(CASS6 + ["-f", "csv"]).stdout.splitlines()[0]
expect(header.startswith("mode,case,type,DM,FM,LM,DS,LS,TE,FDE,AS,FS,LT,DF,LP,e,M,check"), header)
expect(row["DF"] == "" and row["LP"] == "", "DF and LP are empty in mode 1")

# -------------------------------------------------------------------- checks
# (arguments, codes that must be reported, codes that must not)
CHECKS = [
    (CASS6, set(), None),
    (["type=1", "DM=20", "FM=10", "LM=2", "TE=11.4212"], set(), None),
    (["type=-1", "DM=20", "FM=10", "LM=2", "DF=2.38776", "LP=0.5"], set(), None),
    (["type=-1", "DM=100", "LM=10", "LS=30", "FDE=0.5"], {"non-positive"}, None),  # AS = -15
    (["type=-1", "DM=2", "LS=1", "DS=19", "TE=84"], {"no-solution", "sub-not-smaller"}, None),
    (["type=1", "DM=2", "FM=1", "TE=11.4212", "DF=-0.3"], {"no-solution", "non-positive"}, None),
    (["type=-1", "DM=2", "FM=1", "DS=0.3", "TE=0"], {"non-finite", "angle-range"}, {"wrong-conic"}),
    (["type=-1", "DM=2", "FM=1", "DS=0.3", "TE=95"], {"angle-range", "non-positive"}, None),
    (["type=1", "DM=2", "FM=1", "LM=0.2", "DF=0.5", "LP=1"], {"feed-not-smaller", "feed-beyond-focus"}, None),
    (["type=1", "DM=2", "FM=1", "LS=0.65", "TE=-13.1639"], {"wrong-conic"}, None),
    # The larger root of case 4 here is a degenerate conic (AS about 0)
    # that breaks the feed-angle relation.
    (["type=-1", "FM=1", "DS=0.3", "LS=0.65", "TE=13.1639"], {"inconsistent"}, None),
]
for args, must, must_not in CHECKS:
    r = csv_rows(args)[0]
    codes = set() if r["check"] == "ok" else set(r["check"].split(";"))
    if not must:
        expect(codes == set(), "%s: expected ok, got %s" % (args, r["check"]))
    expect(must <= codes, "%s: expected %s in %s" % (args, must, r["check"]))
    bad = (must_not or set()) & codes
    expect(not bad, "%s: unexpected %s" % (args, bad))
    if "no-solution" in codes:  # nothing of another design shows
        for k in ("AS", "FS", "LT", "e", "M"):
            expect(r[k] == "", "%s: %s of a design without solution is %r" % (args, k, r[k]))

# ---------------------------------------------------------- grid and strict
rows = csv_rows(["type=-1", "DM=20:21:1", "LS=6:7:0.5", "LM=2", "TE=13"])
expect([(r["DM"], r["LS"]) for r in rows] ==
       [("20", "6"), ("20", "6.5"), ("20", "7"), ("21", "6"), ("21", "6.5"), ("21", "7")],
       "grid order: %s" % [(r["DM"], r["LS"]) for r in rows])
expect(run(CASS6 + ["--strict"]).returncode == 0, "--strict on an ok design")
expect(run(["type=-1", "DM=100", "LM=10", "LS=30", "FDE=0.5", "--strict"]).returncode == 3, "--strict fails")

# ------------------------------------------------------ study files, JSON
with tempfile.TemporaryDirectory() as work:
    study = os.path.join(work, "study.txt")
    with open(study, "w") as f:
        f.write("# a 6 m telescope\n\ntype = cassegrain\nLS = 4:5:0.5   % swept\n  DM=7\nLM = -2.47\nTE=2\n")
    r = run(["@" + study, "DM=6:6.5:0.5", "-f", "json"])
    doc = json.loads(r.stdout)
    expect(list(doc["inputs"]) == ["type", "LS", "DM", "LM", "TE"], "inputs order %s" % list(doc["inputs"]))
    expect(doc["inputs"]["DM"] == {"start": 6, "stop": 6.5, "step": 0.5, "rows": 2}, doc["inputs"]["DM"])
    expect([(x["LS"], x["DM"]) for x in doc["rows"]] == [(4, 6), (4, 6.5), (4.5, 6), (4.5, 6.5), (5, 6), (5, 6.5)],
           "file sweep outer, command-line override inner: %s" % [(x["LS"], x["DM"]) for x in doc["rows"]])
    expect(all(isinstance(x["checks"], list) for x in doc["rows"]), "checks are lists")
    nan = json.loads(run(["type=-1", "DM=2", "FM=1", "DS=0.3", "TE=0", "-f", "json"]).stdout)["rows"][0]
    expect(nan["LS"] is None and nan["checks"][0] == "non-finite", "non-finite values are null: %s" % nan)

    # ------------------------------------------------------- input errors
    out = os.path.join(work, "out.csv")
    ERRORS = [
        (["Dm=6"] + CASS6[1:], "unknown quantity 'Dm'"),
        (CASS6 + ["DM=7"], "DM is given twice"),
        (["@" + study, "@" + study], "is given twice"),
        (["type=-1", "DM=6;5", "FM=2.52", "DS=0.35", "TE=2"], "malformed number"),
        (["type=-1", "DM=6,,5", "FM=2.52", "DS=0.35", "TE=2"], "malformed list"),
        (["type=-1", "DM=1e50", "FM=2.52", "DS=0.35", "TE=2"], "malformed number"),
        (["type=-1", "DM", "FM=2.52", "DS=0.35", "TE=2"], "QUANTITY=VALUE"),
        (CASS6[1:], "missing type"),
        (["type=2"] + CASS6[1:], "type must be"),
        (CASS6 + ["FDE=0.5"], "TE or FDE"),
        (CASS6 + ["LP=0.1"], "LP needs DF"),
        (["type=-1", "DM=6:7:1", "FM=2:3:1", "DS=0.3:0.4:0.1", "TE=2"], "at most two"),
        (["type=-1", "DM=7:6:1", "FM=2.52", "DS=0.35", "TE=2"], "gives no rows"),
        (["type=-1", "DM=6:7:0", "FM=2.52", "DS=0.35", "TE=2"], "gives no rows"),
        (["type=-1", "DM=0:2e7:1", "FM=2.52", "DS=0.35", "TE=2"], "more than 10000000"),
        (["type=-1", "DM=0:1e4:1", "FM=0:1e4:1", "DS=0.35", "TE=2"], "more than 10000000"),
        (["type=-1", "DM=6:7", "FM=2.52", "DS=0.35", "TE=2"], "START:STOP:STEP"),
        (["type=cassegrain:gregorian:1"] + CASS6[1:], "type must be"),
        (["type=-1", "DM=6", "FM=2.52", "TE=2"], "match no case of mode 1"),
        (["type=-1", "DM=6", "FM=2.52", "LM=1", "DS=0.3", "DF=0.1"], "match no case of mode 2"),
        (["@" + os.path.join(work, "missing.txt")], "cannot read"),
        (CASS6 + ["--bogus"], "--bogus"),
        (CASS6 + ["-f", "xml"], "xml"),
        (CASS6 + ["-j", "0"], "-j/--jobs 0"),
        (OFFSET + ["LM=2"], "LM belongs to modes 1 and 2"),
        (OFFSET + ["root=2"], "root chooses between the two designs of a given E"),
        (CASS6 + ["root=1"], "root chooses between the two offset designs"),
        (["type=gregorian", "DM=10", "FM=4", "HC=1", "E=0.35", "LS=3", "root=3"], "root must be 1 or 2"),
        (OFFSET + ["LS=3"], "match no case of mode 3 (offset): the sets of mode 3 are"),
        (["type=-1", "DM=45", "H=40", "FM=38", "BETA=6"], "match no case of mode 3"),
        (OFFSET + ["--rsf-main", "m.rsf"], "for an offset design (mode 3) write --sfc-main, --sfc-sub and --tor"),
        (OFFSET + ["--profile", "p.csv", "--main-range", "0:1:0.1"], "--main-range and --sub-range sample"),
        (OFFSET + ["--cassbeam", "cb", "freq=10"], "handles axisymmetric designs (modes 1 and 2) only"),
        (OFFSET + ["--analyze", "freq=10"], "handles axisymmetric designs (modes 1 and 2) only"),
        (CASS6 + ["--jobs=-2"], "-j/--jobs -2"),
        (CASS6 + ["-j", "two"], "-j/--jobs two"),
    ]
    for args, message in ERRORS:
        r = run(args + ["-o", out])
        expect(r.returncode == 2, "%s: status %d, expected 2" % (args, r.returncode))
        expect(r.stdout == "", "%s: wrote %r" % (args, r.stdout))
        expect(r.stderr.startswith("refldsgn-solve: ") and message in r.stderr and r.stderr.count("\n") == 1,
               "%s: message %r lacks %r" % (args, r.stderr, message))
        expect(not os.path.exists(out), "%s: created the output file" % args)
    combos = run(["type=-1", "DM=6", "FM=2.52", "TE=2"]).stderr
    expect(all(("case %d: " % k) in combos for k in range(1, 8)), "the valid combinations: %r" % combos)

    # ------------------------------------------------------ output failures
    for target in [os.path.join(work, "no", "such", "dir.csv"), "/dev/full"]:
        r = run(CASS6 + ["-o", target])
        expect(r.returncode == 1 and "cannot write" in r.stderr, "%s: %d %r" % (target, r.returncode, r.stderr))
    with open("/dev/full", "w") as full:
        r = run(CASS6, stdout=full)
    expect(r.returncode == 1 and "cannot write standard output" in r.stderr, "stdout full: %r" % r.stderr)

    # An output file is written whole.
    r = run(["type=-1", "DM=6:60:0.01", "FM=2.52", "DS=0.35", "TE=2.04624", "-o", out, "-f", "csv"])
    lines = open(out).read().splitlines()
    expect(r.returncode == 0 and len(lines) == 5402, "sweep to a file: %d lines" % len(lines))

    # A write error in the middle of a long run, with one thread and with
    # two: status 1 and the message, and what reached the file is a prefix
    # of the whole text, the same with either.
    LONG = ["type=-1", "DM=100:600:0.001", "LM=10", "LS=30", "FDE=0.5", "-f", "json"]
    whole = run(LONG + ["-j", "1"]).stdout
    import resource

    def limited():
        resource.setrlimit(resource.RLIMIT_FSIZE, (3_000_000, 3_000_000))

    cut = {}
    for jobs in ("1", "2"):
        r = subprocess.run([SOLVE] + LONG + ["-j", jobs, "-o", out], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                           text=True, preexec_fn=limited)
        text = open(out).read()
        expect(r.returncode == 1 and "cannot write " + out + ": File too large" in r.stderr,
               "-j %s, file-size limit: %d %r" % (jobs, r.returncode, r.stderr))
        expect(0 < len(text) <= 3_000_000 and whole.startswith(text), "-j %s: the file is no prefix" % jobs)
        cut[jobs] = len(text)
        with open("/dev/full", "w") as full:
            r = run(LONG + ["-j", jobs], stdout=full)
        expect(r.returncode == 1 and "No space left" in r.stderr, "-j %s, full: %r" % (jobs, r.stderr))
        # A reader that stops early: the pipe breaks.
        p = subprocess.Popen([SOLVE] + LONG + ["-j", jobs], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        head = p.stdout.read(100000)
        p.stdout.close()
        err = p.stderr.read().decode()
        expect(p.wait() == 1 and "Broken pipe" in err and whole.encode().startswith(head), "-j %s, pipe: %r" % (jobs, err))
    expect(cut["1"] == cut["2"], "the cut files differ: %s" % cut)

# --------------------------------------------------------------- the table
table = run(["type=-1", "DM=6:60:6", "FM=2.52", "DS=0.35", "TE=2.04624"]).stdout.splitlines()
expect(table[0].startswith(" Cassegrain, mode 1 (no condition), case 6"), table[0])
width = table[1].index("  check")
expect(all(len(l) > width and l[width:width + 2] == "  " for l in table[2:]), "table columns align")
expect(len(table) == 12, "one table row per design")

# ---------------------------------------------------------- help, version
helptext = run(["--help"]).stdout
for word in ["type", "DM", "FM", "LM", "DS", "LS", "TE", "FDE", "DF", "LP", "--format", "--output", "--strict", "--jobs",
             "--help", "--version", "@FILE", "no-solution", "inconsistent"]:
    expect(word in helptext, "--help lacks %s" % word)
version = run(["--version"])
expect(version.returncode == 0 and version.stdout.startswith("refldsgn-solve "), version.stdout)

finish()
