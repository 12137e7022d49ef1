#!/usr/bin/env python3
"""The hand-off to cassbeam, checked on a real instrument.

The 6 m Cassegrain (DM 6, FM 2.52, DS 0.35, TE 2.04624) at 100 GHz with a
10 dB taper: phase efficiency above 0.999, primary spillover above 0.99,
subreflector spillover between 0.88 and 0.92; the same design in millimetres
gives the same gain to 0.01 dB; a subreflector moved by hand (LS + 5 %) takes
the subreflector spillover out of that band.  A sweep of TE for a fixed feed
peaks inside the range, and the table, CSV and JSON carry the columns.  A
missing, failing or killed cassbeam and a missing folder give their errors.
Skips (status 77) when cassbeam is not installed.
"""
import csv
import io
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

from checklist import expect, finish

bin_dir = os.path.abspath(sys.argv[1])
SOLVE = os.path.join(bin_dir, "refldsgn-solve")
if shutil.which("cassbeam") is None:
    print("SKIP: cassbeam is not installed (apt-get install cassbeam)")
    sys.exit(77)


def run(args, cwd, env=None):
    return subprocess.run([SOLVE] + args, cwd=cwd, capture_output=True, text=True, env=env)


def params(path):
    out = {}
    for line in open(path):
        m = re.match(r"\s*(\w+)\s*=\s*(\S+)", line)
        if m:
            out[m.group(1)] = m.group(2)
    return out


SIX = ["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624", "unit=m", "freq=100", "taper=10"]
SIX_MM = ["type=cassegrain", "DM=6000", "FM=2520", "DS=350", "TE=2.04624", "freq=100", "taper=10", "unit=mm"]

with tempfile.TemporaryDirectory() as work:
    # --cassbeam writes the input; cassbeam reads it as it stands.
    r = run(SIX + ["--cassbeam", "six"], work)
    expect(r.returncode == 0, r.stderr)
    text = open(os.path.join(work, "six.in")).read()
    expect("converted from m\n" in text and "compute = p" in text and "hole_radius = 0.175 " in text, text)
    subprocess.run(["cassbeam", "six.in"], cwd=work, capture_output=True, check=True)
    p = params(os.path.join(work, "six.params"))
    phase, pri, sub = float(p["phaseeff"]), float(p["prispilleff"]), float(p["subspilleff"])
    print("6 m Cassegrain at 100 GHz: phaseeff %.6f, prispilleff %.6f, subspilleff %.6f" % (phase, pri, sub))
    expect(phase > 0.999 and pri > 0.99 and 0.88 <= sub <= 0.92, "the 6 m design: %s" % p)

    # The subreflector placed wrongly by hand: LS 5 % longer.
    design = dict(re.findall(r"(\w+) (-?[\d.]+)", text.splitlines()[2]))
    moved = float(design["LM"]) + 1.05 * float(design["LS"])
    with open(os.path.join(work, "moved.in"), "w") as f:
        f.write(re.sub(r"sub_h = \S+", "sub_h = %.7f" % moved, text).replace("out = six", "out = moved"))
    subprocess.run(["cassbeam", "moved.in"], cwd=work, capture_output=True, check=True)
    moved_sub = float(params(os.path.join(work, "moved.params"))["subspilleff"])
    print("with LS + 5 %%: subspilleff %.6f" % moved_sub)
    expect(not 0.88 <= moved_sub <= 0.92, "a misplaced subreflector still spills %.4f" % moved_sub)

    # --analyze, in metres and in millimetres.
    gains = []
    for args in (SIX, SIX_MM):
        r = run(args + ["--analyze", "-f", "csv"], work)
        rows = list(csv.DictReader(io.StringIO(r.stdout)))
        expect(r.returncode == 0 and len(rows) == 1, r.stderr)
        gains.append(float(rows[0]["gain_dBi"]))
    print("gain: %.4f dBi (m), %.4f dBi (mm)" % tuple(gains))
    expect(abs(gains[0] - gains[1]) < 0.01, "metres and millimetres: %s" % gains)

    # A trade study: TE swept for a fixed feed; spillover against
    # illumination puts the gain's peak inside the range.
    sweep = ["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=1.2:3.2:0.4", "unit=m", "freq=100", "taper=10",
             "taper_angle=2.04624", "--analyze"]
    r = run(sweep + ["-f", "csv"], work)
    rows = list(csv.DictReader(io.StringIO(r.stdout)))
    g = [float(x["gain_dBi"]) for x in rows]
    print("gain along TE 1.2..3.2: %s" % ", ".join("%.2f" % x for x in g))
    best = g.index(max(g))
    expect(len(g) == 6 and 0 < best < len(g) - 1, "the gain peaks at the end of the range: %s" % g)
    columns = ["gain_dBi", "totaleff", "spilleff", "prispilleff", "subspilleff", "blockeff", "illumeff", "phaseeff",
               "Tsys"]
    expect(all(c in rows[0] for c in columns), "CSV columns %s" % list(rows[0]))
    doc = json.loads(run(SIX + ["--analyze", "-f", "json"], work).stdout)
    expect(all(isinstance(doc["rows"][0][c], (int, float)) for c in columns), "JSON columns %s" % doc["rows"][0])
    table = run(SIX + ["--analyze"], work).stdout.splitlines()
    expect(all(c in table[1] for c in columns), "table header %r" % table[1])
    # A row that fails a check is not analysed: its columns are empty.
    r = run(["type=-1", "DM=100:105:5", "LM=10", "LS=30", "FDE=0.5", "freq=1", "unit=m", "--analyze", "-f", "csv"],
            work)
    rows = list(csv.DictReader(io.StringIO(r.stdout)))
    expect(r.returncode == 0 and all(x["gain_dBi"] == "" for x in rows), "failed rows analysed: %s" % r.stdout)

    # The sub's shadow is blocked: as the sub grows the gain falls and
    # blockeff drops below 1.  A tapered illumination weighs the centre
    # more than a uniform one, so the loss is at least that of a uniformly
    # lit annulus, (1 - (DS/DM)^2)^2.  With DF the larger shadow is the horn's.
    r = run(["type=cassegrain", "DM=6", "FM=2.52", "DS=0.6:1.8:0.6", "TE=10", "freq=30", "unit=m", "--analyze",
             "-f", "csv"], work)
    rows = list(csv.DictReader(io.StringIO(r.stdout)))
    gain = [float(x["gain_dBi"]) for x in rows]
    block = [float(x["blockeff"]) for x in rows]
    print("DS 0.6, 1.2, 1.8 of a 6 m dish: gain %s dBi, blockeff %s (uniform annulus %s)" % (
        ", ".join("%.3f" % g for g in gain), ", ".join("%.4f" % b for b in block),
        ", ".join("%.4f" % (1 - (ds / 6) ** 2) ** 2 for ds in (0.6, 1.2, 1.8))))
    expect(len(rows) == 3 and gain[0] > gain[1] > gain[2], "the gain does not fall as the sub grows: %s" % gain)
    expect(all(b < 1 for b in block) and block[0] > block[1] > block[2], "blockeff %s" % block)
    for ds, b in zip((0.6, 1.2, 1.8), block):
        expect(b <= (1 - (ds / 6) ** 2) ** 2 + 0.002, "DS %g: blockeff %g above the uniform annulus's" % (ds, b))
    for df, hole in (("0.3", "hole_radius = 0.3   % DS / 2"), ("0.8", "hole_radius = 0.4   % DF / 2")):
        r = run(["type=cassegrain", "DM=6", "FM=2.52", "DS=0.6", "DF=" + df, "unit=m", "freq=30",
                 "--cassbeam", "horn"], work)
        expect(r.returncode == 0, r.stderr)
        expect(hole in open(os.path.join(work, "horn.in")).read(), "DF %s: no %r" % (df, hole))

    # Errors: no unit (a 6 km dish is no guess to make); an offset design.
    r = run(["type=cassegrain", "DM=6000", "FM=2520", "DS=350", "TE=2.04624", "freq=100", "--analyze"], work)
    expect(r.returncode == 2 and "--analyze needs unit=" in r.stderr and not r.stdout, r.stderr)
    r = run(["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624", "freq=100", "--cassbeam", "x"], work)
    expect(r.returncode == 2 and "--cassbeam needs unit=" in r.stderr, r.stderr)
    r = run(["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "BETA=6", "unit=m", "freq=10", "--analyze"], work)
    expect(r.returncode == 2 and "axisymmetric designs (modes 1 and 2) only" in r.stderr and "yet" not in r.stderr,
           r.stderr)

    # Errors: no freq; no cassbeam on PATH (before any work); a missing
    # folder for PREFIX; a cassbeam that fails or is killed.
    r = run(SIX[:-2] + ["--analyze"], work)
    expect(r.returncode == 2 and "freq" in r.stderr, r.stderr)
    bare = dict(os.environ, PATH="/nonexistent")
    with tempfile.TemporaryDirectory() as empty:
        r = subprocess.run([SOLVE] + SIX + ["--analyze", "-o", "out.csv"], cwd=empty, capture_output=True,
                           text=True, env=bare)
        expect(r.returncode == 2 and "apt-get install cassbeam" in r.stderr and not os.listdir(empty), r.stderr)
    r = run(SIX + ["--cassbeam", "no/such/folder/six"], work)
    expect(r.returncode == 1 and "cannot write no/such/folder/six" in r.stderr, r.stderr)
    fake = os.path.join(work, "fake")
    os.makedirs(fake)
    real = shutil.which("cassbeam")
    for behaviour, message in [("exit 3", "failed with status 3"), ("kill -9 $$", "killed by signal 9")]:
        # The second design fails; the first row is written whole.
        with open(os.path.join(fake, "cassbeam"), "w") as f:
            f.write("#!/bin/sh\ngrep -q 'DM 6.5' \"$1\" && { echo broken; %s; }\nexec %s \"$@\"\n" % (behaviour, real))
        os.chmod(os.path.join(fake, "cassbeam"), 0o755)
        env = dict(os.environ, PATH=fake + os.pathsep + os.environ["PATH"])
        r = subprocess.run([SOLVE, "type=cassegrain", "DM=6:7:0.5", "FM=2.52", "DS=0.35", "TE=2.04624", "unit=m", "freq=100",
                            "--analyze", "-f", "csv", "-o", "partial.csv"], cwd=work, capture_output=True, text=True,
                           env=env)
        lines = open(os.path.join(work, "partial.csv")).read().splitlines()
        expect(r.returncode == 1 and message in r.stderr and "row 2" in r.stderr,
               "%s: %d %r" % (behaviour, r.returncode, r.stderr))
        expect(len(lines) == 2 and lines[1].count(",") == lines[0].count(","), "rows before the failure: %s" % lines)

finish()
