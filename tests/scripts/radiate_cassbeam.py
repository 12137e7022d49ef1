#!/usr/bin/env python3
"""--radiate against cassbeam, an independent ray tracer, on axisymmetric
designs of both types, tapers of 6 to 18 dB, f/D 0.3 to 1 and D/lambda 50 to
2000.  cassbeam is given the engine's own feed as a feedpattern table (its
built-in taper is a Gaussian in sin theta, not the engine's), no empirical
diffraction loss (diffeff = 1) and no hole: its gain must match the engine's
gain without blockage, gain_dBi - 10 log10(eff_block), within 0.1 dB.  With
the hole of the sub's shadow (hole_radius = DS/2), on every other design,
its blockeff must match eff_block within 0.005."""
import csv
import io
import math
import os
import re
import subprocess
import sys
import tempfile

from checklist import expect, finish

SOLVE = os.path.join(os.path.abspath(sys.argv[1]), "refldsgn-solve")
# type, f/D, DS, TE, taper (dB), D/lambda
DESIGNS = [("cassegrain", 0.3, 0.6, 12, 10, 200), ("cassegrain", 0.6, 0.6, 12, 6, 50),
           ("cassegrain", 1.0, 0.6, 12, 18, 1000), ("cassegrain", 0.42, 0.35, 2.04624, 10, 2000),
           ("cassegrain", 0.5, 0.9, 15, 14, 300), ("cassegrain", 0.8, 0.4, 8, 12, 100),
           ("gregorian", 0.3, 0.6, 12, 10, 200), ("gregorian", 0.6, 0.6, 12, 6, 50),
           ("gregorian", 1.0, 0.6, 12, 18, 1000), ("gregorian", 0.42, 0.5, 10, 10, 2000),
           ("gregorian", 0.5, 0.9, 15, 14, 300), ("gregorian", 0.8, 0.4, 8, 12, 100)]


def params(path):
    text = open(path).read()
    return {k: float(v) for k, v in re.findall(r"^(\w+)\s*=\s*(-?[\d.eE+-]+)", text, re.M)}


worst_gain = worst_block = 0
with tempfile.TemporaryDirectory() as work:
    for t, fd, ds, te, taper, d_lambda in DESIGNS:
        freq = 0.299792458 * d_lambda / 6
        args = ["type=" + t, "DM=6", "FM=%g" % (6 * fd), "DS=%g" % ds, "TE=%g" % te, "unit=m", "freq=%.9g" % freq,
                "taper=%g" % taper]
        r = subprocess.run([SOLVE] + args + ["--radiate", "-f", "csv", "--cassbeam", os.path.join(work, "d")],
                           capture_output=True, text=True)
        row = next(csv.DictReader(io.StringIO(r.stdout)))
        expect(r.returncode == 0 and row["check"] == "ok", "%s: %s %s" % (args, r.stderr, row["check"]))
        # The engine's feed, as a table of power in dB against angle.
        with open(os.path.join(work, "feed.txt"), "w") as f:
            for i in range(0, 901):
                th = i * 0.1
                f.write("%g %.12g\n" % (th, -taper * (th / te) ** 2 if th < 90 else -300))
        base = open(os.path.join(work, "d.in")).read()
        base = re.sub(r"^(feedtaper|feedangle|feedthetamax|hole_radius|gridsize|out)\b.*\n", "", base, flags=re.M)
        results = {}
        # The hole on every other design: each cassbeam run takes seconds.
        runs = [("open", "")]
        if DESIGNS.index((t, fd, ds, te, taper, d_lambda)) % 2 == 0:
            runs.append(("hole", "hole_radius = %.12g\n" % (ds / 2)))
        for name, hole in runs:
            text = base + "out = " + name + "\nfeedpattern = feed.txt\ndiffeff = 1\ngridsize = 512\n" + hole
            open(os.path.join(work, name + ".in"), "w").write(text)
            c = subprocess.run(["cassbeam", name + ".in"], cwd=work, capture_output=True, text=True)
            expect(c.returncode == 0, "cassbeam on %s: %s" % (args, c.stderr[-300:]))
            results[name] = params(os.path.join(work, name + ".params"))
        ours = float(row["gain_dBi"]) - 10 * math.log10(float(row["eff_block"]))
        theirs = 10 * math.log10(results["open"]["gain"])
        worst_gain = max(worst_gain, abs(ours - theirs))
        expect(abs(ours - theirs) < 0.1, "%s: gain %.4f dBi, cassbeam %.4f dBi" % (" ".join(args), ours, theirs))
        if "hole" in results:
            block = abs(float(row["eff_block"]) - results["hole"]["blockeff"])
            worst_block = max(worst_block, block)
            expect(block < 0.005, "%s: eff_block %s, cassbeam %s" % (" ".join(args), row["eff_block"],
                                                                     results["hole"]["blockeff"]))
print("%d designs: gain within %.4f dB of cassbeam's, eff_block within %.5f" % (len(DESIGNS), worst_gain, worst_block))
finish()
