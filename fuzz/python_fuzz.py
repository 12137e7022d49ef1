#!/usr/bin/env python3
"""Random keyword sets, values and array shapes through the Python
package: solve(), steps(), the selections and the file writers.

    python3 fuzz/python_fuzz.py BUILD_DIR [--runs N] [--seed S]

Nothing may crash, and the only exceptions are refldsgn.InputError and
OSError.  Run it on the sanitizer build with the sanitizer runtimes
preloaded (fuzz/smoke.sh does); failing cases are printed with their seed.
"""
import argparse
import math
import os
import random
import sys
import tempfile
import traceback

try:
    import pandas
except ImportError:
    pandas = None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--runs", type=int, default=2000)
    ap.add_argument("--seed", type=int, default=1)
    opt = ap.parse_args()
    sys.path.insert(0, os.path.join(os.path.abspath(opt.build), "python"))
    import numpy as np
    import refldsgn

    rng = random.Random(opt.seed)
    keys = list(refldsgn.QUANTITIES) + ["XX", "dm", ""]
    specials = [0.0, -0.0, -1.0, 1.0, math.nan, math.inf, -math.inf, 3e38, -3e38, 1e-45, 1e300, 2.52, 6, 0.35,
                2.04624, 90, 180, -15]

    def number():
        r = rng.random()
        if r < 0.4:
            return rng.choice(specials)
        if r < 0.8:
            return rng.uniform(-10, 100)
        return 10 ** rng.uniform(-40, 40) * rng.choice([1, -1])

    def value(name):
        r = rng.random()
        if name == "type":
            return rng.choice(["cassegrain", "gregorian", -1, 1, 0, "x", None, [1, -1], math.nan])
        if name == "unit":
            return rng.choice(["m", "mm", "in", "ft", "yd", 4, None])
        if r < 0.55:
            return number()
        if r < 0.85:
            shape = tuple(rng.randint(0, 4) for _ in range(rng.randint(1, 3)))
            return np.array([number() for _ in range(int(np.prod(shape)))], dtype=np.float64).reshape(shape)
        if r < 0.9:
            return rng.choice(["abc", "", None, [1, "a"], {"a": 1}, b"1", [[1, 2], [3]], True, 1j])
        return np.full((rng.randint(1, 3000),), number())

    work = tempfile.mkdtemp()
    bad = 0
    outcomes = {}
    for run in range(opt.runs):
        rng.seed(opt.seed * 1_000_003 + run)
        kw = {"type": rng.choice(["cassegrain", "gregorian", -1, 1, "prime"])}
        base = rng.choice([["DM", "FM"], ["DM", "FM", "H", "DF"], ["FM", "TH0", "TE"], ["DM", "FM", "DS", "TE"], ["DM", "LM", "LS", "FDE"], ["DM", "FM", "TE", "DF", "LP"],
                           ["DM", "FM", "LM", "DF"], ["DM", "FM", "H", "BETA", "DS"], ["DM", "FM", "HC", "E", "LS"],
                           ["DM", "TH0", "BETA", "LS", "DFPR"], ["DM", "FM", "TH0", "ALPHA", "DSRPR", "DF"]])
        for k in base:
            kw[k] = value(k) if rng.random() < 0.3 else rng.choice([6, 2.52, 0.35, 2.04624, 1, 0.5, 45, 38, 40, 10])
        if "E" in kw and rng.random() < 0.3:
            kw["root"] = rng.choice([1, 2, 3, [1, 2]])
        if rng.random() < 0.3:
            k = rng.choice(keys)
            kw[k] = value(k)
        if rng.random() < 0.15:
            del kw[rng.choice(list(kw))]
        try:
            if rng.random() < 0.1:
                refldsgn.steps(number(), number(), number())
            d = refldsgn.solve(**kw)
            n = d.size
            _ = d.check_text(), d.ok, d.shape, d._repr_html_(), d.ravel(), d.to_pandas() if pandas else None
            if n:
                i = rng.randrange(n)
                row = d.ravel()[i]
                sub = d[d.ok]
                _ = sub.ravel()[::-1], d[rng.randrange(-len(d), len(d))], d[tuple(rng.randrange(k) for k in d.shape)]
                action = rng.randrange(13)
                path = os.path.join(work, "f%d" % rng.randrange(3)) if rng.random() < 0.9 else "/nonexistent/x"
                if action == 0:
                    d.to_csv(path, jobs=rng.choice([None, 1, 2]))
                elif action == 1:
                    sub.to_json(path)
                elif action == 2:
                    row.write_rsf(path, rng.choice(["main", "sub", "x"]),
                                  rng.choice([None, (0, 1, 0.1), (0, number(), number()), (1, 0, 1), "0:1:1"]),
                                  zoffset=rng.choice([0, number(), "z"]), reverse=rng.random() < 0.5,
                                  label=rng.choice([None, "x", "y" * 50, 3]))
                elif action == 3:
                    row.write_champ(path, rng.choice(["main", "sub"]), rng.choice([None, (0, 1, 0.5), (0, 1, 1e-4)]))
                elif action == 4:
                    row.profile(rng.choice([None, (0, number(), number())]))
                elif action == 5:
                    row.svg()
                elif action == 6:
                    d.plot(rng.choice([None, "LT", "XX"]))
                elif action == 9:
                    rng.choice([row.write_sfc_main, row.write_sfc_sub])(path, grid=rng.choice([None, 7, (9, 6), 3, "x"]))
                elif action == 10:
                    rng.choice([row.write_tor, row.write_profile])(path)
                elif action == 11:
                    rng.choice([row.sketch, lambda: d.write_html(path, at=rng.randrange(-1, n + 1)),
                                lambda: d.write_table(path)])()
                elif action == 12:
                    try:
                        rng.choice([lambda: setattr(d, "DM", 1), lambda: setattr(row, "x", 1)])()
                        raise RuntimeError("an attribute was set")
                    except AttributeError:
                        pass
                elif action == 7:
                    cad = rng.choice([row.write_dxf, row.write_stl, row.write_step])
                    extra = {row.write_dxf: {"r12": rng.random() < 0.5},
                             row.write_stl: {"tolerance": rng.choice([None, 1, 0.1, 0, -1, "t"])},
                             row.write_step: {"thickness": rng.choice([None, 0.01, 0, "t"])}}[cad]
                    cad(path, main_range=rng.choice([None, (0, 1, 0.5), (0, number(), number())]), **extra)
                else:
                    row.write_cassbeam(path)
            outcome = "ok"
        except (refldsgn.InputError, refldsgn.CadError, OSError, IndexError) as e:
            outcome = type(e).__name__
        except Exception:  # noqa: BLE001
            bad += 1
            outcome = "bad"
            print("FAIL run %d (seed %d): %r" % (run, opt.seed, kw))
            traceback.print_exc()
        outcomes[outcome] = outcomes.get(outcome, 0) + 1
    print("python_fuzz: %d runs, %s" % (opt.runs, ", ".join("%s %d" % kv for kv in sorted(outcomes.items()))))
    sys.exit(1 if bad else 0)


main()
