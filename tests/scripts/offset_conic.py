"""What the offset tests share: rows of refldsgn-solve read as the floats
they stand for, and the sub conic built from its foci (O and F') and 2a
alone, independent of the program's formulas."""
import csv
import io
import math
import subprocess

import numpy as np


def solved_rows(solve, args, cwd=None):
    """The CSV rows of a run (the run must succeed), each number as its float."""
    r = subprocess.run([solve] + args + ["-f", "csv"], cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                       text=True)
    if r.returncode != 0:
        raise AssertionError("%s: %s" % (args, r.stderr.strip()))
    return [{k: (v if k in ("type", "check") else float(np.float32(v)) if v else math.nan) for k, v in row.items()}
            for row in csv.DictReader(io.StringIO(r.stdout))]


class Conic:
    """|PF'| - |PO| = 2a (the hyperboloid's branch near O) or |PF'| + |PO| = 2a."""

    def __init__(self, row):
        b = math.radians(row["BETA"])
        self.feed = -row["C2"] * np.array([math.sin(b), 0.0, math.cos(b)])
        self.a, self.sign = row["AS"], (-1 if row["type"] == "cassegrain" else 1)

    def residual(self, p):  # relative to 2a
        return (np.linalg.norm(p - self.feed, axis=-1) + self.sign * np.linalg.norm(p, axis=-1) - 2 * self.a) / (2 * self.a)

    def along(self, u):
        """Where rays from F' along u meet the conic, and how far they run:
        both conics give |F' + s u| = +-(s - 2a), so s is one quotient."""
        s = (4 * self.a ** 2 - np.dot(self.feed, self.feed)) / (2 * u @ self.feed + 4 * self.a)
        return self.feed + s[..., None] * u, s

    def on_line(self, u0):
        """The point of the line through O along u0 (at a negative multiple,
        beyond O, for an ellipsoid): one quotient for both conics again."""
        return (np.dot(self.feed, self.feed) - 4 * self.a ** 2) / (4 * self.a + 2 * (u0 @ self.feed)) * u0
