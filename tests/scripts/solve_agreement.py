#!/usr/bin/env python3
"""refldsgn-solve agrees with the interactive tables to the printed digit.

For every mode (1, 2, and 2 with the feed phase centre), every case, both
reflector types and every quantity the case can sweep, the same sweep is
typed into refldsgn-basic and given to refldsgn-solve; every column of each
table row must read the same when the solve program's CSV value is written
in the row's own field (Fortran F, exact decimal, half up).  Angle sweeps
run in degrees and, once per mode, as effective f/D values.
"""
import csv
import io
import os
import struct
import subprocess
import sys
import tempfile

bin_dir, tests_dir = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
sys.path.insert(0, os.path.join(tests_dir, "e2e", "tools"))
from case_texts import MODE1_CASES, MODE2_CASES  # noqa: E402
from make_sessions import fmt_F  # noqa: E402

BASIC = os.path.join(bin_dir, "refldsgn-basic")
SOLVE = os.path.join(bin_dir, "refldsgn-solve")

# Consistent designs (ten times the reference designs) with their
# minimum-blockage feed diameters, without and with LP = 0.5.
DESIGNS = {
    -1: dict(DM=20, FM=10, LM=2, DS=3.18367, LS=6.5, TE=13.1639, DF=2.54694, DF_LP=2.38776),
    1: dict(DM=20, FM=10, LM=2, DS=3.80952, LS=10, TE=11.4212, DF=3.04762, DF_LP=2.85714),
}
MODE1_WIDTHS = [(9, 4), (9, 4), (12, 4), (11, 4), (10, 4), (9, 4)]
MODE2_WIDTHS = [(9, 4), (9, 4), (10, 4), (9, 4), (9, 4), (8, 3), (9, 4)]


def f32(text):
    return struct.unpack("<f", struct.pack("<f", float(text)))[0]


def sweep_of(q, value, fd):
    """START:STOP:STEP of five rows around a value (FDE values for fd)."""
    if q == "TE":
        return ("2:3:0.25" if fd else "%g:%g:0.5" % (round(value) - 1, round(value) + 1))
    start, step = float("%g" % (value * 0.96)), float("%g" % (value * 0.02))
    return "%g:%.9g:%g" % (start, start + 4 * step, step)


def dialogue_rows(mode, kase, t, phase, vary, swept_q, fixed, sweep, fd, d):
    start, stop, step = sweep.split(":")
    answers = ["report.txt", str(mode), str(kase), str(t)]
    if mode == 2:
        answers += [str(d["DF_LP"] if phase else d["DF"]), "1" if phase else "0"]
        if phase:
            answers.append("0.5")
    answers.append(str(vary))
    answers += [str(v) for v in fixed]
    if swept_q == "TE":
        answers.append("2" if fd else "1")
    answers += [",".join([start, stop, step]), "0", "0"]
    with tempfile.TemporaryDirectory() as work:
        subprocess.run([BASIC], input="\n".join(answers) + "\n", text=True, cwd=work, check=True,
                       stdout=subprocess.DEVNULL)
        lines = open(os.path.join(work, "report.txt")).read().splitlines()
    width = 60 if mode == 1 else 63
    return [l for l in lines if len(l) == width and not l.lstrip()[0].isalpha()]


def solve_rows(mode, t, phase, assignments):
    args = [SOLVE, "-f", "csv", "type=%d" % t] + assignments
    out = subprocess.run(args, capture_output=True, text=True, check=True).stdout
    return list(csv.DictReader(io.StringIO(out)))


def main():
    checked = failures = 0
    for mode, phase, cases in [(1, False, MODE1_CASES), (2, False, MODE2_CASES), (2, True, MODE2_CASES)]:
        for kase, case in sorted(cases.items()):
            for t, d in sorted(DESIGNS.items()):
                prescribed = case["prescribed"]
                for vary, swept_q in enumerate(prescribed, start=1):
                    for fd in ([False, True] if swept_q == "TE" and kase == 1 else [False]):
                        sweep = sweep_of(swept_q, d[swept_q], fd)
                        fixed = [d[q] for q in prescribed if q != swept_q]
                        assignments = []
                        for q in prescribed:
                            name = "FDE" if (q == "TE" and fd) else q
                            assignments.append("%s=%s" % (name, sweep if q == swept_q else d[q]))
                        if mode == 2:
                            assignments.append("DF=%s" % (d["DF_LP"] if phase else d["DF"]))
                            if phase:
                                assignments.append("LP=0.5")
                        want = dialogue_rows(mode, kase, t, phase, vary, swept_q, fixed, sweep, fd, d)
                        got = solve_rows(mode, t, phase, assignments)
                        label = "mode %d%s case %d type %d sweep %s%s" % (
                            mode, " +LP" if phase else "", kase, t, swept_q, " (f/D)" if fd else "")
                        if len(want) != 5 or len(got) != 5:
                            print("%s: %d dialogue rows, %d solve rows" % (label, len(want), len(got)))
                            failures += 1
                            continue
                        columns = [("FDE" if fd else swept_q)] + case["cols"][:2] + ["AS", "FS"]
                        if mode == 2:
                            columns.append(case["cols"][2])
                        columns.append("LT")
                        widths = MODE1_WIDTHS if mode == 1 else MODE2_WIDTHS
                        for line, row in zip(want, got):
                            fields, at = [], 0
                            for w, _ in widths:
                                fields.append(line[at:at + w])
                                at += w
                            expect = [fmt_F(f32(row[c]), w, dd) for c, (w, dd) in zip(columns, widths)]
                            checked += len(fields)
                            if fields != expect:
                                failures += 1
                                print("%s:\n  dialogue %s\n  solve    %s" % (label, fields, expect))
    print("%d fields compared, %d mismatches" % (checked, failures))
    sys.exit(1 if failures else 0)


main()
