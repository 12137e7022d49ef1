#!/usr/bin/env python3
"""Whole-program fuzzing: random answer streams piped into both programs.

Usage: program_fuzz.py BIN_DIR [--runs N] [--seed S] [--jobs J] [--timeout SECONDS]

BIN_DIR should hold a sanitizer build (cmake -DREFLDSGN_SANITIZE=ON).  Each
input is either raw random bytes or a random mixture of plausible answers
(menu numbers, lengths, ranges, yes/no words, file names, labels) and
malformed ones.  Every run goes in a fresh folder, as an unprivileged user
when started as root, with a file-size limit, and must end within the time
limit with status 0 and nothing on standard error, or with status 1 and one
diagnostic line.  Failing inputs are kept under fuzz/findings/.
"""
import argparse
import concurrent.futures
import os
import random
import re
import resource
import shutil
import subprocess
import sys
import tempfile

DIAG = re.compile(rb"^refldsgn(?:-basic)?: severe \((9|24|30|38|43|59|64)\): "
                  rb"[a-zA-Z /-]+, unit (?:5|6|25|40|66), file [^\n]*\n\Z", re.S)

NUMBERS = ["0", "1", "2", "3", "4", "5", "6", "7", "8", "-1", "1.0", "-1.0", "0.5", "-0.5", "2.166667",
           "10", "30", "100", "1e38", "-1e38", "1e-40", "0.0", "-0", "65", "1000", "1e6", "3.4e38"]
RANGES = ["100,110,5", "110,100,-5", "100,110,0", "0,10,1", "0,10,3", "10,0,1", "1,2", "0.5,1,0.25",
          "0,1e6,1", "1,1,1", "0,0,0", "-5,5,2.5", "0,2,1", "0,100,3", "0,100,0", "0,100,1", "0,100,12",
          "1,2,,", "/", ",,", "3*1", "2*", "0 100 999", "0,100,2000", "1e30,-1e30,1"]
WORDS = ["y", "n", "yes", "no", "si", "ja", "maybe", "ok", "", "  ", "Sure"]
NAMES = ["r.txt", "a.rsf", "b.champ", "r.txt   ", "dir", "dir/x", "missing/x", "", "x" * 80, "lbl"]
GARBAGE = ["abc", "1..2", "--1", "1e", "*", "1.5", "NaN", "inf", "9" * 40, "\x00", "\xff\xfe", "1,2,3e", "+", "."]


def structured(rng):
    parts = []
    for _ in range(rng.randint(1, 80)):
        pick = rng.random()
        if pick < 0.55:
            parts.append(rng.choice(NUMBERS))
        elif pick < 0.75:
            parts.append(rng.choice(RANGES))
        elif pick < 0.83:
            parts.append(rng.choice(WORDS))
        elif pick < 0.90:
            parts.append(rng.choice(NAMES))
        elif pick < 0.93:
            parts.append(rng.choice(GARBAGE))
        else:
            parts.append(repr(rng.uniform(-1e4, 1e4)))
    text = "\n".join(parts) + ("\n" if rng.random() < 0.9 else "")
    data = text.encode("latin-1")
    if rng.random() < 0.2:  # a few byte-level mutations
        data = bytearray(data)
        for _ in range(rng.randint(1, 5)):
            if data:
                data[rng.randrange(len(data))] = rng.randrange(256)
        data = bytes(data)
    return data


def answer(rng, kind):
    """A plausible answer of one kind, now and then replaced by another."""
    if rng.random() < 0.015:
        return rng.choice(GARBAGE + WORDS + NAMES + NUMBERS + RANGES)
    if kind == "int":
        return str(rng.choice([0, 1, 1, 2, 2, 3, 4, 5, 6, 7, 8, -1]))
    if kind == "real":
        return rng.choice(NUMBERS + [repr(rng.uniform(-200, 200)) for _ in range(4)])
    if kind == "range":
        if rng.random() < 0.7:
            start = rng.uniform(-50, 200)
            return "%g,%g,%g" % (start, start + rng.uniform(-20, 60), rng.choice([1, 5, 0.5, -5, 10, 0.25]))
        return rng.choice(RANGES)
    if kind == "count":
        return "%g,%g,%d" % (rng.uniform(0, 10), rng.uniform(0, 100), rng.choice([0, 1, 2, 3, 12, 999, 1200]))
    if kind == "yesno":
        return rng.choice(WORDS)
    return rng.choice(NAMES)


def export_answers(rng, t, state):
    """The four export questions, answered as the dialogue asks them."""
    out = []
    blocks = ["main rsf", "main champ"] + (["sub rsf", "sub champ"] if t in ("-1", "1") else [])
    for block in blocks:
        yes = rng.random() < 0.5
        out.append(rng.choice(["y", "yes", "Sure"]) if yes else rng.choice(["n", "no", "", "ok"]))
        if not yes:
            continue
        out.append(rng.choice(["a.rsf", "b.champ", "dir/c", "out  "]))
        if block.endswith("champ"):
            out += [answer(rng, "int"), answer(rng, "count")]
            continue
        placement = block == "main rsf" or not state.get("main rsf")
        if placement:
            out.append(answer(rng, "real"))
        start = rng.uniform(0, 50)
        out.append("%g,%g,%g" % (start, start + rng.uniform(-10, 100), rng.choice([1, 2.5, -1, 0.1])))
        if placement:
            out.append(rng.choice(["1", "-1", "0.5"]))
        out.append(rng.choice(["label", "", "x" * 60]))
        if block == "main rsf":
            state["main rsf"] = True
    return out


def session(rng):
    """Answers that follow the program's questions, so that runs go deep."""
    out = [rng.choice(["r.txt", "r.txt", "dir/r", "r.txt   "])]
    yn = rng.choice(["y", "n", "yes", "no", ""])
    out.append(yn)
    export = yn.startswith("y")
    state = {}
    for _ in range(rng.randint(1, 4)):
        mode = rng.choice([1, 1, 2, 2, 3])
        case = rng.choice([1, 2, 3, 4, 5, 6, 7, 1, 2, 3, 4, 5, 6, 7, 0, 8])
        t = rng.choice(["-1", "1", "-1", "1", "1.0", "0.5"])
        out += [str(mode), str(case), t]
        if mode == 2:
            out.append(answer(rng, "real"))
            phase = rng.choice(["1", "0", "2"])
            out.append(phase)
            if phase == "1":
                out.append(answer(rng, "real"))
        if mode in (1, 2) and 1 <= case <= 7:
            n = 4 if mode == 1 else 3
            te_option = 4 if mode == 1 else (3 if case in (2, 5, 6, 7) else 0)
            for _ in range(rng.randint(0, 3)):
                vary = rng.choice(list(range(1, n + 1)) * 3 + [n + 3, -1])
                out.append(str(vary))
                out += [answer(rng, "real") for _ in range(n - (1 if 1 <= vary <= n else 0))]
                if not 1 <= vary <= n:
                    continue
                if vary == te_option:
                    out.append(rng.choice(["1", "2", "1", "2", "3"]))
                out.append(answer(rng, "range"))
                if export:
                    out.append(answer(rng, "real"))
                    out += export_answers(rng, t, state)
            out.append("0")
    out.append("0")
    text = "\n".join(out) + "\n"
    return text.encode("latin-1")


def make_input(rng):
    if rng.random() < 0.4:
        return session(rng)
    if rng.random() < 0.25:
        return bytes(rng.randrange(256) for _ in range(rng.randint(0, 400)))
    if rng.random() < 0.5:  # start with a plausible opening so the runs go deep
        head = rng.choice([b"r.txt\ny\n", b"r.txt\nn\n", b"r.txt\n"])
        mode = rng.choice([b"1\n", b"2\n"]) + str(rng.randint(0, 8)).encode() + b"\n" + rng.choice([b"-1\n", b"1\n"])
        return head + mode + structured(rng)
    return structured(rng)


def limit_child(unprivileged):
    def apply():
        resource.setrlimit(resource.RLIMIT_FSIZE, (20 << 20, 20 << 20))
        resource.setrlimit(resource.RLIMIT_CORE, (0, 0))
        if unprivileged:
            os.setgroups([])
            os.setgid(65534)
            os.setuid(65534)
    return apply


def run_one(args, index, data):
    program = os.path.join(args.bin_dir, "refldsgn" if index % 2 == 0 else "refldsgn-basic")
    work = tempfile.mkdtemp(prefix="refldsgn-fuzz-")
    os.chmod(work, 0o777)
    os.mkdir(os.path.join(work, "dir"))
    os.chmod(os.path.join(work, "dir"), 0o777)
    try:
        p = subprocess.run([program], input=data, cwd=work, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                           timeout=args.timeout, preexec_fn=limit_child(os.geteuid() == 0))
    except subprocess.TimeoutExpired:
        return index, data, "hang (over %g s)" % args.timeout, "hang"
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if p.returncode == 0 and p.stderr == b"":
        return index, data, None, "normal end"
    m = DIAG.match(p.stderr)
    if p.returncode == 1 and m:
        return index, data, None, "diagnostic " + m.group(1).decode()
    return index, data, "status %d, stderr %r" % (p.returncode, p.stderr[:300]), "failure"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("bin_dir")
    ap.add_argument("--runs", type=int, default=1000)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--jobs", type=int, default=2)
    ap.add_argument("--timeout", type=float, default=20.0)
    args = ap.parse_args()
    args.bin_dir = os.path.abspath(args.bin_dir)
    rng = random.Random(args.seed)
    inputs = [make_input(rng) for _ in range(args.runs)]
    findings = os.path.join(os.path.dirname(os.path.abspath(__file__)), "findings")
    failures = 0
    outcomes = {}
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        for index, data, problem, outcome in pool.map(lambda a: run_one(args, *a), enumerate(inputs)):
            outcomes[outcome] = outcomes.get(outcome, 0) + 1
            if problem is None:
                continue
            failures += 1
            os.makedirs(findings, exist_ok=True)
            path = os.path.join(findings, "input-%d-%d" % (args.seed, index))
            with open(path, "wb") as f:
                f.write(data)
            print("FAIL %s: %s" % (path, problem))
    print("outcomes: " + ", ".join("%s %d" % kv for kv in sorted(outcomes.items())))
    print("%d passed, %d failed" % (args.runs - failures, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
