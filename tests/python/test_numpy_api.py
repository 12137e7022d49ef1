"""The package as a numpy user expects it: results shaped as the study,
indexed as numpy indexes, every file of the command line from Python with
the same bytes, and nothing to assign or leak."""
import os
import re
import subprocess

import numpy as np
import pytest

import refldsgn

HAVE_STEP = None


def grid():
    """DS swept inside TE, as the command line's TE=2:2.5:0.5 DS=0.3:0.5:0.1."""
    te, ds = np.meshgrid(refldsgn.steps(2, 2.5, 0.5), refldsgn.steps(0.3, 0.5, 0.1), indexing="ij")
    return refldsgn.solve(type="cassegrain", DM=6, FM=2.52, DS=ds, TE=te)


def test_grid_shapes_and_indexing(solve_program):
    d = grid()
    assert d.shape == (2, 3) and d.ndim == 2 and d.size == 6 and len(d) == 2
    flat = d._values  # the engine's buffer: (columns, rows)
    for name in ("DM", "LS", "TE", "DS", "f_D"):
        column = getattr(d, name)
        assert column.shape == (2, 3) and column.dtype == np.float32, name
        assert np.shares_memory(column, flat) and column.base is not None, name  # a view, no copy
        assert not column.flags.writeable, name
    assert d.checks.shape == d.ok.shape == d.check_text().shape == (2, 3)
    # The command line's rows are numpy's C order: the second sweep inside the first.
    csv_rows = subprocess.run([solve_program, "type=cassegrain", "DM=6", "FM=2.52", "TE=2:2.5:0.5", "DS=0.3:0.5:0.1",
                               "-f", "csv"], stdout=subprocess.PIPE, check=True).stdout.decode().splitlines()[1:]
    header = "mode,case,type,DM,FM,LM,DS,LS,TE".split(",")
    cli_ls = [np.float32(r.split(",")[header.index("LS")]) for r in csv_rows]
    assert list(d.ravel().LS) == cli_ls and list(d.LS.ravel()) == cli_ls
    assert d.ravel().shape == (6,) and np.shares_memory(d.ravel().LS, flat)
    # (a key, the shape it selects or None for one Design, the flat rows it selects)
    cases = [
        ((1, 2), None, [5]),
        ((-1, 0), None, [3]),
        (0, (3,), [0, 1, 2]),
        (-1, (3,), [3, 4, 5]),
        ((slice(None), 1), (2,), [1, 4]),
        ((slice(None), slice(1, None)), (2, 2), [1, 2, 4, 5]),
        (slice(None, None, -1), (2, 3), [3, 4, 5, 0, 1, 2]),
        ([1, 0], (2, 3), [3, 4, 5, 0, 1, 2]),
        (([0, 1], [2, 0]), (2,), [2, 3]),
        (np.array([[True, False, True], [False, False, True]]), (3,), [0, 2, 5]),
        (d.DS > 0.35, (4,), [1, 2, 4, 5]),
        (np.array([True, False] * 3), (3,), [0, 2, 4]),  # a mask of the flat rows
    ]
    for key, shape, rows in cases:
        got = d[key]
        if shape is None:
            assert isinstance(got, refldsgn.Design) and got.row == rows[0], key
            assert got.LS == d.LS.ravel()[rows[0]]
        else:
            assert isinstance(got, refldsgn.Designs) and got.shape == shape, (key, got.shape)
            assert list(got.ravel().LS) == [d.LS.ravel()[r] for r in rows], key
            assert [x.row for x in got.ravel()] == rows, key
    assert [type(x).__name__ for x in d] == ["Designs", "Designs"] and [x.row for x in d[1]] == [3, 4, 5]
    for bad in [(0, 3), (2, 0), (0, 0, 0), "XX", np.array([True, False, True])]:
        with pytest.raises((IndexError, AttributeError)):
            d[bad]
    # One design, and a study of plain numbers.
    one = refldsgn.solve(type="cassegrain", DM=6, FM=2.52, DS=0.35, TE=2.04624)
    assert one.shape == () and one.LS.shape == (1,) and one[0].row == 0 and len(list(one)) == 1


def test_pandas_integers_and_categories():
    frame = grid().to_pandas()
    assert list(frame.index.names) == ["TE", "DS"]
    assert frame.index[4] == (np.float32(2.5), np.float32(0.4))
    assert str(frame["check"].dtype) == "category" and str(frame["mode"].dtype) == "int64"
    assert list(frame["LS"]) == list(grid().LS.ravel())
    one_axis = refldsgn.solve(type="cassegrain", DM=6, FM=2.52, DS=[0.3, 0.4], TE=2).to_pandas()
    assert list(one_axis.index) == [0, 1]
    offset = refldsgn.solve(type="gregorian", DM=24, FM=18, H=18, DS=[[10], [11]], BETA=[5.6, 6, 50])
    assert offset.designs.dtype == np.int64 and offset.designs.shape == (2, 3)
    assert offset.designs.tolist() == [[1, 1, 0], [1, 1, 0]] and not offset.designs.flags.writeable
    assert isinstance(offset[0, 0].designs, int)
    frame = offset.to_pandas()
    assert str(frame["designs"].dtype) == "int64" and list(frame.index.names) == ["DS", "BETA"]


def test_no_assignment_and_no_leaks():
    d = grid()
    for target, kind in ((d, "Designs"), (d[0, 0], "Design")):
        with pytest.raises(AttributeError, match="DM is a column"):
            target.DM = np.zeros(2)
        with pytest.raises(AttributeError, match="BETA is a column"):
            target.BETA = 1  # a column of another mode all the same
        with pytest.raises(AttributeError, match="takes no new attributes"):
            target.note = "mine"
        with pytest.raises(AttributeError):
            del target.DM
    assert d[0, 0].row == 0
    with pytest.raises(ValueError):
        d.LS[0, 0] = 1
    with pytest.raises(ValueError):
        d.ravel().LS[0] = 1
    frame = d.to_pandas()
    assert list(frame["DM"]) == list(d.DM.ravel())
    public = sorted(n for n in dir(refldsgn) if not n.startswith("_"))
    assert public == sorted(refldsgn.__all__), set(public) ^ set(refldsgn.__all__)
    for leaked in ("html", "os", "enum", "np", "Optional", "annotations"):
        assert not hasattr(refldsgn, leaked), leaked


# ------------------------------------------------------- every file option
AXI = ["type=cassegrain", "DM=6000", "FM=2520", "DS=350", "TE=2.04624", "unit=mm", "freq=100", "taper=12"]
OFFSET = ["type=gregorian", "DM=24", "FM=18", "H=18", "DS=10", "BETA=5.6", "unit=m", "taper=12"]
SWEEP = ["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=1.5:3:0.5"]


def as_keywords(args):
    kw = {}
    for a in args:
        name, value = a.split("=", 1)
        if ":" in value:
            kw[name] = refldsgn.steps(*(float(v) for v in value.split(":")))
        else:
            kw[name] = value if name in ("type", "unit") else float(value)
    return kw


def text(path):
    return lambda s: open(path, "w").write(s)


# --option: (the study, the extra command-line arguments, what Python does
# to write the same file at `path`), for every option that names a file.
FILE_OPTIONS = {
    "--output": (AXI, ["-f", "csv"], lambda d, path: d.write_csv(path)),
    "--svg": (AXI, [], lambda d, path: text(path)(d[0].svg() + "")),
    "--plot": (SWEEP, [], lambda d, path: text(path)(d.plot().svg)),
    "--sketch": (OFFSET, [], lambda d, path: text(path)(d[0].sketch())),
    "--html": (AXI, [], lambda d, path: d.write_html(path)),
    "--rsf-main": (AXI, ["--main-range", "0:6000:500", "--zoffset", "1", "--reverse"],
                   lambda d, path: d[0].write_rsf_main(path, range=(0, 6000, 500), zoffset=1, reverse=True)),
    "--rsf-sub": (AXI, ["--label", "dish"], lambda d, path: d[0].write_rsf_sub(path, label="dish")),
    "--champ-main": (AXI, [], lambda d, path: d[0].write_champ_main(path)),
    "--champ-sub": (AXI, ["--sub-range", "0:350:50"], lambda d, path: d[0].write_champ_sub(path, (0, 350, 50))),
    "--profile": (AXI, [], lambda d, path: d[0].write_profile(path)),
    "--sfc-main": (OFFSET, ["--grid", "9,7"], lambda d, path: d[0].write_sfc_main(path, grid=(9, 7))),
    "--sfc-sub": (OFFSET, [], lambda d, path: d[0].write_sfc_sub(path)),
    "--tor": (OFFSET, [], lambda d, path: d[0].write_tor(path)),
    "--dxf": (AXI, [], lambda d, path: d[0].write_dxf(path)),
    "--stl": (OFFSET, ["--tolerance", "0.01"], lambda d, path: d[0].write_stl(path, tolerance=0.01)),
    "--step": (AXI, ["--thickness", "5"], lambda d, path: d[0].write_step(path, thickness=5)),
    "--cassbeam": (AXI, [], lambda d, path: d[0].write_cassbeam(path)),
    "--pattern-svg": (AXI, ["--points", "51"], lambda d, path: text(path)(d[0].pattern_svg(freq=100, unit="mm", taper=12,
                                                                                           points=51))),
    "--pattern": (AXI, ["--points", "51"], lambda d, path: d[0].write_pattern(path, freq=100, unit="mm", taper=12,
                                                                               points=51)),
}
# And the offset designs' own forms of the files both kinds have.
OFFSET_FILES = {
    "--svg": (OFFSET, [], lambda d, path: text(path)(d[0].svg())),
    "--profile": (OFFSET, [], lambda d, path: d[0].write_profile(path)),
    "--dxf": (OFFSET, [], lambda d, path: d[0].write_dxf(path)),
    "--html": (OFFSET, [], lambda d, path: d.write_html(path)),
}
# And the prime-focus family's (mode 4): one reflector, axisymmetric or offset.
PRIME_AXI = ["type=prime", "DM=1.2", "FM=0.45", "DF=0.1", "unit=m"]
PRIME_OFF = ["type=prime", "DM=0.6", "FM=0.35", "H=0.5", "unit=mm"]
PRIME_FILES = {
    "--output": (PRIME_OFF, ["-f", "json"], lambda d, path: d.write_json(path)),
    "--svg": (PRIME_AXI, [], lambda d, path: text(path)(d[0].svg())),
    "--sketch": (PRIME_OFF, [], lambda d, path: text(path)(d[0].sketch())),
    "--html": (PRIME_OFF, [], lambda d, path: d.write_html(path)),
    "--rsf-main": (PRIME_AXI, [], lambda d, path: d[0].write_rsf_main(path)),
    "--champ-main": (PRIME_AXI, [], lambda d, path: d[0].write_champ_main(path)),
    "--profile": (PRIME_OFF, [], lambda d, path: d[0].write_profile(path)),
    "--sfc-main": (PRIME_OFF, [], lambda d, path: d[0].write_sfc_main(path)),
    "--tor": (PRIME_OFF, [], lambda d, path: d[0].write_tor(path)),
    "--dxf": (PRIME_AXI, [], lambda d, path: d[0].write_dxf(path)),
    "--stl": (PRIME_OFF, ["--tolerance", "0.05"], lambda d, path: d[0].write_stl(path, tolerance=0.05)),
    "--step": (PRIME_OFF, [], lambda d, path: d[0].write_step(path)),
}


def test_every_file_option_has_a_python_writer(solve_program, tmp_path):
    help_text = subprocess.run([solve_program, "--help"], stdout=subprocess.PIPE, check=True).stdout.decode()
    options = re.findall(r"^\s+(?:-\w,)?(--[\w-]+) (?:FILE|PREFIX)\b", help_text, re.M)
    assert len(options) >= 17
    missing = [o for o in options if o not in FILE_OPTIONS]
    assert not missing, "file options without a Python counterpart: %s" % missing
    have_step = os.path.exists(os.path.join(os.path.dirname(solve_program), "refldsgn-step.so"))
    env = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
    compared = []
    for table in (FILE_OPTIONS, OFFSET_FILES, PRIME_FILES):
        for option, (args, extra, write) in table.items():
            if option == "--step" and not have_step:
                print("no STEP component: --step is not compared")
                continue
            folder = tmp_path / ("%s-%d" % (option.strip("-"), [FILE_OPTIONS, OFFSET_FILES, PRIME_FILES].index(table)))
            (folder / "cli").mkdir(parents=True)
            (folder / "py").mkdir()
            name = "f.out"
            subprocess.run([solve_program] + args + extra + [option, name], cwd=folder / "cli", env=env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            old = os.getcwd()
            os.chdir(folder / "py")
            os.environ["SOURCE_DATE_EPOCH"] = "1700000000"
            try:
                write(refldsgn.solve(**as_keywords(args)), name)
            finally:
                os.chdir(old)
                del os.environ["SOURCE_DATE_EPOCH"]
            cli_files = sorted(os.listdir(folder / "cli"))
            assert cli_files == sorted(os.listdir(folder / "py")), option
            for f in cli_files:
                assert (folder / "cli" / f).read_bytes() == (folder / "py" / f).read_bytes(), (option, f)
            compared.append(option)
    assert len(compared) >= 30
    # The files a design cannot have say so, with the command line's words.
    axi = refldsgn.solve(**as_keywords(AXI))[0]
    off = refldsgn.solve(**as_keywords(OFFSET))[0]
    for call, message in [(lambda: off.write_rsf_main(tmp_path / "x"), "for an offset design"),
                          (lambda: off.write_champ_sub(tmp_path / "x"), "for an offset design"),
                          (lambda: axi.write_sfc_main(tmp_path / "x"), "are for offset designs"),
                          (lambda: axi.write_tor(tmp_path / "x"), "are for offset designs"),
                          (lambda: axi.sketch(), "offset design"),
                          (lambda: off.write_profile(tmp_path / "x", main_range=(0, 1, 0.5)), "21 points"),
                          (lambda: off.write_sfc_sub(tmp_path / "x", grid=3), "6 to 10001")]:
        with pytest.raises(refldsgn.InputError, match=message):
            call()
    # A file of the sub of a design that has none.
    prime_axi = refldsgn.solve(**as_keywords(PRIME_AXI))[0]
    prime_off = refldsgn.solve(**as_keywords(PRIME_OFF))[0]
    for call in [lambda: prime_axi.write_rsf_sub(tmp_path / "x"), lambda: prime_axi.write_champ_sub(tmp_path / "x"),
                 lambda: prime_off.write_sfc_sub(tmp_path / "x")]:
        with pytest.raises(refldsgn.InputError, match="a prime-focus design .mode 4. has no subreflector"):
            call()
    assert refldsgn.solve(**as_keywords(PRIME_AXI)).type == "prime" and set(prime_axi.profile()) == {"main"} and set(prime_off.profile()) == {"main"}
    assert not os.path.exists(tmp_path / "x")
    curves = off.profile()
    assert set(curves) == {"main", "sub"} and len(curves["main"]) == 2 and len(curves["main"][0]) == 21


def test_radiation_matches_the_command_line(solve_program, tmp_path):
    """radiate() and Design.pattern() give the command line's numbers, bit for bit."""
    import csv
    import io
    args = ["type=gregorian", "DM=24", "FM=18", "H=18", "DS=9:11:1", "BETA=5.6", "freq=2", "unit=m", "taper=12",
            "pol=rhc"]
    out = subprocess.run([solve_program] + args + ["--radiate", "-f", "csv", "--pattern", "cuts.csv", "--points",
                                                   "101", "--at", "2"], cwd=tmp_path, check=True,
                         stdout=subprocess.PIPE).stdout.decode()
    rows = list(csv.DictReader(io.StringIO(out)))
    kw = as_keywords(args[:-4])
    designs = refldsgn.solve(**kw)
    got = refldsgn.radiate(designs, freq=2, unit="m", taper=12, pol="rhc")
    assert set(got) == set(refldsgn._core.RADIATION) and got["gain_dBi"].shape == (3,)
    for name, values in got.items():
        for row, v in zip(rows, values):
            assert row[name] != "" and np.float32(float(row[name])) == v, (name, row[name], v)
    frame = designs[1].pattern(2, "m", taper=12, pol="rhc", points=101)
    cli = list(csv.DictReader(open(tmp_path / "cuts.csv")))
    assert len(frame) == len(cli) == 303
    for name in frame.columns:
        assert [float(r[name]) for r in cli] == list(frame[name]), name
    # What the engine refuses, in the command line's words.
    for call, message in [(lambda: refldsgn.radiate(designs, freq=0, unit="m"), "freq must be positive"),
                          (lambda: refldsgn.radiate(designs, freq=2, unit="yd"), "unit must be"),
                          (lambda: refldsgn.radiate(designs, freq=2, unit="m", pol="z"), "pol must be"),
                          (lambda: refldsgn.radiate(designs, freq=2, unit="m", taper_angle=95), "taper_angle must"),
                          (lambda: refldsgn.radiate(designs, freq=2, unit="m", method="fdtd"), "method must be go or po"),
                          (lambda: refldsgn.radiate(designs, freq=2, unit="m", po_sampling=4), "give method"),
                          (lambda: refldsgn.radiate(designs, freq=2, unit="m", method="po", po_sampling=0.5),
                           "--po-sampling must lie between 1 and 64"),
                          (lambda: designs[0].pattern(2, "m", points=2), "points must")]:
        with pytest.raises(refldsgn.InputError, match=message):
            call()


def test_physical_optics_matches_the_command_line(solve_program, tmp_path):
    """method="po": radiate() and Design.pattern() give the command line's numbers, bit for bit, with
    unit=cm; a design too large to sample is refused before any row is analysed."""
    import csv
    import io
    args = ["type=gregorian", "DM=40", "FM=16", "H=32", "DS=8:10:2", "BETA=10", "freq=29.9792458", "unit=cm"]
    out = subprocess.run([solve_program] + args + ["method=po", "--radiate", "-f", "csv", "--pattern", "cuts.csv",
                                                   "--points", "21", "--at", "2", "--cuts", "0,90"],
                         cwd=tmp_path, check=True, stdout=subprocess.PIPE).stdout.decode()
    rows = list(csv.DictReader(io.StringIO(out)))
    designs = refldsgn.solve(**as_keywords(args[:-2]))
    got = refldsgn.radiate(designs, freq=29.9792458, unit="cm", method="po", jobs=1)
    for name, values in got.items():
        for row, v in zip(rows, values):
            assert row[name] != "" and np.float32(float(row[name])) == v, (name, row[name], v)
    frame = designs[1].pattern(29.9792458, "cm", method="po", points=21, cuts=(0, 90))
    cli = list(csv.DictReader(open(tmp_path / "cuts.csv")))
    for name in frame.columns:
        assert [float(r[name]) for r in cli] == list(frame[name]), name
    big = refldsgn.solve(type="cassegrain", DM=[1, 1000], FM=400, DS=250, TE=15)
    with pytest.raises(refldsgn.InputError, match="more than 8 GiB holds"):
        refldsgn.radiate(big, freq=29.9792458, unit="m", method="po")


def test_dask_workers_give_the_same_bits():
    """client=: the rows analysed on the two workers of a LocalCluster, in chunks, equal the local
    analysis bit for bit, by both methods."""
    distributed = pytest.importorskip("dask.distributed", reason="dask.distributed is not installed "
                                                                 "(Debian: python3-distributed)")
    designs = refldsgn.solve(type="cassegrain", DM=0.4, FM=0.16, DS=np.array([0.06, -1, 0.08, 0.1]), TE=15)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        for method, chunk in (("go", 1), ("po", None)):
            here = refldsgn.radiate(designs, 29.9792458, "m", method=method, jobs=1)
            done = []
            there = refldsgn.radiate(designs, 29.9792458, "m", method=method, client=client, chunk=chunk,
                                     progress=lambda d, t: done.append((d, t)))
            assert set(here) == set(there)
            for name in here:
                assert np.array_equal(here[name], there[name], equal_nan=True), (method, name)
            assert np.isnan(there["gain_dBi"][1]) and done and done[-1][0] == done[-1][1]
        with pytest.raises(refldsgn.InputError, match="chunk must be"):
            refldsgn.radiate(designs, 29.9792458, "m", client=client, chunk=0)
        with pytest.raises(refldsgn.InputError, match="freq must be positive"):
            refldsgn.radiate(designs, -1, "m", client=client)
