"""refldsgn: the geometry of dual-reflector antennas in numpy, pandas and Jupyter.

A paraboloidal main reflector, a hyperboloidal (Cassegrain) or ellipsoidal
(Gregorian) subreflector and a feed, sized from the quantities held fixed by
the engine of refldsgn-solve: the same cases, solvers, checks and files, and
the same numbers to the last bit.

    >>> import refldsgn
    >>> d = refldsgn.solve(type="cassegrain", DM=6, FM=2.52, DS=0.35, TE=2.04624)
    >>> float(d.LS[0])
    4.847486019134521
"""
from __future__ import annotations

import enum as _enum
import html as _html
import os as _os
from typing import Any, Callable, Dict, Optional, Tuple, Union

import numpy as _np

from . import _core

__version__ = _core.VERSION
__all__ = ["solve", "steps", "analyze", "radiate", "Designs", "Design", "Plot", "Check", "InputError", "AnalysisError", "CadError",
           "VALUES", "COLUMNS", "QUANTITIES"]

InputError = _core.InputError
InputError.__module__ = __name__
InputError.__doc__ = "Bad input: the message is the command line's (a ValueError)."
AnalysisError = _core.AnalysisError
AnalysisError.__module__ = __name__
CadError = _core.CadError
CadError.__module__ = __name__
CadError.__doc__ = "The STEP component could not build or write a model (a RuntimeError)."

#: The value columns of a row of modes 1 and 2, in the order of the CSV
#: (check after M); an offset study (mode 3) has its own (Designs.columns).
VALUES = tuple(_core.VALUES)
_BEFORE_CHECK = VALUES.index("M") + 1
#: The columns of the CSV of modes 1 and 2, in order.
COLUMNS = ("mode", "case", "type") + VALUES[:_BEFORE_CHECK] + ("check",) + VALUES[_BEFORE_CHECK:]
#: The quantities solve() takes: name -> what it is.
QUANTITIES = {name: text for name, text, _ in _core.KEYS}
_DESIGN_KEYS = {name for name, _, kind in _core.KEYS if kind == "design"}
_TEXT_KEYS = {"type", "unit", "feed", "pol", "method"}
_ANALYSIS = tuple(_core.ANALYSIS)
_RADIATION = tuple(_core.RADIATION)
_COLUMN_NAMES = frozenset(_core.ALL_VALUES)  # the value columns of every mode

Check = _enum.IntFlag("Check", {code.replace("-", "_"): 1 << i for i, code in enumerate(_core.CHECKS)},
                     module=__name__)
Check.__doc__ = "The checks of a design, one bit each; a row that passes them all has none."


def _jobs(jobs: Optional[int]) -> int:
    if jobs is None:
        return 0  # every core
    if isinstance(jobs, bool) or not isinstance(jobs, (int, _np.integer)) or not 1 <= jobs <= 1024:
        raise InputError("jobs must be a whole number of threads from 1 to 1024, not %r" % (jobs,))
    return int(jobs)


def steps(start: float, stop: float, step: float) -> _np.ndarray:
    """The values of a sweep START:STOP:STEP as float32, by the program's rule.

    The row count is that of the command line's sweeps, and each value is
    computed from its index, so rows made from these values match the
    command line's bit for bit (numpy.arange differs from it).  A range that
    gives no values, or more than the command line takes, is an InputError.
    """
    try:
        values = [float(v) for v in (start, stop, step)]
    except (TypeError, ValueError):
        raise InputError("steps takes three numbers, not %r" % ((start, stop, step),)) from None
    return _core.steps(*values)


def _as_array(name: str, value: Any) -> _np.ndarray:
    if isinstance(value, (str, bytes)):
        raise InputError("%s must be a number or an array of numbers, not %r" % (name, value))
    try:
        array = _np.asarray(value)
        if array.dtype.kind not in "biuf":
            raise ValueError
        with _np.errstate(over="ignore", invalid="ignore"):  # beyond float32: inf, and the checks say so
            return array.astype(_np.float32)
    except (TypeError, ValueError, OverflowError):
        raise InputError("%s must be a number or an array of numbers, not %r" % (name, value)) from None


def solve(jobs: Optional[int] = None, **quantities: Any) -> "Designs":
    """Solves the designs that the quantities give, as refldsgn-solve does.

    Each quantity is a number or an array-like; the arrays broadcast together
    as numpy broadcasts them, and the result has one row per element of the
    broadcast shape, in C order.  The design mode and case are those the
    command line infers from the same quantities.  Use steps() for the values
    of a sweep, and numpy.meshgrid(..., indexing="ij") for a grid.  jobs:
    the threads that solve the rows (default: every core).  The engine holds
    no lock of Python's while it solves, so threads of a program may each
    solve a study of their own at once (with jobs=1, one core each).

    Quantities (lengths in any one unit, angles in degrees):
    """
    items = []
    arrays = {}
    for name, value in quantities.items():
        if name in _TEXT_KEYS:
            if name == "type" and isinstance(value, (int, float, _np.integer, _np.floating)) and not isinstance(value, bool):
                items.append((name, float(value)))
            elif isinstance(value, str):
                items.append((name, value))
            else:
                raise InputError("%s must be %s, not %r" % (
                    name, dict(_core.SETTING_WORDS, type=_core.TYPE_NAMES, unit=_core.UNIT_NAMES)[name], value))
            continue
        if name not in QUANTITIES:
            guess = _core.suggested_key(name)
            raise InputError("unknown quantity '%s'; %sthe quantities are %s" % (
                name, "did you mean %s? " % guess if guess else "", ", ".join(QUANTITIES)))
        array = _as_array(name, value)
        if array.ndim > 0 and name not in _DESIGN_KEYS:
            raise InputError("%s takes one value" % name)
        items.append((name, array))
        if array.ndim > 0:
            arrays[name] = array
    try:
        shape = _np.broadcast_shapes(*(a.shape for a in arrays.values())) if arrays else ()
    except ValueError:
        raise InputError("the arrays do not broadcast together: %s" % ", ".join(
            "%s %s" % (n, a.shape) for n, a in arrays.items())) from None
    core_items = []
    for name, value in items:
        if isinstance(value, _np.ndarray):
            if value.ndim == 0:
                value = float(value)
            else:
                column = _np.ascontiguousarray(_np.broadcast_to(value, shape), dtype=_np.float32).ravel()
                value = (column, _np.ascontiguousarray(value, dtype=_np.float32).ravel(), list(value.shape))
        core_items.append((name, value))
    study = _core.Study(core_items)
    values, checks = study.solve_arrays(_jobs(jobs))
    settings = {k: quantities[k] for k in ("unit", "freq", "taper", "taper_angle") if k in quantities}
    return Designs(_Source(study, list(quantities), arrays, settings, core_items), values, checks, None, shape)


solve.__doc__ += "".join("\n        %-12s %s" % (n, t) for n, t in QUANTITIES.items()) + "\n"


class _Source:
    """What the rows of a result come from: the engine's study and the keywords."""

    def __init__(self, study, names, arrays, settings, items):
        self.study = study
        self.items = items  # the engine's inputs, from which a worker makes the study again
        self.names = names
        self.arrays = arrays
        self.settings = settings
        self.values = tuple(study.columns)  # the value columns, in order
        self.before_check = study.before_check
        self.index = {name: k for k, name in enumerate(self.values)}


def _readonly(a: _np.ndarray) -> _np.ndarray:
    a.flags.writeable = False
    return a


def _frozen(self, name: str, value: Any) -> None:
    """No new attributes, and no assignment to a column: the results are
    the engine's, read-only."""
    kind = type(self).__name__
    if name in _COLUMN_NAMES:
        raise AttributeError("%s is a column of the results: a %s's columns are read-only" % (name, kind))
    raise AttributeError("a %s takes no new attributes (%s)" % (kind, name))


class Designs:
    """The solved designs: columns as read-only float32 arrays named as the CSV's.

    The columns take the shape of the study (d.shape): the broadcast shape
    of the arrays given to solve(), the second sweep inside the first as on
    the command line, so the CSV's rows are the flat columns in C order
    (d.ravel()).  NaN stands where the CSV leaves a cell empty: DF and LP
    outside their mode, and the solved values of a row without solution.
    designs (mode 3) is an integer column.  Indexing selects as numpy does:
    d[i, j] is one Design, d[0] of a 2-D study the designs along the second
    sweep, and slices, boolean masks of the study's shape and integer arrays
    select Designs (a selection that is no sub-grid is 1-D).
    """

    def __init__(self, source: _Source, values: _np.ndarray, checks: _np.ndarray, rows: Optional[_np.ndarray],
                 shape: Tuple[int, ...]):
        object.__setattr__(self, "_source", source)
        object.__setattr__(self, "_values", _readonly(values))  # (columns, rows)
        object.__setattr__(self, "_checks", _readonly(checks))
        object.__setattr__(self, "_rows", rows)  # the study's rows, or None for all of them in order
        object.__setattr__(self, "_shape", tuple(shape))  # () for a study of plain numbers: one row

    __setattr__ = _frozen

    def __delattr__(self, name: str) -> None:
        _frozen(self, name, None)

    @property
    def _grid(self) -> Tuple[int, ...]:
        """The shape of the columns: the study's, (1,) for one of plain numbers."""
        return self._shape if self._shape else (len(self._checks),)

    # ------------------------------------------------------------ columns
    def __getattr__(self, name: str) -> _np.ndarray:
        if name.startswith("_"):
            raise AttributeError(name)
        try:
            k = self._source.index[name]
        except KeyError:
            raise AttributeError("no column %r; the columns are %s" % (name, ", ".join(self._source.values))) from None
        if name == "designs":
            return _readonly(self._values[k].astype(_np.int64).reshape(self._grid))
        return self._values[k].reshape(self._grid)

    def __dir__(self):
        return list(super().__dir__()) + list(self._source.values)

    @property
    def columns(self) -> Tuple[str, ...]:
        """The columns of the CSV of these rows, in order."""
        b = self._source.before_check
        v = self._source.values
        return ("mode", "case", "type") + v[:b] + ("check",) + v[b:]

    @property
    def checks(self) -> _np.ndarray:
        """The checks of each row, a bit mask of Check (0: passes them all)."""
        return self._checks.reshape(self._grid)

    @property
    def ok(self) -> _np.ndarray:
        """True for the rows that pass every check."""
        return self.checks == 0

    def _check_text(self) -> _np.ndarray:
        masks, inverse = _np.unique(self._checks, return_inverse=True)
        texts = _np.array([_core.check_text(int(m)) for m in masks], dtype=object)
        return texts[inverse] if len(masks) else _np.array([], dtype=object)

    def check_text(self) -> _np.ndarray:
        """The CSV's check column: "ok" or the failed checks joined by ';'."""
        return self._check_text().reshape(self._grid)

    @property
    def mode(self) -> int:
        return self._source.study.mode

    @property
    def case(self) -> int:
        return self._source.study.case

    @property
    def title(self) -> str:
        return self._source.study.title

    @property
    def type(self) -> str:
        return self._source.study.type_name

    @property
    def shape(self) -> Tuple[int, ...]:
        return self._shape

    @property
    def ndim(self) -> int:
        return len(self._grid)

    @property
    def size(self) -> int:
        """How many designs (rows of the CSV)."""
        return len(self._checks)

    def __len__(self) -> int:
        """The length of the first axis, as numpy's len()."""
        return self._grid[0]

    # -------------------------------------------------------------- rows
    def _study_rows(self) -> _np.ndarray:
        return _np.arange(len(self._checks), dtype=_np.int64) if self._rows is None else self._rows

    def __getitem__(self, key: Any) -> Union["Design", "Designs", _np.ndarray]:
        if isinstance(key, str):
            return self.__getattr__(key)
        at = _np.arange(self.size).reshape(self._grid)
        mask = key if isinstance(key, _np.ndarray) else None
        if mask is not None and mask.dtype == bool and mask.ndim == 1 and self.ndim > 1 and len(mask) == self.size:
            at = at.ravel()  # a mask of the flat rows
        try:
            sel = at[key]
        except (IndexError, TypeError, ValueError) as e:
            raise IndexError("%s (the designs' shape is %s)" % (e, self._grid)) from None
        if _np.ndim(sel) == 0:
            return Design(self, int(sel))
        flat = sel.ravel()
        return Designs(self._source, self._values[:, flat], self._checks[flat], self._study_rows()[flat], sel.shape)

    def __iter__(self):
        """Over the first axis, as numpy: Designs of a 2-D study's rows, or the Design of each row of a 1-D one."""
        return (self[i] for i in range(len(self)))

    def ravel(self) -> "Designs":
        """The same designs as one axis, in the order of the CSV's rows (no copy)."""
        return Designs(self._source, self._values, self._checks, self._rows, (self.size,))

    # ------------------------------------------------------------- output
    def _index(self, pd):
        """The index of to_pandas(): a MultiIndex of the swept quantities
        for a study of two or more axes."""
        if self.ndim < 2:
            return None
        levels, names = [], []
        for axis in range(self.ndim):
            found = None
            for name in self._source.names:
                if name not in self._source.arrays or name not in self._source.index:
                    continue
                column = self.__getattr__(name)
                others = tuple(k for k in range(self.ndim) if k != axis)
                varies = self._grid[axis] > 1 and not _np.all(column == _np.take(column, [0], axis=axis))
                constant_elsewhere = all(_np.all(column == _np.take(column, [0], axis=k)) for k in others)
                if varies and constant_elsewhere and name not in names:
                    found = name
                    break
            if found is None:
                names.append("axis%d" % axis)
                levels.append(_np.broadcast_to(_np.arange(self._grid[axis]).reshape(
                    [-1 if k == axis else 1 for k in range(self.ndim)]), self._grid).ravel())
            else:
                names.append(found)
                levels.append(self.__getattr__(found).ravel())
        return pd.MultiIndex.from_arrays(levels, names=names)

    def to_pandas(self):
        """A pandas DataFrame with the CSV's columns (the checks a categorical),
        one row per design in the CSV's order; a study of two axes or more is
        indexed by its swept quantities (a MultiIndex).

        The float value columns are the arrays of this result, not copies.
        """
        import pandas as pd

        frame = pd.DataFrame(self._values.T, columns=list(self._source.values), copy=False)
        if "designs" in self._source.index:
            frame["designs"] = self._values[self._source.index["designs"]].astype(_np.int64)
        frame.insert(0, "mode", _np.full(self.size, self.mode, dtype=_np.int64))
        frame.insert(1, "case", _np.full(self.size, self.case, dtype=_np.int64))
        frame.insert(2, "type", pd.Categorical([self.type] * self.size))
        frame.insert(3 + self._source.before_check, "check", pd.Categorical(self._check_text()))
        index = self._index(pd)
        if index is not None:
            frame.index = index
        return frame

    def _write(self, path, fmt: str, jobs: Optional[int]) -> None:
        path = _os.fspath(path)
        self._source.study.write(path, fmt, None if self._rows is None else self._rows, _jobs(jobs))

    def write_csv(self, path, jobs: Optional[int] = None) -> None:
        """Writes the rows as refldsgn-solve -f csv -o writes them."""
        self._write(path, "csv", jobs)

    def write_json(self, path, jobs: Optional[int] = None) -> None:
        """Writes the rows as refldsgn-solve -f json -o writes them; "inputs"
        holds the keywords as given, in their order (arrays as lists)."""
        self._write(path, "json", jobs)

    def write_table(self, path, jobs: Optional[int] = None) -> None:
        """Writes the rows as refldsgn-solve -o writes its table."""
        self._write(path, "table", jobs)

    #: The older names of write_csv and write_json.
    to_csv = write_csv
    to_json = write_json

    def write_html(self, path, at: int = 0) -> None:
        """The self-contained page of --html: the inputs, the picture of
        design `at` (an index of the flat rows), the table of every row and
        what each failed check means; at most 10,000 rows."""
        if isinstance(at, bool) or not isinstance(at, (int, _np.integer)):
            raise InputError("at must be a whole number, not %r" % (at,))
        self._source.study.write_html(_os.fspath(path), self._study_rows(), int(at))

    def plot(self, y: Optional[str] = None) -> "Plot":
        """The engine's plot against the first input, in keyword order, whose
        values vary; y names the value drawn (default: the solved lengths)."""
        rows = self._study_rows()
        for name in self._source.names:
            if name in self._source.arrays:
                column = self[name].ravel() if name in self._source.index else None
                if column is not None and len(_np.unique(column[~_np.isnan(column)])) > 1:
                    return Plot(self._source.study.plot(rows, name, y or ""))
        raise InputError("plot needs an input whose values vary among the rows")

    def _repr_html_(self) -> str:
        n = self.size
        b = self._source.before_check
        shown = list(range(n)) if n <= 20 else list(range(10)) + [None] + list(range(n - 10, n))
        text = self._check_text() if n <= 20 else None
        out = ['<div><p>%s: %d design%s, %d failing a check</p>' % (
            _html.escape(self.title), n, "" if n == 1 else "s", int(_np.count_nonzero(self._checks)))]
        out.append('<table><thead><tr><th></th>%s<th>check</th></tr></thead><tbody>' % "".join(
            "<th>%s</th>" % c for c in self._source.values[:b]))
        for i in shown:
            if i is None:
                out.append('<tr><td colspan="%d">&#8942; %d rows</td></tr>' % (b + 2, n - 20))
                continue
            bad = self._checks[i] != 0
            check = text[i] if text is not None else _core.check_text(int(self._checks[i]))
            out.append('<tr%s><th>%d</th>%s<td>%s</td></tr>' % (
                ' style="background:#fdd"' if bad else "", i,
                "".join("<td>%s</td>" % ("" if _np.isnan(v) else "%.6g" % v) for v in self._values[:b, i]),
                _html.escape(check)))
        out.append("</tbody></table></div>")
        return "\n".join(out)

    def __repr__(self) -> str:
        return "<Designs: %s, %d rows, shape %s>" % (self.title, self.size, self._shape)


class Design:
    """One row: its values as attributes, its picture and its files.

    Each file of the command line for the row --at has a writer here that
    writes the same bytes: write_rsf_main, write_rsf_sub, write_champ_main,
    write_champ_sub, write_profile (axisymmetric designs); write_sfc_main,
    write_sfc_sub, write_tor (offset designs); write_dxf, write_stl,
    write_step, write_cassbeam; svg() and sketch() give the pictures.
    """

    def __init__(self, designs: Designs, i: int):
        object.__setattr__(self, "_designs", designs)
        object.__setattr__(self, "_i", i)
        object.__setattr__(self, "row", int(designs._study_rows()[i]))  #: the row of the study (0-based, C order)

    __setattr__ = _frozen

    def __delattr__(self, name: str) -> None:
        _frozen(self, name, None)

    def __getattr__(self, name: str):
        if name.startswith("_"):
            raise AttributeError(name)
        source = self._designs._source
        try:
            value = float(self._designs._values[source.index[name], self._i])
        except KeyError:
            raise AttributeError("no value %r; the values are %s" % (name, ", ".join(source.values))) from None
        return int(value) if name == "designs" else value

    def __dir__(self):
        return list(super().__dir__()) + list(self._designs._source.values)

    @property
    def checks(self) -> Check:
        return Check(int(self._designs._checks[self._i]))

    @property
    def ok(self) -> bool:
        return int(self._designs._checks[self._i]) == 0

    def check_text(self) -> str:
        return _core.check_text(int(self._designs._checks[self._i]))

    @property
    def _study(self):
        return self._designs._source.study

    def svg(self) -> str:
        """The design drawn to scale (the --svg picture)."""
        return self._study.svg(self.row)

    def sketch(self) -> str:
        """An offset design with every quantity named on what it measures (the --sketch picture)."""
        return self._study.sketch(self.row)

    def _repr_svg_(self) -> str:
        return self.svg()

    @staticmethod
    def _range(value) -> str:
        if value is None:
            return ""
        try:
            start, stop, step = (float(v) for v in value)
        except (TypeError, ValueError):
            raise InputError("a range is (start, stop, step), not %r" % (value,)) from None
        return ":".join(_core.shortest(v) for v in (start, stop, step))

    @staticmethod
    def _reflector(reflector: str) -> str:
        if reflector not in ("main", "sub"):
            raise InputError('reflector must be "main" or "sub", not %r' % (reflector,))
        return reflector

    def _rsf(self, which: str, path, range, zoffset, reverse, label) -> None:
        try:
            z = _core.shortest(float(zoffset))
        except (TypeError, ValueError):
            raise InputError("zoffset must be a number, not %r" % (zoffset,)) from None
        if label is not None and not isinstance(label, str):
            raise InputError("label must be text, not %r" % (label,))
        self._study.write_surface(self.row, which, _os.fspath(path), self._range(range), z, bool(reverse), label)

    def write_rsf_main(self, path, range=None, zoffset: float = 0, reverse: bool = False,
                       label: Optional[str] = None) -> None:
        """The TICRA .rsf file of the main reflector, as --rsf-main writes it (range: --main-range)."""
        self._rsf("rsf_main", path, range, zoffset, reverse, label)

    def write_rsf_sub(self, path, range=None, zoffset: float = 0, reverse: bool = False,
                      label: Optional[str] = None) -> None:
        """The TICRA .rsf file of the subreflector, as --rsf-sub writes it (range: --sub-range)."""
        self._rsf("rsf_sub", path, range, zoffset, reverse, label)

    def write_champ_main(self, path, range=None) -> None:
        """The CHAMP spline object file of the main reflector, as --champ-main writes it."""
        self._study.write_surface(self.row, "champ_main", _os.fspath(path), self._range(range), "", False, None)

    def write_champ_sub(self, path, range=None) -> None:
        """The CHAMP spline object file of the subreflector, as --champ-sub writes it."""
        self._study.write_surface(self.row, "champ_sub", _os.fspath(path), self._range(range), "", False, None)

    def write_rsf(self, path, reflector: str = "main", range=None, zoffset: float = 0, reverse: bool = False,
                  label: Optional[str] = None) -> None:
        """The older name of write_rsf_main and write_rsf_sub."""
        self._rsf("rsf_" + self._reflector(reflector), path, range, zoffset, reverse, label)

    def write_champ(self, path, reflector: str = "main", range=None) -> None:
        """The older name of write_champ_main and write_champ_sub."""
        (self.write_champ_main if self._reflector(reflector) == "main" else self.write_champ_sub)(path, range)

    @staticmethod
    def _grid_text(grid) -> str:
        if grid is None:
            return ""
        if isinstance(grid, (int, _np.integer)) and not isinstance(grid, bool):
            return str(int(grid))
        try:
            nx, ny = grid
            if any(isinstance(v, bool) or not isinstance(v, (int, _np.integer)) for v in (nx, ny)):
                raise TypeError
        except (TypeError, ValueError):
            raise InputError("grid is N or (NX, NY), whole numbers of points, not %r" % (grid,)) from None
        return "%d,%d" % (nx, ny)

    def write_sfc_main(self, path, grid=None) -> None:
        """An offset design's main reflector on a regular grid (N or (NX, NY) points, default 101), as --sfc-main."""
        self._study.write_sfc(self.row, False, _os.fspath(path), self._grid_text(grid))

    def write_sfc_sub(self, path, grid=None) -> None:
        """An offset design's subreflector on a regular grid normal to its rim, as --sfc-sub."""
        self._study.write_sfc(self.row, True, _os.fspath(path), self._grid_text(grid))

    def write_tor(self, path) -> None:
        """An offset design as GRASP objects, as --tor writes it (needs unit=; taper= as given to solve())."""
        self._study.write_tor(self.row, _os.fspath(path))

    def write_profile(self, path, main_range=None, sub_range=None) -> None:
        """The --profile file: reflector,rho,z,dz_drho (an offset design: reflector,x,z in its plane of symmetry)."""
        self._study.write_profile(self.row, _os.fspath(path), self._range(main_range), self._range(sub_range))

    @staticmethod
    def _length(value, name: str) -> str:
        if value is None:
            return ""
        try:
            return _core.shortest(float(value))
        except (TypeError, ValueError):
            raise InputError("%s must be a number, not %r" % (name, value)) from None

    def write_dxf(self, path, r12: bool = False, main_range=None, sub_range=None) -> None:
        """Both profiles in DXF, as --dxf (or --dxf-r12) writes them."""
        self._study.write_cad(self.row, _os.fspath(path), bool(r12), "", "", "", "", self._range(main_range),
                              self._range(sub_range))

    def write_stl(self, path, tolerance: Optional[float] = None, main_range=None, sub_range=None) -> None:
        """Both reflectors in binary STL within tolerance (default DM*1e-5), as --stl writes them."""
        self._study.write_cad(self.row, "", False, _os.fspath(path), self._length(tolerance, "tolerance"), "", "",
                              self._range(main_range), self._range(sub_range))

    def write_step(self, path, thickness: Optional[float] = None, main_range=None, sub_range=None) -> None:
        """Both reflectors in STEP AP214 (solids with a thickness), as --step writes them; needs unit= and
        the STEP component."""
        self._study.write_cad(self.row, "", False, "", "", _os.fspath(path), self._length(thickness, "thickness"),
                              self._range(main_range), self._range(sub_range))

    def profile(self, main_range=None, sub_range=None) -> Dict[str, Tuple[_np.ndarray, ...]]:
        """The samples of --profile: {"main": (rho, z, dz_drho), "sub": (...)}; an offset design's curves in
        its plane of symmetry: {"main": (x, z), "sub": (x, z)}."""
        if self._study.revolved(self.row):
            main, sub = self._study.profile(self.row, self._range(main_range), self._range(sub_range))
        else:
            main, sub = self._study.offset_profile(self.row, self._range(main_range), self._range(sub_range))
        return {"main": main, "sub": sub} if self._study.has_sub(self.row) else {"main": main}

    def pattern(self, freq: float, unit: str, taper: float = 10, taper_angle: Optional[float] = None, pol: str = "x",
                feed: str = "gaussian", cuts=(0, 45, 90), theta_max: Optional[float] = None, points: int = 1001,
                method: str = "go", po_sampling: Optional[float] = None):
        """The far-field cuts of this row, as --pattern writes them: a pandas DataFrame of phi_deg,
        theta_deg, co_dBi, cross_dBi, co_phase_deg and cross_phase_deg (theta from -theta_max to theta_max,
        by default five half-power widths).  method: "go" (geometrical optics) or "po" (physical optics,
        po_sampling points per wavelength as --po-sampling)."""
        import pandas as pd
        freq_v, taper_v, angle_v = _numbers(freq, taper, taper_angle)
        cut_list, tmax, n = _cut_numbers(cuts, theta_max, points)
        cols = self._study.pattern(self.row, freq_v, str(unit), taper_v, angle_v, str(feed), str(pol),
                                   *_method(method, po_sampling), cut_list, tmax, n)
        names = ("phi_deg", "theta_deg", "co_dBi", "cross_dBi", "co_phase_deg", "cross_phase_deg")
        return pd.DataFrame({name: col for name, col in zip(names, cols)})

    def pattern_svg(self, freq: float, unit: str, taper: float = 10, taper_angle: Optional[float] = None,
                    pol: str = "x", feed: str = "gaussian", cuts=(0, 45, 90), theta_max: Optional[float] = None,
                    points: int = 1001, method: str = "go", po_sampling: Optional[float] = None) -> str:
        """The cuts drawn, as --pattern-svg draws them: co-polar solid, cross-polar dashed, in dBi."""
        freq_v, taper_v, angle_v = _numbers(freq, taper, taper_angle)
        cut_list, tmax, n = _cut_numbers(cuts, theta_max, points)
        return self._study.pattern_svg(self.row, freq_v, str(unit), taper_v, angle_v, str(feed), str(pol),
                                       *_method(method, po_sampling), cut_list, tmax, n)

    def write_pattern(self, path, freq: float, unit: str, taper: float = 10, taper_angle: Optional[float] = None,
                      pol: str = "x", feed: str = "gaussian", cuts=(0, 45, 90), theta_max: Optional[float] = None,
                      points: int = 1001, method: str = "go", po_sampling: Optional[float] = None) -> None:
        """The --pattern file of this row: CSV, or TICRA's cut format for a .cut name."""
        freq_v, taper_v, angle_v = _numbers(freq, taper, taper_angle)
        cut_list, tmax, n = _cut_numbers(cuts, theta_max, points)
        self._study.write_pattern(self.row, _os.fspath(path), freq_v, str(unit), taper_v, angle_v, str(feed), str(pol),
                                  *_method(method, po_sampling), cut_list, tmax, n)

    def write_cassbeam(self, prefix) -> None:
        """PREFIX.in and PREFIX.geom for cassbeam, as --cassbeam writes them, with unit, freq, taper and
        taper_angle as given to solve()."""
        self._study.write_cassbeam(self.row, _os.fspath(prefix))

    def __repr__(self) -> str:
        source = self._designs._source
        return "<Design row %d: %s, %s>" % (self.row, ", ".join(
            "%s=%.6g" % (k, getattr(self, k)) for k in source.values[:source.before_check]
            if not _np.isnan(getattr(self, k))), self.check_text())


class Plot:
    """A picture: its SVG text, shown as it is in Jupyter."""

    def __init__(self, svg: str):
        self.svg = svg

    def _repr_svg_(self) -> str:
        return self.svg


def analyze(designs: Designs, freq: float, taper: float = 10, taper_angle: Optional[float] = None,
            jobs: Optional[int] = None, progress: Union[None, bool, Callable[[int, int], Any]] = None
            ) -> Dict[str, _np.ndarray]:
    """Runs cassbeam on every row that passes its checks, jobs at once.

    Returns the analysis columns (gain_dBi, totaleff, spilleff, prispilleff,
    subspilleff, blockeff, illumeff, phaseeff, Tsys) as float32 arrays, NaN
    for the rows not analysed.  progress: a callable progress(done, total),
    or True for a tqdm bar where tqdm is installed.
    """
    if not isinstance(designs, Designs):
        raise InputError("analyze takes the Designs of solve()")
    freq_v, taper_v, angle_v = _numbers(freq, taper, taper_angle)
    callback, bar = _progress(progress, len(designs))
    try:
        out = designs._source.study.analyze(designs._study_rows(), freq_v, taper_v, angle_v, _jobs(jobs), callback)
    finally:
        if bar is not None:
            bar.close()
    return {name: _readonly(out[k]) for k, name in enumerate(_ANALYSIS)}


def _progress(progress, total):
    """A progress callable and the bar to close: progress(done, total), or True for tqdm."""
    if progress is True:
        try:
            from tqdm.auto import tqdm
            bar = tqdm(total=total, unit="design")
            return (lambda done, total: bar.update(done - bar.n)), bar  # noqa: E731
        except ImportError:
            return None, None
    if progress is False or progress is None:
        return None, None
    if not callable(progress):
        raise InputError("progress must be a callable or True")
    return progress, None


def _numbers(freq, taper, taper_angle):
    """The settings as the command line stores them: single-precision values."""
    try:
        values = float(freq), float(taper), float("nan") if taper_angle is None else float(taper_angle)
    except (TypeError, ValueError):
        raise InputError("freq, taper and taper_angle must be numbers") from None
    with _np.errstate(over="ignore"):
        return tuple(float(_np.float32(v)) for v in values)


def _method(method, po_sampling):
    """The method's word and physical optics' points per wavelength (NaN: the engine's choice)."""
    if not isinstance(method, str):
        raise InputError("method must be %s, not %r" % (_core.SETTING_WORDS["method"], method))
    try:
        return method, float("nan") if po_sampling is None else float(po_sampling)
    except (TypeError, ValueError):
        raise InputError("po_sampling must be a number of points per wavelength") from None


def _cut_numbers(cuts, theta_max, points):
    """The cuts' azimuths, their extent (NaN for the default) and points, as numbers."""
    try:
        return [float(c) for c in cuts], float("nan") if theta_max is None else float(theta_max), int(points)
    except (TypeError, ValueError):
        raise InputError("cuts, theta_max and points must be numbers") from None


def radiate(designs: Designs, freq: float, unit: str, taper: float = 10, taper_angle: Optional[float] = None,
            pol: str = "x", feed: str = "gaussian", method: str = "go", jobs: Optional[int] = None,
            progress: Union[None, bool, Callable[[int, int], Any]] = None, client: Any = None,
            po_sampling: Optional[float] = None, chunk: Optional[int] = None) -> Dict[str, _np.ndarray]:
    """The radiation of every row that passes its checks, as --radiate gives it.

    freq in GHz and unit (in, ft, mm, cm or m) give the wavelength; the feed is a
    Gaussian (or cosq) of taper dB at taper_angle degrees (default each
    design's feed half angle), polarised pol (x, y, rhc or lhc).  method:
    "go" (geometrical optics) or "po" (physical optics; po_sampling points
    per wavelength, default the engine's choice).  Returns gain_dBi,
    directivity_dBi, eff_total, eff_spill, eff_block, eff_taper, eff_phase,
    eff_pol, xpol_dB, sll_dB and hpbw_deg as float32 arrays of the designs'
    shape, NaN for the rows not analysed.

    client: a dask.distributed Client.  The rows are then analysed on its
    workers, chunk rows a task (default: the rows shared evenly, four
    tasks a worker), each worker with jobs threads (default every core it
    has); the results are the same as here, bit for bit.  progress then
    counts the chunks done.
    """
    if not isinstance(designs, Designs):
        raise InputError("radiate takes the Designs of solve()")
    freq_v, taper_v, angle_v = _numbers(freq, taper, taper_angle)
    settings = (freq_v, str(unit), taper_v, angle_v, str(feed), str(pol)) + _method(method, po_sampling)
    rows = designs._study_rows()
    study = designs._source.study
    if client is not None:
        out = _radiate_on(client, designs, rows, settings, _jobs(jobs), chunk, progress)
    else:
        callback, bar = _progress(progress, len(designs))
        try:
            out = study.radiate(rows, *settings, _jobs(jobs), callback)
        finally:
            if bar is not None:
                bar.close()
    return {name: _readonly(out[k].reshape(designs.shape)) for k, name in enumerate(_RADIATION)}


def _radiate_chunk(items, rows, settings, jobs):
    """A task of radiate(client=...): the study made again from its inputs on the worker, and its rows analysed."""
    study = _core.Study(items)
    return study.radiate(rows, *settings, jobs, None)


def _radiate_on(client, designs, rows, settings, jobs, chunk, progress):
    """radiate() on the workers of a dask.distributed client, in chunks of rows; the columns in order."""
    try:
        from dask.distributed import as_completed
    except ImportError:
        raise InputError("client= needs dask.distributed (Debian: python3-distributed)") from None
    # Every row is sized (physical optics refuses one too large to sample)
    # and every setting read here, before any task is sent.
    designs._source.study.radiate(rows[:0], *settings, 1, None)
    if settings[6] == "po":
        designs._source.study.radiate_preflight(rows, *settings)
    n = len(rows)
    workers = max(1, len(client.scheduler_info().get("workers", {})))
    if chunk is None:
        chunk = max(1, -(-n // (4 * workers)))
    elif isinstance(chunk, bool) or not isinstance(chunk, (int, _np.integer)) or chunk < 1:
        raise InputError("chunk must be a whole number of rows from 1, not %r" % (chunk,))
    items = designs._source.items
    pieces = [(k, rows[k:k + chunk]) for k in range(0, n, int(chunk))]
    callback, bar = _progress(progress, len(pieces))
    out = _np.full((len(_RADIATION), n), _np.nan, dtype=_np.float32)
    try:
        futures = {client.submit(_radiate_chunk, items, piece, settings, jobs, pure=False): k for k, piece in pieces}
        done = 0
        for future in as_completed(futures):
            k = futures[future]
            part = future.result()
            out[:, k:k + part.shape[1]] = part
            done += 1
            if callback is not None:
                callback(done, len(pieces))
    finally:
        if bar is not None:
            bar.close()
    return out


# The namespace holds the API alone (the annotations above are text).
del Any, Callable, Dict, Optional, Tuple, Union, annotations
