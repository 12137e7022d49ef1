#!/usr/bin/env python3
"""The radiation options of refldsgn-solve as a user runs them: --radiate's
columns on every row that passes its checks (empty on the others) and their
identities (gain = eff_total (pi D / lambda)^2, the efficiencies' product);
--pattern's CSV and TICRA .cut read back and agreeing with each other and
with the columns; and the inputs refused with one line and nothing
written."""
import csv
import io
import math
import os
import subprocess
import sys
import tempfile

from checklist import expect, finish

SOLVE = os.path.join(os.path.abspath(sys.argv[1]), "refldsgn-solve")
COLUMNS = ["gain_dBi", "directivity_dBi", "eff_total", "eff_spill", "eff_block", "eff_taper", "eff_phase", "eff_pol",
           "xpol_dB", "sll_dB", "hpbw_deg"]


def run(args, cwd=None):
    return subprocess.run([SOLVE] + args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


# The columns of a sweep whose first rows fail their checks.
r = run(["type=cassegrain", "DM=6", "FM=2.52", "DS=-0.05:0.35:0.1", "TE=2.04624", "freq=10", "unit=m", "--radiate",
         "-f", "csv"])
expect(r.returncode == 0, r.stderr)
rows = list(csv.DictReader(io.StringIO(r.stdout)))
expect(len(rows) == 5 and list(rows[0])[-11:] == COLUMNS, "columns: %s" % (list(rows[0]) if rows else None))
for row in rows:
    if row["check"] != "ok":
        expect(all(row[c] == "" for c in COLUMNS), "a failing row has radiation columns: %s" % row)
        continue
    v = {c: float(row[c]) for c in COLUMNS}
    lam = 0.299792458 / 10
    expect(abs(v["gain_dBi"] - 10 * math.log10(v["eff_total"] * (math.pi * 6 / lam) ** 2)) < 1e-4, "gain: %s" % v)
    prod = v["eff_spill"] * v["eff_block"] * v["eff_taper"] * v["eff_phase"] * v["eff_pol"]
    expect(abs(prod - v["eff_total"]) < 2e-6, "the efficiencies' product %s against %s" % (prod, v["eff_total"]))
    expect(v["xpol_dB"] == -300, "an axisymmetric design has cross-polarisation: %s" % v["xpol_dB"])
    expect(0.3 < v["hpbw_deg"] < 0.45, "hpbw %s" % v["hpbw_deg"])
expect(sum(row["check"] == "ok" for row in rows) >= 2, "too few rows analysed")
# JSON: null where a row is not analysed.
r = run(["type=cassegrain", "DM=6", "FM=2.52", "DS=-0.05,0.35", "TE=2.04624", "freq=10", "unit=m", "--radiate",
         "-f", "json"])
expect(r.returncode == 0 and '"gain_dBi": null' in r.stdout and '"eff_pol": 1' in r.stdout, r.stdout[-600:])

with tempfile.TemporaryDirectory() as work:
    p = lambda n: os.path.join(work, n)
    study = ["type=gregorian", "DM=24", "FM=18", "H=18", "DS=10", "BETA=5.6", "freq=2", "unit=m", "taper=12"]
    r = run(study + ["--radiate", "-f", "csv", "--pattern", p("cuts.csv"), "--points", "201", "-o", p("rows.csv")])
    expect(r.returncode == 0, r.stderr)
    r2 = run(study + ["--pattern", p("cuts.cut"), "--points", "201", "--cuts", "0,45,90", "-o", p("rows2.csv")])
    expect(r2.returncode == 0, r2.stderr)
    row = next(csv.DictReader(open(p("rows.csv"))))
    cuts = list(csv.DictReader(open(p("cuts.csv"))))
    expect(len(cuts) == 3 * 201 and list(cuts[0]) == ["phi_deg", "theta_deg", "co_dBi", "cross_dBi", "co_phase_deg",
                                                      "cross_phase_deg"], "the CSV cuts")
    centre = [c for c in cuts if float(c["theta_deg"]) == 0]
    expect(len(centre) == 3 and all(abs(float(c["co_dBi"]) - float(row["gain_dBi"])) < 1e-4 for c in centre),
           "boresight of the cuts against gain_dBi %s: %s" % (row["gain_dBi"], [c["co_dBi"] for c in centre]))
    theta = [float(c["theta_deg"]) for c in cuts[:201]]
    hp = float(row["hpbw_deg"])
    expect(abs(theta[-1] - 5 * hp) < 1e-3 * hp and abs(theta[0] + 5 * hp) < 1e-3 * hp, "theta_max is not five HPBW")
    expect(max(float(c["cross_dBi"]) for c in cuts) < float(row["gain_dBi"]) - 100, "an offset Gregorian's cross-polar")
    # The .cut file: a header line and V_INI V_INC V_NUM C ICOMP ICUT NCOMP per cut, then the fields.
    lines = open(p("cuts.cut")).read().splitlines()
    expect(len(lines) == 3 * (2 + 201), "%d lines in the .cut file" % len(lines))
    for k, phi in enumerate((0, 45, 90)):
        head = lines[k * 203 + 1].split()
        expect(len(head) == 7 and int(head[2]) == 201 and float(head[3]) == phi and head[4:] == ["3", "1", "2"],
               "the .cut header of phi %d: %s" % (phi, head))
        v_ini, v_inc = float(head[0]), float(head[1])
        expect(abs(v_ini + 5 * hp) < 1e-3 * hp and abs(v_ini + 200 * v_inc - 5 * hp) < 1e-3 * hp, "the .cut's angles")
        for i in (0, 100, 150):
            re_co, im_co, re_x, im_x = map(float, lines[k * 203 + 2 + i].split())
            c = cuts[k * 201 + i]
            expect(abs(10 * math.log10(re_co ** 2 + im_co ** 2) - float(c["co_dBi"])) < 1e-6,
                   "the .cut's field at %s against the CSV's %s" % (i, c["co_dBi"]))
            expect(abs(math.degrees(math.atan2(im_co, re_co)) - float(c["co_phase_deg"])) < 1e-5,
                   "the .cut's phase at %s" % i)

    # Circular polarisation in .cut: right hand first, left second.  Two
    # reflections keep a wave's hand, one turns it.
    for design, pol, big in ((study[:6], "rhc", 0), (study[:6], "lhc", 1),
                             (["type=prime", "DM=0.6", "FM=0.35", "H=0.5"], "rhc", 1),
                             (["type=prime", "DM=0.6", "FM=0.35", "H=0.5"], "lhc", 0)):
        r = run(design + ["freq=2", "unit=m", "pol=" + pol, "--pattern", p("c.cut"), "--points", "3", "--cuts", "0",
                          "-o", p("c.txt")])
        lines = open(p("c.cut")).read().splitlines()
        v = [float(x) for x in lines[3].split()]
        power = (v[0] ** 2 + v[1] ** 2, v[2] ** 2 + v[3] ** 2)
        expect(r.returncode == 0 and lines[1].split()[4] == "2" and power[big] > 1e20 * power[1 - big],
               "%s pol=%s: the .cut's hands %s" % (design[0], pol, power))

    # The chart of the cuts, alone and in the page.
    r = run(study + ["--pattern-svg", p("cuts.svg"), "--points", "201", "--html", p("page.html"), "-o", p("r3.csv")])
    expect(r.returncode == 0, r.stderr)
    svg = open(p("cuts.svg")).read()
    expect(svg.count('class="co"') == 6 and svg.count('class="cross"') == 6 and "-3 dB width" in svg and
           "first sidelobe" in svg, "the chart of the cuts")
    page = open(p("page.html")).read()
    expect("<h2>Far field of row 1</h2>" in page and page.count('class="pattern"') == 1, "the page's far field")

    # Refused: one line, status 2, nothing written.
    axi = ["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624"]
    for args, words in [
            (axi + ["unit=m", "--radiate"], "--radiate needs freq="),
            (axi + ["freq=10", "--radiate"], "--radiate needs unit="),
            (axi + ["freq=10", "--pattern", "x.csv"], "--pattern needs unit="),
            (axi + ["unit=m", "--pattern-svg", "x.svg"], "--pattern-svg needs freq="),
            (axi + ["freq=0", "unit=m", "--radiate"], "freq must be positive"),
            (axi + ["freq=10", "unit=m", "taper=0", "--radiate"], "taper must be positive"),
            (axi + ["freq=10", "unit=m", "taper_angle=90", "--radiate"], "taper_angle must lie between 0 and 90"),
            (axi + ["freq=10", "unit=m", "--pattern", "x.csv", "--points", "2"], "--points 2"),
            (axi + ["freq=10", "unit=m", "--pattern", "x.csv", "--points", "1e7"], "--points 1e7"),
            (axi + ["freq=10", "unit=m", "--pattern", "x.csv", "--cuts", "0,a"], "--cuts 0,a"),
            (axi + ["freq=10", "unit=m", "--pattern", "x.csv", "--theta-max", "0"], "--theta-max 0"),
            (axi + ["freq=300", "unit=m", "--pattern", "x.csv", "--theta-max", "90"], "give a smaller --theta-max"),
            (axi + ["freq=10", "unit=m", "--radiate", "--analyze"], "give --radiate or --analyze"),
            (["type=cassegrain", "DM=6", "FM=2.52", "DS=7", "TE=2.04624", "freq=10", "unit=m", "--pattern", "x.csv"],
             "fails its checks"),
            # Physical optics' settings, and designs too large for its memory (the picture asked
            # first is not written either); a cut beyond the rays, likewise.
            (axi + ["freq=10", "unit=m", "method=fdtd", "--radiate"], "method must be go or po, not 'fdtd'"),
            (axi + ["freq=10", "unit=m", "method=po", "--po-sampling", "0.5", "--radiate"],
             "--po-sampling must lie between 1 and 64"),
            (axi + ["freq=10", "unit=m", "method=po", "--po-sampling", "x", "--radiate"], "--po-sampling x"),
            (axi + ["freq=10", "unit=m", "--po-sampling", "4", "--radiate"], "give method=po"),
            (axi + ["freq=3000", "unit=m", "method=po", "--svg", "a.svg", "--pattern", "x.csv"],
             "more than 8 GiB holds"),
            (["type=cassegrain", "DM=0.6:6:5.4", "FM=2.52", "DS=0.35", "TE=2.04624", "freq=3000", "unit=m",
              "method=po", "--radiate"], "more than 8 GiB holds"),
            (axi + ["freq=300", "unit=m", "--svg", "a.svg", "--pattern", "x.csv", "--theta-max", "90"],
             "give a smaller --theta-max"),
            (axi + ["freq=10", "unit=yd", "--radiate"], "unit must be in, ft, mm, cm or m"),
    ]:
        with tempfile.TemporaryDirectory() as w:
            r = run(args + ["-o", "out.txt"], cwd=w)
            lines = r.stderr.strip().splitlines()
            expect(r.returncode == 2 and len(lines) == 1 and words in lines[0],
                   "%s: status %d, %r" % (" ".join(args[5:]), r.returncode, r.stderr))
            expect(os.listdir(w) == [], "%s wrote %s" % (" ".join(args[5:]), os.listdir(w)))

finish()
