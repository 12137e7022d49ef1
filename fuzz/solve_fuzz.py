#!/usr/bin/env python3
"""Fuzzing refldsgn-solve with random argument lists.

Usage: solve_fuzz.py BIN_DIR [--runs N] [--seed S] [--jobs J] [--timeout SECONDS]

BIN_DIR should hold a sanitizer build (cmake -DREFLDSGN_SANITIZE=ON).  Each
run is a random list of valid and invalid quantities, values, sweeps, study
files and options.  It must end within the time limit with status 0 or 3
(rows written, nothing on standard error), or 2 (one line on standard error
beginning "refldsgn-solve: ", nothing on standard output); 1 is an I/O
failure and never expected here.  Failing argument lists are kept under
fuzz/findings/.
"""
import argparse
import concurrent.futures
import os
import random
import shlex
import subprocess
import sys
import tempfile

KEYS = ["type", "DM", "FM", "LM", "DS", "LS", "TE", "FDE", "DF", "LP", "H", "HC", "TH0", "BETA", "ALPHA", "E", "LSM",
        "C2", "DFPR", "DSRPR", "root"]
BAD_KEYS = ["dm", "Dm", "X", "", "type ", " DM", "TE2", "D M"]
TYPES = ["cassegrain", "gregorian", "-1", "1", "prime", "1.0", "+1", "0", "2", "Cassegrain", "", "-1e0", "nan", "Prime"]
NUMBERS = ["0", "1", "-1", "0.5", "2.52", "6", "100", "-2.47", "1e-3", "1e38", "-1e38", "3.4e38", "1e-45", "0.0",
           "-0", ".5", "5.", "90", "89.999", "1e30", "65", "13.1639", "45", "38", "40", "6", "0.35", "1.84", "2"]
BAD_NUMBERS = ["", "abc", "1..2", "--1", "1e", "inf", "nan", "0x10", "1,5", "9" * 60, "1e39", "\u00e9", "1 2"]


def value(rng):
    r = rng.random()
    if r < 0.55:
        return rng.choice(NUMBERS)
    if r < 0.62:  # a list
        return ",".join(rng.choice(NUMBERS) for _ in range(rng.randint(1, 4))) + rng.choice(["", "", "", ",", ",,1"])
    if r < 0.85:  # a sweep, mostly short
        start = rng.choice(NUMBERS)
        step = rng.choice(["1", "0.5", "-1", "0", "10", "0.001", "1e30", "-0.5", "2"])
        stop = rng.choice([start, "10", "100", "0", "-10", "1e3", "200"])
        return "%s:%s:%s" % (start, stop, step)
    if r < 0.95:
        return rng.choice(BAD_NUMBERS)
    return rng.choice(["1:2", "1:2:3:4", ":::", "1::1", "a:b:c"])


MODE1 = [["DM", "LM", "LS"], ["DM", "FM", "LM"], ["DM", "FM", "LS"], ["FM", "DS", "LS"], ["LM", "DS", "LS"],
         ["DM", "FM", "DS"], ["DM", "DS", "LS"]]
MODE2 = [["DM", "FM", "LM"], ["DM", "FM", "TE"], ["DM", "FM", "DS"], ["DM", "LM", "DS"], ["DM", "DS", "TE"],
         ["DM", "LM", "TE"], ["DM", "LS", "TE"]]


# The prime-focus cases (mode 4): two of DM, FM, TE, or three with H, HC or TH0.
PRIME = [["DM", "FM"], ["DM", "TE"], ["FM", "TE"]] + [
    [a, b, c] for a, b, c in
    [("DM", "FM", "H"), ("DM", "FM", "HC"), ("DM", "FM", "TH0"), ("DM", "H", "TH0"), ("DM", "HC", "TH0"),
     ("DM", "H", "TE"), ("DM", "HC", "TE"), ("DM", "TH0", "TE"), ("FM", "H", "TH0"), ("FM", "HC", "TH0"),
     ("FM", "H", "TE"), ("FM", "HC", "TE"), ("FM", "TH0", "TE"), ("H", "TH0", "TE"), ("HC", "TH0", "TE")]]


def arguments(rng, study):
    """Mostly a valid case with random values, then a few random changes."""
    args = ["type=" + rng.choice(TYPES[:4] if rng.random() < 0.9 else TYPES)]
    r = rng.random()
    if r < 0.15:  # a prime-focus dish
        args = ["type=prime"]
        keys = list(rng.choice(PRIME)) + (["DF"] if rng.random() < 0.3 else [])
    elif r < 0.35:  # an offset design: main, shape, scale (or a case of 25 to 31)
        if rng.random() < 0.8:
            keys = ["DM", "FM", rng.choice(["H", "HC", "TH0"]), rng.choice(["BETA", "E", "ALPHA", "TE", "FDE"]),
                    rng.choice(["DS", "LS", "LSM", "C2", "DFPR", "DSRPR"])]
        else:
            keys = rng.choice([["DM", "TH0", "TE", "BETA", rng.choice(["DS", "LS", "LSM", "C2", "DFPR", "DSRPR"])],
                               ["DM", "TH0", "BETA", "LS", "DFPR"]])
        if rng.random() < 0.2:
            keys.append("DF")
        if "E" in keys and rng.random() < 0.3:
            args.append("root=" + rng.choice(["1", "2", "3", "0"]))
    elif r < 0.65:
        keys = rng.choice(MODE1) + [rng.choice(["TE", "FDE"])]
    else:
        keys = [k if k != "TE" or rng.random() < 0.7 else "FDE" for k in rng.choice(MODE2)] + ["DF"]
        if rng.random() < 0.5:
            keys.append("LP")
    swept = 0
    for key in keys:
        v = value(rng) if rng.random() < 0.15 else rng.choice(NUMBERS)
        if ":" not in v and swept < 2 and rng.random() < 0.3:
            v = "%s:%s:%s" % (rng.choice(["0.5", "1", "2", "6", "-1", "0"]), rng.choice(["10", "20", "100"]),
                              rng.choice(["1", "0.5", "2.5", "7", "3"]))
        swept += ":" in v
        args.append("%s=%s" % (key, v))
    for _ in range(rng.choice([0, 0, 0, 1, 1, 2, 3])):
        r = rng.random()
        if r < 0.3 and len(args) > 1:
            del args[rng.randrange(len(args))]
        elif r < 0.55:
            key = rng.choice(KEYS)
            args.append("%s=%s" % (key, rng.choice(TYPES) if key == "type" else value(rng)))
        elif r < 0.65:
            args.append("%s=%s" % (rng.choice(BAD_KEYS), value(rng)))
        elif r < 0.8:
            args.append(rng.choice(["-f ", "--format ", "--format="]) + rng.choice(["table", "csv", "json", "xml", ""]))
        elif r < 0.85:
            args.append(rng.choice(["--strict", "--bogus", "-x", "--", "DM", "-j 1", "-j 2", "-j 7", "-j 0",
                                    "--jobs=-1", "-j x", "-j 99999"]))
        elif r < 0.88:
            args.append(rng.choice(["--dxf x.dxf", "--dxf-r12", "--stl x.stl", "--step x.step", "unit=m", "unit=in",
                                    "--tolerance " + rng.choice(["1", "0.1", "0.01", "0", "-1", "abc", "1e-30", "nan",
                                                                 "1e38"]),
                                    "--thickness " + rng.choice(["0.01", "0.5", "0", "-2", "x", "1e30", "1e-20"]),
                                    "--main-range 0.5:6:0.5", "--sub-range 0:1:0.25"]))
        elif r < 0.89:  # outputs that clash with each other or with the study file
            name = rng.choice(["same.out", "./same.out", "sub/../same.out", "study.txt", "./study.txt", "link.out"])
            args.append(rng.choice(["--svg ", "--rsf-main ", "--profile ", "--dxf ", "--sketch ", "--tor "]) + name)
        elif r < 0.92:
            args.append(rng.choice(["--svg d.svg", "--plot p.svg", "--html h.html", "--at 1", "--at 0", "--at 3",
                                    "--plot-y LT", "--plot-y XX", "--rsf-main m.rsf", "--champ-sub s.champ",
                                    "--profile p.csv", "--main-range 0:1:0.1", "--label x", "--sfc-main m.sfc",
                                    "--sfc-sub s.sfc", "--tor d.tor", "--grid 7", "--grid 9,6", "--grid 3",
                                    "--grid 1,x", "unit=mm", "taper=12", "--sketch k.svg"]))
        else:
            args.append("@" + study)
    rng.shuffle(args)
    # An option and its value stay together.
    return [part for a in args for part in (a.split(" ", 1) if a.startswith("-") and " " in a else [a])]


def study_file(rng, path):
    lines = []
    for _ in range(rng.randint(0, 6)):
        key = rng.choice(KEYS + BAD_KEYS[:2])
        val = rng.choice(TYPES) if key == "type" else value(rng)
        lines.append(rng.choice(["%s=%s", "%s = %s", " %s= %s # note", "%s=%s %% c"]) % (key, val))
        if rng.random() < 0.1:
            lines.append(rng.choice(["", "# only a comment", "garbage", "=5"]))
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def check(program, args, cwd, timeout):
    try:
        r = subprocess.run([program] + args + ["-o", os.devnull], cwd=cwd, capture_output=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return "timeout"
    err = r.stderr.decode(errors="replace")
    if r.returncode in (0, 3):
        # The one thing a run that succeeds may say: that the row of its
        # files fails its checks.
        if err and not (err.startswith("refldsgn-solve: warning: row ") and err.count("\n") == 1):
            return "status %d with stderr %r" % (r.returncode, err[:300])
        return None
    if r.returncode == 2:
        if r.stdout:
            return "status 2 with output"
        written = sorted(set(os.listdir(cwd)) - {"study.txt", "sub", "link.out"})
        if written:
            return "status 2 wrote %s" % written
        if not err.startswith("refldsgn-solve: ") or err.count("\n") != 1:
            return "status 2 with stderr %r" % err[:300]
        return None
    return "status %d, stderr %r" % (r.returncode, err[:300])


def one(program, seed, timeout):
    rng = random.Random(seed)
    with tempfile.TemporaryDirectory() as work:
        study = os.path.join(work, "study.txt")
        study_file(rng, study)
        text = open(study).read()
        os.mkdir(os.path.join(work, "sub"))
        os.symlink("same.out", os.path.join(work, "link.out"))
        args = arguments(rng, study)
        problem = check(program, args, work, timeout)
        # An input of the run is never written; a file of the same name that
        # the run does not read may be an output.
        if not problem and "@" + study in args and open(study).read() != text:
            problem = "the study file was overwritten"
        return (seed, args, text, problem) if problem else None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("bin_dir")
    ap.add_argument("--runs", type=int, default=2000)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--timeout", type=float, default=60.0)
    a = ap.parse_args()
    program = os.path.join(os.path.abspath(a.bin_dir), "refldsgn-solve")
    findings = os.path.join(os.path.dirname(os.path.abspath(__file__)), "findings")
    bad = 0
    with concurrent.futures.ThreadPoolExecutor(a.jobs) as pool:
        for result in pool.map(lambda s: one(program, s, a.timeout), range(a.seed * 100000, a.seed * 100000 + a.runs)):
            if result is None:
                continue
            bad += 1
            seed, args, study, problem = result
            os.makedirs(findings, exist_ok=True)
            with open(os.path.join(findings, "solve-%d.txt" % seed), "w") as f:
                f.write("args: %s\nstudy.txt:\n%s\nproblem: %s\n" % (shlex.join(args), study, problem))
            print("seed %d: %s\n  %s" % (seed, problem, shlex.join(args)))
    print("refldsgn-solve: %d runs, %d failures" % (a.runs, bad))
    sys.exit(1 if bad else 0)


if __name__ == "__main__":
    main()
