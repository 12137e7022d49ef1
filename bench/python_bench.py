#!/usr/bin/env python3
"""A million designs in Python three ways, each timed in a fresh process:

  refldsgn.solve   the package: mode 1 case 1 with DM an array, solved and
                   checked into float32 columns;
  numpy            the same closed form written by hand in vectorised numpy
                   (FM, DS, AS, FS, e and M; no checks), as a user would;
  CSV subprocess   refldsgn-solve -f csv in a subprocess, read by pandas.

    bench/python_bench.py [BUILD_DIR] [--runs N] [--rows N]

Prints the median seconds of each (the import is not timed) and its peak
resident memory, then how two threads of one program share the machine:
each solves 2,000,000 designs on one thread (jobs=1), both at once and one
after the other, and the ratio of the two times (1.0: the threads
serialise; 0.5: they run side by side on two cores).  Needs Debian's
python3 with numpy and pandas.
"""
import argparse
import os
import statistics
import subprocess
import sys

WORK = {
    "refldsgn.solve": """
import refldsgn
dm = refldsgn.steps(100, 100 + (ROWS - 1) * 0.01, 0.01)
t0 = time.perf_counter()
d = refldsgn.solve(type=-1, DM=dm, LM=20, LS=65, FDE=2.1666667)
t1 = time.perf_counter()
assert len(d) == ROWS
""",
    "numpy": """
import numpy as np
dm = np.float32(100) + np.arange(ROWS, dtype=np.float32) * np.float32(0.01)
t0 = time.perf_counter()
t, DM, LM, LS = -1.0, dm.astype(np.float64), 20.0, 65.0
TE = 2 * np.arctan(1 / (4 * 2.1666667))
S, T = np.sin(TE), np.tan(TE / 2)
FS = (t * DM - 4 * LM * T) * LS / (2 * t * DM + 8 * LS * T)
FM = 2 * FS + LM
AS = LS - FS
DS = 4 * (LS - FS) / (1 / S + t * (DM * DM + 16 * FM * FM) / (8 * FM * DM))
e = FS / AS
M = (e + 1) / (e - 1)
cols = [x.astype(np.float32) for x in (FM, DS, AS, FS, e, M)]
t1 = time.perf_counter()
assert len(cols[0]) == ROWS
""",
    "CSV subprocess": """
import io, subprocess
import pandas as pd
stop = "%.2f" % (100 + (ROWS - 1) * 0.01)
t0 = time.perf_counter()
out = subprocess.run([SOLVE, "type=-1", "DM=100:" + stop + ":0.01", "LM=20", "LS=65", "FDE=2.1666667", "-f", "csv"],
                     stdout=subprocess.PIPE, check=True).stdout
frame = pd.read_csv(io.BytesIO(out))
t1 = time.perf_counter()
assert len(frame) == ROWS
""",
}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build", nargs="?", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--rows", type=int, default=1_000_000)
    opt = ap.parse_args()
    build = os.path.abspath(opt.build)
    env = dict(os.environ, PYTHONPATH=os.path.join(build, "python"))
    print("%d designs, median of %d runs" % (opt.rows, opt.runs))
    for name, body in WORK.items():
        script = ("import resource, time\nROWS = %d\nSOLVE = %r\n" % (opt.rows, os.path.join(build, "refldsgn-solve"))
                  + body + "\nprint(t1 - t0, resource.getrusage(resource.RUSAGE_SELF).ru_maxrss"
                  " + resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss)\n")
        times, peaks = [], []
        for _ in range(opt.runs):
            out = subprocess.run([sys.executable, "-c", script], env=env, stdout=subprocess.PIPE, check=True).stdout
            t, peak = out.split()
            times.append(float(t))
            peaks.append(int(peak))
        print("  %-16s %8.3f s   peak %6.1f MiB" % (name, statistics.median(times), max(peaks) / 1024))
    out = subprocess.run([sys.executable, "-c", THREADS % (opt.runs,)], env=env, stdout=subprocess.PIPE,
                         check=True).stdout.decode()
    print(out, end="")


THREADS = """
import statistics, threading, time
import refldsgn
ROWS = 2_000_000
dm = refldsgn.steps(100, 100 + (ROWS - 1) * 0.01, 0.01)
def work():
    refldsgn.solve(type=-1, DM=dm, LM=20, LS=65, FDE=2.1666667, jobs=1)
work()
apart, together = [], []
for _ in range(%d):
    t0 = time.perf_counter(); work(); work(); apart.append(time.perf_counter() - t0)
    threads = [threading.Thread(target=work) for _ in range(2)]
    t0 = time.perf_counter()
    for t in threads: t.start()
    for t in threads: t.join()
    together.append(time.perf_counter() - t0)
a, b = statistics.median(apart), statistics.median(together)
print("two threads of 2000000 designs each (jobs=1): one after the other %%.3f s, at once %%.3f s, ratio %%.2f" %% (a, b, b / a))
"""


main()
