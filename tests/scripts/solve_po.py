#!/usr/bin/env python3
"""Physical optics (method=po) of refldsgn-solve as a user runs it, against
the geometrical optics beside it: the gain of dual reflectors of D = 100
wavelengths within 0.3 dB of GO's with a sub of 25 wavelengths and within
0.5 dB with one of 15 (diffraction at the sub costs what GO cannot see); a
prime-focus dish, where the two agree closely; the gain converged under
doubled sampling to 0.02 dB; the cuts' boresight equal to the columns' gain;
and the inputs refused with one line and nothing written."""
import csv
import io
import os
import subprocess
import sys
import tempfile

from checklist import expect, finish

SOLVE = os.path.join(os.path.abspath(sys.argv[1]), "refldsgn-solve")
# 29.9792458 GHz: a wavelength of 1 cm, so DM=1 (m) is 100 wavelengths.
WAVE = ["freq=29.9792458", "unit=m"]


def run(args, cwd=None):
    return subprocess.run([SOLVE] + args, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def columns(design, extra=()):
    out = {}
    for method in ("go", "po"):
        r = run(design + WAVE + ["method=" + method, "--radiate", "-f", "csv", "-j", "2"] + list(extra))
        expect(r.returncode == 0, "%s method=%s: %s" % (" ".join(design), method, r.stderr))
        row = next(csv.DictReader(io.StringIO(r.stdout)), None)
        out[method] = {k: float(v) for k, v in row.items() if k in ("gain_dBi", "directivity_dBi", "eff_total",
                                                                     "eff_spill", "xpol_dB", "hpbw_deg")} if row else {}
    return out


# PO against GO, D = 100 wavelengths: (design, sub in wavelengths, the most PO may lose, the least).
for design, sub, most in [
        (["type=cassegrain", "DM=1", "FM=0.4", "DS=0.25", "TE=15"], 25, 0.3),
        (["type=gregorian", "DM=1", "FM=0.4", "H=0.8", "DS=0.25", "BETA=10"], 25, 0.3),
        (["type=cassegrain", "DM=1", "FM=0.4", "DS=0.15", "TE=12"], 15, 0.5),
        (["type=gregorian", "DM=1", "FM=0.4", "DS=0.15", "TE=15"], 15, 0.5),
        (["type=prime", "DM=1", "FM=0.4"], 0, 0.02),
        (["type=prime", "DM=1", "FM=0.4", "H=0.8"], 0, 0.02)]:
    c = columns(design)
    go, po = c["go"], c["po"]
    if not go or not po:
        continue
    loss = go["gain_dBi"] - po["gain_dBi"]
    expect(-0.05 < loss < most, "%s (sub %d wavelengths): GO %.4f dBi, PO %.4f dBi" % (
        " ".join(design), sub, go["gain_dBi"], po["gain_dBi"]))
    # What reaches the main: a little less than GO's, the edge's diffraction spilt past it.
    expect(-0.005 < go["eff_spill"] - po["eff_spill"] < 0.03, "%s: eff_spill GO %s PO %s" % (
        design[0], go["eff_spill"], po["eff_spill"]))
    expect(abs(go["hpbw_deg"] - po["hpbw_deg"]) < 0.05 * go["hpbw_deg"], "%s: hpbw GO %s PO %s" % (
        design[0], go["hpbw_deg"], po["hpbw_deg"]))
    # Cross-polarisation: where GO finds some (an offset prime-focus dish), PO finds the same; where GO
    # finds none, PO's diffraction gives a little.
    if go["xpol_dB"] > -100:
        expect(abs(go["xpol_dB"] - po["xpol_dB"]) < 0.5, "%s: xpol GO %s PO %s" % (
            design[0], go["xpol_dB"], po["xpol_dB"]))
    else:
        expect(-300 <= po["xpol_dB"] < -30, "%s: PO's cross-polar level %s" % (design[0], po["xpol_dB"]))

# Converged: twice the engine's sampling moves the gain by less than 0.02 dB
# (D = 40 wavelengths, an axisymmetric and an offset design).
for design in (["type=cassegrain", "DM=0.4", "FM=0.16", "DS=0.08", "TE=15"],
               ["type=gregorian", "DM=0.4", "FM=0.16", "H=0.32", "DS=0.1", "BETA=10"]):
    gains = []
    for sampling in ("3", "6"):
        r = run(design + WAVE + ["method=po", "--po-sampling", sampling, "--radiate", "-f", "csv"])
        expect(r.returncode == 0, r.stderr)
        gains.append(float(next(csv.DictReader(io.StringIO(r.stdout)))["gain_dBi"]))
    default = run(design + WAVE + ["method=po", "--radiate", "-f", "csv"])
    expect(float(next(csv.DictReader(io.StringIO(default.stdout)))["gain_dBi"]) == gains[0],
           "the default sampling is not 3 points per wavelength")
    expect(abs(gains[0] - gains[1]) < 0.02, "%s: gain %s at 3 points per wavelength, %s at 6" % (design[0], *gains))

with tempfile.TemporaryDirectory() as work:
    # The cuts: boresight is the columns' gain; the columns' width is the cuts'.
    design = ["type=gregorian", "DM=0.4", "FM=0.16", "H=0.32", "DS=0.1", "BETA=10"] + WAVE + ["method=po"]
    r = run(design + ["--radiate", "-f", "csv", "--pattern", os.path.join(work, "po.csv"), "--points", "101",
                      "-o", os.path.join(work, "rows.csv")])
    expect(r.returncode == 0, r.stderr)
    row = next(csv.DictReader(open(os.path.join(work, "rows.csv"))))
    cuts = list(csv.DictReader(open(os.path.join(work, "po.csv"))))
    centre = [c for c in cuts if float(c["theta_deg"]) == 0]
    expect(len(cuts) == 303 and all(abs(float(c["co_dBi"]) - float(row["gain_dBi"])) < 1e-4 for c in centre),
           "PO's boresight %s against gain_dBi %s" % ([c["co_dBi"] for c in centre], row["gain_dBi"]))
    hp = float(row["hpbw_deg"])
    expect(abs(float(cuts[100]["theta_deg"]) - 5 * hp) < 1e-3 * hp, "PO's cuts do not reach five of its widths")


finish()
