#!/usr/bin/env python3
"""Builds the transcript cases of the design dialogue under tests/e2e/.

Usage: make_sessions.py BIN_DIR [CASE ...]

Each session below is a script of answers.  This tool plays it through its
own model of the dialogue (prompts, menus, report header, headings and rows
from case_texts.py) and computes every number itself:

* inputs are rounded to single precision as the program reads them, the
  feed-angle and sweep conversions and the row count follow the dialogue's
  rules, and LT follows its two formulas;
* every solved quantity is found by Newton's method on the geometric
  identities of a dual-reflector design (FM = LM + 2 FS, LS = FS + AS, the
  FS/LS relation through tan(TE/2), the tan(TE) relation, and for minimum
  blockage FM DF = DS (2 FS - LP)), starting from the reference design and
  continued from row to row, then rounded to single precision.  The
  program's closed-form solvers are not consulted;
* the middle row of every sweep around a reference design is checked
  against the reference design itself (the consistent Cassegrain and
  Gregorian designs, scaled by 100).

The tool then runs the program on the session and compares both outputs
line by line: every text must be identical, and every number must agree
within one unit of its last decimal or, for the few ill-conditioned
designs, within 3e-6 of its value (each such field is listed).  The
expected files hold the model's text, with the program's last digits
kept where the two differ that little (the count is printed).  Any other
difference stops the tool.

Run it again after a change of the solvers, and read what it lists.
"""

import math
import os
import struct
import subprocess
import sys
import tempfile
from decimal import ROUND_HALF_UP, Decimal
from fractions import Fraction

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from case_texts import *  # noqa: E402,F401,F403

HERE = os.path.dirname(os.path.abspath(__file__))
E2E = os.path.dirname(HERE)
CREDITS = ' refldsgn: closed-form sizing and sweeps of dual-reflector geometry'
REPORT = 'report.txt'

# ---------------------------------------------------------------- numbers


def f32(x):
    """x rounded to single precision (overflow to infinity)."""
    if math.isnan(x) or math.isinf(x):
        return x
    try:
        return struct.unpack('<f', struct.pack('<f', x))[0]
    except OverflowError:
        return math.copysign(math.inf, x)


def f32_bits(bits):
    return struct.unpack('<f', struct.pack('<I', bits))[0]


def f32_neighbours(x):
    b = struct.unpack('<I', struct.pack('<f', x))[0]
    return [f32_bits(b - 1), x, f32_bits(b + 1)] if 0 < b < 0x7F7FFFFF else [x]


def read_real(text):
    """A typed real, correctly rounded to single precision."""
    exact = Fraction(Decimal(text.replace('d', 'e').replace('D', 'e')))
    best = None
    for c in f32_neighbours(abs(f32(float(exact)))):
        err = abs(Fraction(c) - abs(exact))
        if best is None or err < best[0]:
            best = (err, c)
    return math.copysign(best[1], float(exact)) if exact != 0 else 0.0


DEGREE = f32_bits(0x3C8EFA35)
ALLOWANCE = f32_bits(0x3FB33333)  # 1.4 in single precision


def fmt_F(v, w, d):
    """Fw.d of a single-precision value: exact decimal, half up."""
    if math.isnan(v):
        text = 'NaN'
    elif math.isinf(v):
        text = 'Infinity' if v > 0 else '-Infinity'
    else:
        q = Decimal(v).quantize(Decimal(1).scaleb(-d), rounding=ROUND_HALF_UP)
        neg = v < 0
        digits = format(abs(q), 'f')
        if digits.startswith('0.') and len(digits) + (1 if neg else 0) > w:
            digits = digits[1:]
        text = ('-' if neg else '') + digits
    return '*' * w if len(text) > w else text.rjust(w)


def row_count(start, stop, step):
    if step == 0:
        return 0
    n = (stop - start) / step + ALLOWANCE
    if not (-2147483649.0 < n < 2147483648.0):
        return 0
    return int(n)  # truncates toward zero


def feed_angle(answer):
    if answer < 0:
        return f32(2 * math.atan(-1 / (4 * answer)))
    return f32(answer * DEGREE)


def swept_angle(value, angle_type):
    if angle_type == 2:
        return f32(2 * math.atan(1 / (4 * value)))
    return f32(value * DEGREE)


def total_length(g):
    FM, DS, AS, FS = g['FM'], g['DS'], g['AS'], g['FS']
    if g['t'] in (-1.0, 1.0) and None in (FM, DS, AS, FS):
        g['LT'] = None
        return
    try:
        if g['t'] == -1.0:
            g['LT'] = f32(FM + AS * math.sqrt(1 + DS * DS / (4 * (FS * FS - AS * AS))) - FS)
        elif g['t'] == 1.0:
            g['LT'] = f32(FM + AS - FS)
    except (ValueError, ZeroDivisionError):
        g['LT'] = math.nan


# ------------------------------------------------- designs and their solution

LENGTHS = ['DM', 'FM', 'LM', 'DS', 'LS']


def residuals(v, blockage):
    t, T = v['t'], math.tan(v['TE'] / 2)
    r = [v['FM'] - v['LM'] - 2 * v['FS'],
         v['LS'] - v['FS'] - v['AS'],
         2 * t * v['DM'] * v['FS'] - v['LS'] * (t * v['DM'] - 4 * v['FM'] * T),
         math.tan(v['TE']) * (32 * v['FS'] * v['FM'] * v['DM'] + t * v['DS'] * (16 * v['FM'] ** 2 - v['DM'] ** 2))
         - 8 * v['FM'] * v['DM'] * v['DS']]
    if blockage:
        r.append(v['FM'] * v['DF'] - v['DS'] * (2 * v['FS'] - v['LP']))
    return r


def newton(known, unknown, guess, blockage):
    """Solves the identities for the unknown quantities near the guess;
    None if it does not converge."""
    x = [guess[k] for k in unknown]
    n = len(x)
    for _ in range(100):
        v = dict(known, **dict(zip(unknown, x)))
        r = residuals(v, blockage)
        J = [[0.0] * n for _ in range(n)]
        for j in range(n):
            h = 1e-7 * max(1.0, abs(x[j]))
            vp = dict(v); vp[unknown[j]] = x[j] + h
            vm = dict(v); vm[unknown[j]] = x[j] - h
            rp, rm = residuals(vp, blockage), residuals(vm, blockage)
            for i in range(n):
                J[i][j] = (rp[i] - rm[i]) / (2 * h)
        A = [J[i] + [-r[i]] for i in range(n)]  # Gaussian elimination, partial pivoting
        for c in range(n):
            p = max(range(c, n), key=lambda i: abs(A[i][c]))
            if A[p][c] == 0:
                return None
            A[c], A[p] = A[p], A[c]
            for i in range(c + 1, n):
                f = A[i][c] / A[c][c]
                for k in range(c, n + 1):
                    A[i][k] -= f * A[c][k]
        dx = [0.0] * n
        for i in reversed(range(n)):
            dx[i] = (A[i][n] - sum(A[i][k] * dx[k] for k in range(i + 1, n))) / A[i][i]
        x = [a + b for a, b in zip(x, dx)]
        if not all(math.isfinite(a) for a in x):
            return None
        if all(abs(b) <= 1e-12 * max(1.0, abs(a)) for a, b in zip(x, dx)):
            return dict(zip(unknown, x))
    return None


def follow(start_known, start_solution, known, unknown, blockage, steps=64):
    """Follows the solution branch through start_solution while the known
    quantities move in small steps from start_known to known."""
    sol = dict(start_solution)
    for k in range(1, steps + 1):
        f = k / steps
        mid = {q: a + f * (known[q] - a) for q, a in start_known.items()}
        sol = newton(mid, unknown, sol, blockage)
        if sol is None:
            return None
    return sol


def reference_design(t):
    """The consistent designs, scaled by 100: DM 200, FM 100, LM 20, FS 40
    and AS 25 (Cassegrain) or 60 (Gregorian); the rest follows."""
    DM, FM, LM, FS = 200.0, 100.0, 20.0, 40.0
    AS = 25.0 if t == -1 else 60.0
    LS = FS + AS
    T = (t * DM - 2 * t * DM * FS / LS) / (4 * FM)
    TE = 2 * math.atan(T)
    tan = math.tan(TE)
    DS = tan * 32 * FS * FM * DM / (8 * FM * DM - tan * t * (16 * FM ** 2 - DM ** 2))
    d = dict(t=t, DM=DM, FM=FM, LM=LM, DS=DS, LS=LS, TE=TE, AS=AS, FS=FS,
             DF=2 * FS * DS / FM, DF_LP=DS * (2 * FS - 5.0) / FM, FDE=1 / (4 * T))
    d['TEdeg'] = TE * 180 / math.pi
    total = (FM + AS * math.sqrt(1 + DS * DS / (4 * (FS * FS - AS * AS))) - FS) if t == -1 else FM + AS - FS
    d['LT'] = total
    return d


# The same designs as published, unscaled: (value, decimals given).
PUBLISHED = {
    -1: dict(DM=2, FM=1, LM=0.2, FS=0.4, AS=0.25, LS=0.65, DS=0.318367, TEdeg=13.1639, TE=0.229753,
             FDE=2.166667, LT=0.880612, DF=0.254694, DF_LP=0.238776),
    1: dict(DM=2, FM=1, LM=0.2, FS=0.4, AS=0.6, LS=1.0, DS=0.380952, TEdeg=11.4212, TE=0.199337,
            FDE=2.5, LT=1.2, DF=0.304762, DF_LP=0.285714),
}
UNSCALED = {'TEdeg', 'TE', 'FDE'}


def check_reference_designs():
    """The reference designs agree with the published figures to the
    digits given."""
    for t, pub in PUBLISHED.items():
        d = reference_design(t)
        for k, v in pub.items():
            mine = d[k] / (1 if k in UNSCALED else 100)
            given = 10.0 ** -(len(repr(float(v)).split('.')[1]) if '.' in repr(float(v)) else 0)
            if abs(mine - v) > 0.5 * given + 1e-12:
                sys.exit('reference design %d: %s is %r, published %r' % (t, k, mine, v))


def typed(x, digits=8):
    """A value as the user would type it: 8 significant digits."""
    return '%.*g' % (digits, x)


# ---------------------------------------------------------------- the model


class Line:
    """An expected output line: literal pieces and numeric fields."""

    def __init__(self):
        self.parts = []

    def lit(self, s):
        self.parts.append(('lit', s))
        return self

    def F(self, v, w, d):
        if v is None:  # a value this tool does not compute: any number
            self.parts.append(('any', '?' * w, w, d, v))
        else:
            self.parts.append(('num', fmt_F(v, w, d), w, d, v))
        return self

    def text(self):
        return ''.join(p[1] for p in self.parts)


class Unit:
    def __init__(self):
        self.lines = []  # (Line, ended)
        self.open = False

    def record(self, line):
        if isinstance(line, str):
            line = Line().lit(line)
        self.lines.append([line, True])
        self.open = False

    def empty(self):
        self.record('')

    def prompt(self, text):
        self.lines.append([Line().lit(text), True])
        self.open = True


class Session:
    """One run of a deliverable: the answers typed and what it must write."""

    def __init__(self, name, program='refldsgn-basic', export_answer='n'):
        self.name = name
        self.program = program
        self.input = []
        self.con = Unit()
        self.rep = Unit()
        self.g = dict(t=0.0, DM=0.0, FM=0.0, LM=0.0, DS=0.0, LS=0.0, TE=0.0, AS=0.0, FS=0.0, LT=0.0,
                      DF=0.0, LP=0.0)
        self.feed_answer = 0.0
        self.phase_answer = 0
        self.mode = 0
        self.kase = 0
        self.design = None
        self.checks = 0
        for r in BANNER + [CREDITS]:
            self.con.record(r)
        self.ask(OUTPUT_FILE_PROMPT, REPORT)
        for r in BANNER + [CREDITS]:
            self.rep.record(r)
        if program == 'refldsgn':
            self.ask(EXPORT_QUESTION, export_answer)

    def ask(self, prompt, answer):
        if prompt is not None:
            self.con.prompt(prompt)
        self.input.append(str(answer))

    # --- top level
    def top(self, mode, kase=None, t=None, feed=None):
        """The Mode question; then case, type and (mode 2) feed questions.
        feed is (DF, phase answer[, LP]) as typed."""
        self.ask(MODE_PROMPT, mode)
        self.mode = int(mode)
        if self.mode == 0:
            return
        if self.mode == 1:
            for r in MODE1_CASE_TABLE[:-1]:
                self.con.record(r)
        if self.mode == 2:
            for r in MODE2_CASE_TABLE[:-1]:
                self.con.record(r)
        self.ask(MODE1_CASE_TABLE[-1] if self.mode in (1, 2) else None, kase)
        self.kase = int(kase)
        self.ask(TYPE_PROMPT, t)
        self.g['t'] = read_real(str(t))
        self.design = reference_design(self.g['t']) if self.g['t'] in (-1.0, 1.0) else None
        if self.mode == 1:
            self.g['DF'] = 0.0
            self.g['LP'] = 0.0
        if self.mode == 2:
            self.ask(FEED_DIAMETER_PROMPT, feed[0])
            self.g['DF'] = read_real(str(feed[0]))
            self.g['LP'] = 0.0
            self.ask(PHASE_CENTRE_PROMPT, feed[1])
            self.phase_answer = int(feed[1])
            if self.phase_answer == 1:
                self.ask(PHASE_DEPTH_PROMPT, feed[2])
                self.g['LP'] = read_real(str(feed[2]))

    def table(self):
        cases = MODE1_CASES if self.mode == 1 else MODE2_CASES
        return cases[self.kase]

    def menu(self):
        c = self.table()
        self.con.record(VARY_STOP)
        for r in c['menu'][:-1]:
            self.con.record(r)
        self.con.prompt(c['menu'][-1])

    def read_fixed(self, q, answer):
        self.ask(FIXED_PROMPTS[q], answer)
        if q == 'TE':
            self.feed_answer = read_real(str(answer))
            self.g['TE'] = feed_angle(self.feed_answer)
        else:
            self.g[q] = read_real(str(answer))

    def vary(self, option, fixed=None, rng=None, angle_type=None, check=False,
             solved=True):
        """One pass of the Vary loop.  fixed maps quantities to typed
        answers; rng is (start, stop, step) as typed.  check=True checks the
        middle row against the reference design.  solved=False leaves
        the solved quantities to the program (any number is accepted for
        them): the identities hold for reflector types -1 and 1 only."""
        c = self.table()
        self.menu()
        self.input.append(str(option))
        option = int(option)
        if option == 0:
            return
        n = len(c['prescribed'])
        for k, q in enumerate(c['prescribed']):
            if k + 1 != option:
                self.read_fixed(q, fixed[q])
        if not 1 <= option <= n:
            return
        swept = c['prescribed'][option - 1]
        opt = c['options'][option - 1]
        # Range.
        if swept == 'TE':
            self.ask(ANGLE_TYPE_PROMPT, angle_type)
            angle_type = int(angle_type)
            prompt = {1: ANGLE_RANGE_PROMPT, 2: FD_RANGE_PROMPT}.get(angle_type)
        else:
            prompt = RANGE_PROMPTS[swept]
        self.ask(prompt, ','.join(str(x) for x in rng) if isinstance(rng, tuple) else rng)
        start, stop, step = [read_real(x) for x in (rng if isinstance(rng, tuple) else rng.split(','))]
        rows = row_count(start, stop, step)
        # Report header.
        g = self.g
        if g['t'] == -1.0:
            self.rep.empty(); self.rep.record(CASSEGRAIN_TITLE)
        elif g['t'] == 1.0:
            self.rep.empty(); self.rep.record(GREGORIAN_TITLE)
        for label, q in opt['given']:
            self.rep.record(Line().lit(label).F(g[q], 9, 4))
        if 'TE' in c['prescribed'] and swept != 'TE':
            if self.feed_answer > 0:
                self.rep.record(Line().lit(FEED_ANGLE_LABEL).F(self.feed_answer, 9, 2))
            elif self.feed_answer < 0:
                self.rep.record(Line().lit(EFFECTIVE_FD_LABEL).F(-self.feed_answer, 9, 4))
        if self.mode == 2 and self.phase_answer == 1:
            self.rep.record(Line().lit(PHASE_CENTRE_LABEL).F(g['LP'], 9, 4))
        # Heading.
        heading = opt['heading']
        if swept == 'TE':
            heading = {1: opt['heading'], 2: opt.get('fd_heading')}.get(angle_type)
        if heading is not None:
            for u in (self.con, self.rep):
                u.empty(); u.record(heading[0]); u.record(heading[1])
        # Rows.
        prescribed = set(c['prescribed'])
        unknown = [q for q in LENGTHS + ['TE'] if q not in prescribed] + ['AS', 'FS']
        current = self.origin()
        middle = (rows + 1) // 2
        for i in range(1, rows + 1):
            v = f32((i - 1) * step + start)
            if swept == 'TE':
                self.feed_answer = v
                g['TE'] = swept_angle(v, angle_type)
            else:
                g[swept] = v
            if not solved:
                for q in unknown:
                    g[q] = None
                total_length(g)
                self.row(c, v)
                continue
            self.solve(unknown, current)
            if check and self.design is not None and i == middle and rows >= 1:
                self.check_design(unknown)
            current = dict(self.exact)
            total_length(g)
            self.row(c, v)

    def origin(self):
        """The reference design nearest the current settings: the branch
        that the rows of a table follow."""
        d = reference_design(-1.0 if self.g['t'] < 0 else 1.0)
        d['DF'], d['LP'] = (d['DF_LP'], 5.0) if self.phase_answer == 1 else (d['DF'], 0.0)
        if self.mode == 1:
            d['DF'] = d['LP'] = 0.0
        return d

    def solve(self, unknown, origin):
        """Solves the current design on the branch of origin, a solved
        design (a dict of every quantity)."""
        g = self.g
        known = {k: g[k] for k in g if k not in unknown and k != 'LT'}
        start_known = {k: origin[k] for k in known}
        sol = follow(start_known, {k: origin[k] for k in unknown}, known, unknown, self.mode == 2)
        if sol is None:
            sys.exit('%s, mode %d case %d: lost the solution on the way to %r'
                     % (self.name, self.mode, self.kase, known))
        self.exact = dict(known, **sol)
        for k, v in sol.items():
            g[k] = f32(v)

    def check_design(self, unknown):
        """The middle row of a sweep around the reference design is that
        design."""
        for k in unknown + ['DM', 'FM', 'LM', 'DS', 'LS', 'TE']:
            want = self.design[k]
            # Typed to eight digits, the inputs are the design only to single
            # precision, which case 4 amplifies most (DM by about 3000 DS).
            if abs(self.exact[k] - want) > (1e-5 if k == 'TE' else 1e-3):
                sys.exit('%s, mode %d case %d: %s = %r, reference design %r'
                         % (self.name, self.mode, self.kase, k, self.exact[k], want))
        self.checks += 1

    def row(self, c, swept_value):
        g = self.g
        line = Line().F(swept_value, 9, 4)

        def col(q):
            return f32(g['TE'] / DEGREE) if q == 'TE' and g['TE'] is not None else g[q]
        if self.mode == 1:
            line.F(col(c['cols'][0]), 9, 4).F(col(c['cols'][1]), 12, 4)
            line.F(g['AS'], 11, 4).F(g['FS'], 10, 4).F(g['LT'], 9, 4)
        else:
            line.F(col(c['cols'][0]), 9, 4).F(col(c['cols'][1]), 10, 4)
            line.F(g['AS'], 9, 4).F(g['FS'], 9, 4).F(col(c['cols'][2]), 8, 3).F(g['LT'], 9, 4)
        self.con.record(line)
        self.rep.record(line)

    # --- output
    def expected(self, unit):
        return [ln for ln, _ in unit.lines]


# Closed-form solvers that keep their intermediate results in single
# precision lose a few more digits in the ill-conditioned cases (case 4
# and 5 sweeps of mode 1 move DM by thousands of times the change of DS).
TOLERANCE = 3e-6


def reconcile(name, what, want, got_text):
    """Matches the program's lines against the model's; returns the text to
    expect and the number of last-digit differences taken over."""
    got = got_text.split('\n')
    if got and got[-1] == '':
        got.pop()
    else:
        sys.exit('%s: %s does not end with a line end' % (name, what))
    if len(got) != len(want):
        for k, (a, b) in enumerate(zip(want, got)):
            if a.text() != b:
                sys.exit('%s: %s line %d: expected %r, program wrote %r' % (name, what, k + 1, a.text(), b))
        sys.exit('%s: %s has %d lines, expected %d' % (name, what, len(got), len(want)))
    out, taken = [], 0
    for k, (line, text) in enumerate(zip(want, got)):
        if line.text() == text:
            out.append(text)
            continue
        pos, pieces = 0, []
        for p in line.parts:
            width = len(p[1]) if p[0] == 'lit' else p[2]
            field = text[pos:pos + width]
            pos += width
            if p[0] == 'lit' or field == p[1]:
                if field != p[1]:
                    break
                pieces.append(field)
                continue
            if p[0] == 'any':
                try:
                    float(field)
                except ValueError:
                    break
                pieces.append(field)
                continue
            try:
                a, b = float(field), float(p[1])
            except ValueError:
                break
            if abs(a - b) > max(1.0001 * 10.0 ** -p[3], TOLERANCE * abs(b)):
                break
            if abs(a - b) > 1.0001 * 10.0 ** -p[3]:
                print('  %s %s line %d: %s for %s' % (name, what, k + 1, field.strip(), p[1].strip()))
            pieces.append(field)
            taken += 1
        else:
            if pos == len(text):
                out.append(''.join(pieces))
                continue
        sys.exit('%s: %s line %d:\n  expected %r\n  program  %r' % (name, what, k + 1, line.text(), text))
    return '\n'.join(out) + '\n', taken


def build(bin_dir, s):
    case_dir = os.path.join(E2E, s.name)
    stdin = '\n'.join(s.input) + '\n'
    with tempfile.TemporaryDirectory() as work:
        res = subprocess.run([os.path.join(os.path.abspath(bin_dir), s.program)], input=stdin.encode(), cwd=work,
                             capture_output=True)
        if res.returncode != 0 or res.stderr:
            sys.exit('%s: status %d, stderr %r' % (s.name, res.returncode, res.stderr))
        report = open(os.path.join(work, REPORT), 'rb').read().decode()
    stdout, n1 = reconcile(s.name, 'stdout', s.expected(s.con), res.stdout.decode())
    report, n2 = reconcile(s.name, 'report', s.expected(s.rep), report)
    os.makedirs(os.path.join(case_dir, 'expected', 'files'), exist_ok=True)
    with open(os.path.join(case_dir, 'input'), 'w') as f:
        f.write(stdin)
    with open(os.path.join(case_dir, 'program'), 'w') as f:
        f.write(s.program + '\n')
    with open(os.path.join(case_dir, 'expected', 'stdout'), 'w') as f:
        f.write(stdout)
    with open(os.path.join(case_dir, 'expected', 'files', REPORT), 'w') as f:
        f.write(report)
    print('%-28s %4d answers, %4d stdout lines, %4d report lines, %3d design checks, %d last digits taken over'
          % (s.name, len(s.input), stdout.count('\n'), report.count('\n'), s.checks, n1 + n2))


# ---------------------------------------------------------------- sessions


def around(d, q):
    """A three-row range whose middle row is the reference value of q (some
    cases have no design 5% away from it)."""
    step = d[q] / 100
    return (typed(d[q] - step), typed(d[q] + step), typed(step))


def te_ranges(d):
    return {1: (typed(d['TEdeg'] - 0.1), typed(d['TEdeg'] + 0.1), '0.1'),
            2: (typed(d['FDE'] - 0.02), typed(d['FDE'] + 0.02), '0.02')}


def fixed_values(d, prescribed, kase):
    """The reference design as typed; the feed angle in degrees for even
    cases, as minus the effective f/D for odd ones."""
    fixed = {q: typed(d[q]) for q in prescribed if q != 'TE'}
    fixed['TE'] = typed(d['TEdeg']) if kase % 2 == 0 else '-' + typed(d['FDE'])
    return fixed


def every_table(s, cases, d):
    """Every vary option of the current case, both angle input types for
    TE, each swept around the reference design."""
    c = cases[s.kase]
    fixed = fixed_values(d, c['prescribed'], s.kase)
    for option, q in enumerate(c['prescribed'], 1):
        if q == 'TE':
            for angle_type, rng in te_ranges(d).items():
                s.vary(option, fixed, rng=rng, angle_type=angle_type, check=True)
        else:
            s.vary(option, fixed, rng=around(d, q), check=True)
    s.vary(0)


def mode1_all(name, t):
    def make(S):
        s = S(name)
        d = reference_design(t)
        for kase in range(1, 8):
            s.top(1, kase, t)
            every_table(s, MODE1_CASES, d)
        s.top(0)
        return s
    return make


def mode2_all(name, t, phase):
    def make(S):
        s = S(name)
        d = reference_design(t)
        feed = (typed(d['DF_LP']), 1, '5') if phase == 1 else (typed(d['DF']), phase)
        for kase in range(1, 8):
            s.top(2, kase, t, feed)
            every_table(s, MODE2_CASES, d)
        s.top(0)
        return s
    return make


def mode1_worked_example(S):
    """Case 1, Cassegrain: LM 10, LS 30, effective f/D 0.5, DM 100 to 110."""
    s = S('mode1_worked_example')
    s.top(1, 1, -1)
    s.vary(1, {'LM': '10', 'LS': '30', 'TE': '-0.5'}, rng='100,110,5')
    s.vary(0)
    s.top(0)
    return s


def mode2_worked_example(S):
    """Case 1, Gregorian, feed diameter 2, phase centre 0.5 behind the
    aperture: FM 40, LM 10, DM 100 to 110."""
    s = S('mode2_worked_example')
    s.top(2, 1, 1, ('2', 1, '0.5'))
    s.vary(1, {'FM': '40', 'LM': '10'}, rng='100,110,5')
    s.vary(0)
    s.top(0)
    return s


def mode1_edges(S):
    """Row counts, downward and empty sweeps, a zero step, angle input
    types 2 and 3, a feed angle of 0, fields too narrow, vary options
    outside the menu, case and mode numbers outside the tables, and a
    reflector type other than -1 or 1."""
    s = S('mode1_edges')
    s.top(1, 1, -1)
    fixed = {'DM': '200', 'LM': '20', 'LS': '65', 'TE': '-2.1666667'}
    s.vary(1, fixed, rng='200,200,10')        # stop equal to start: one row
    s.vary(1, fixed, rng='100,110,5')         # 100, 105, 110
    s.vary(1, fixed, rng='100,109,5')         # still three rows, the last 110
    s.vary(1, fixed, rng='100,107.9,5')       # two rows
    s.vary(1, fixed, rng='110,100,-5')        # downward
    s.vary(1, fixed, rng='110,100,5')         # -0.6 truncates to no rows
    s.vary(1, fixed, rng='200,203,5')         # 0.6 + 1.4 falls short of 2: one row
    s.vary(1, fixed, rng='100,110,0')         # a zero step: no rows
    s.vary(1, fixed, rng='1e30,-1e30,1e-30')  # a count beyond 32 bits: no rows
    s.vary(1, fixed, rng='100000,100000,1')   # too wide for its field
    s.vary(4, fixed, rng='13,13.2,0.1', angle_type=3)     # degrees, no prompt, no heading
    s.vary(4, fixed, rng='1.5,2.5,0.5', angle_type=2)
    s.vary(4, fixed, rng='14,12,-1', angle_type=1)
    s.vary(1, dict(fixed, TE='13.1639'), rng='200,200,1')  # the angle in degrees
    s.vary(1, dict(fixed, TE='0'), rng='200,200,1')        # TE 0: no feed-angle line
    s.vary(7, fixed)
    s.vary(-1, fixed)
    s.vary(0)
    s.top(1, 2, 1)
    s.vary(3, {'DM': '200', 'FM': '100', 'TE': '0'}, rng='19,21,1')  # Gregorian with TE 0
    s.vary(0)
    s.top(1, 8, -1)    # no case dialogue
    s.top(1, 0, 1)
    s.top(3, 1, -1)    # no case table, no case prompt
    s.top(1, 1, '0.5')  # no geometry title, LT left as it was
    s.vary(1, fixed, rng='190,210,10', solved=False)
    s.vary(0)
    s.top(1, '1', '1.0')
    s.vary(2, {'DM': '200', 'LS': '100', 'TE': '-2.5'}, rng='20,20,1')
    s.vary(0)
    s.top(0)
    return s


def mode2_edges(S):
    """The feed questions per pass, the phase-centre answers, vary options
    outside the menu, two tables in one pass, a far sweep of the effective
    f/D, and a mode-1 pass after a mode-2 one; refldsgn with export off."""
    s = S('mode2_edges', program='refldsgn', export_answer='n')
    s.top(2, 8, -1, ('25', 1, '5'))   # feed questions, then back to the Mode question
    s.top(2, 0, -1, ('25', 0))
    cass = reference_design(-1)
    s.top(2, 1, -1, (typed(cass['DF']), 1, '0'))  # phase centre at the aperture
    fixed = {'DM': '200', 'FM': '100', 'LM': '20'}
    s.vary(1, fixed, rng='200,200,1')
    s.vary(3, fixed, rng='20,24,2')
    s.vary(4, fixed)
    s.vary(-1, fixed)
    s.vary(0)
    s.top(2, 1, -1, (typed(cass['DF_LP']), 1, '5'))
    s.vary(2, fixed, rng='100,100,1')
    s.vary(0)
    s.top(2, 1, -1, (typed(cass['DF']), 2))  # 2 is no: no depth, no phase line
    s.vary(2, fixed, rng='100,100,1')
    s.vary(0)
    greg = reference_design(1)
    s.top(2, 5, 1, (typed(greg['DF']), 0))
    s.vary(3, {'DM': '200', 'DS': typed(greg['DS'])}, rng='0.5,1.0,0.25', angle_type=2)
    s.vary(3, {'DM': '200', 'DS': typed(greg['DS'])}, rng='2.4,2.6,0.1', angle_type=2)
    s.vary(3, {'DM': '200', 'DS': typed(greg['DS'])}, rng='11.5,11.3,-0.1', angle_type=1)
    s.vary(1, {'DS': typed(greg['DS']), 'TE': '11.421186'}, rng='200,200,1')
    s.vary(0)
    s.top(2, 7, -1, (typed(cass['DF_LP']), 1, '5'))
    s.vary(2, {'DM': '200', 'TE': '-2.1666667'}, rng='65,65,1')
    s.vary(3, {'DM': '200', 'LS': '65'}, rng='13.2,13.2,1', angle_type=4)
    s.vary(0)
    s.top(1, 1, -1)  # mode 1 after mode 2: no phase-centre line
    s.vary(1, {'LM': '20', 'LS': '65', 'TE': '-2.1666667'}, rng='200,200,1')
    s.vary(0)
    s.top(0)
    return s


SESSIONS = [
    mode1_worked_example,
    mode2_worked_example,
    mode1_all('mode1_cassegrain', -1),
    mode1_all('mode1_gregorian', 1),
    mode2_all('mode2_blockage_cassegrain', -1, 0),
    mode2_all('mode2_blockage_gregorian', 1, 0),
    mode2_all('mode2_phase_cassegrain', -1, 1),
    mode2_all('mode2_phase_gregorian', 1, 1),
    mode1_edges,
    mode2_edges,
]


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    check_reference_designs()
    wanted = set(sys.argv[2:])
    for make in SESSIONS:
        s = make(Session)
        if not wanted or s.name in wanted:
            build(sys.argv[1], s)


if __name__ == '__main__':
    main()
