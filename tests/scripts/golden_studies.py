"""The studies whose refldsgn-solve output tests/golden holds: every mode
and case, both types, sweeps and grids, rows that fail their checks.  The
Python package's agreement test solves the same studies."""

# Consistent designs (ten times the reference designs) with the feed
# diameters of minimum blockage, without and with LP = 0.5.
DESIGNS = {
    "cassegrain": dict(DM=20, FM=10, LM=2, DS=3.18367, LS=6.5, TE=13.1639, DF=2.54694, DF_LP=2.38776),
    "gregorian": dict(DM=20, FM=10, LM=2, DS=3.80952, LS=10, TE=11.4212, DF=3.04762, DF_LP=2.85714),
}
MODE1 = [("DM", "LM", "LS", "TE"), ("DM", "FM", "LM", "TE"), ("DM", "FM", "LS", "TE"), ("FM", "DS", "LS", "TE"),
         ("LM", "DS", "LS", "TE"), ("DM", "FM", "DS", "TE"), ("DM", "DS", "LS", "TE")]
MODE2 = [("DM", "FM", "LM"), ("DM", "FM", "TE"), ("DM", "FM", "DS"), ("DM", "LM", "DS"), ("DM", "DS", "TE"),
         ("DM", "LM", "TE"), ("DM", "LS", "TE")]


def sweep(v):
    return "%g:%g:%g" % (v * 0.96, v * 1.04 + 1e-9, v * 0.04)


def studies():
    """Argument lists: each case of each mode with its first quantity swept
    over three rows, then grids, FDE, and designs that fail checks."""
    out = []
    for t, d in DESIGNS.items():
        for i, qs in enumerate(MODE1):
            args = ["type=" + t] + ["%s=%s" % (q, sweep(d[q]) if k == 0 else "%g" % d[q]) for k, q in enumerate(qs)]
            if i == 3:
                args[-1] = "FDE=1.2:1.6:0.2"
            out.append(args)
        for phase in (False, True):
            for qs in MODE2:
                args = ["type=" + t] + ["%s=%s" % (q, sweep(d[q]) if k == 0 else "%g" % d[q]) for k, q in enumerate(qs)]
                args.append("DF=%g" % (d["DF_LP"] if phase else d["DF"]))
                if phase:
                    args.append("LP=0.5")
                out.append(args)
    out += [
        ["type=-1", "DM=100:120:10", "LM=10", "LS=30", "FDE=0.5:1.5:0.5"],       # grid, non-positive
        ["type=1", "FM=8:12:2", "DM=20", "LM=2", "TE=10:12:1"],                   # grid of mode 1 case 2
        ["type=-1", "DM=20", "FM=10", "TE=12:14:1", "DF=2:3:0.5", "LP=0.5"],     # grid of mode 2
        ["type=-1", "DM=2", "LS=1", "DS=19", "TE=84"],                           # no-solution
        ["type=1", "DM=2", "FM=1", "TE=11.4212", "DF=-0.3"],                     # no-solution, non-positive
        ["type=-1", "DM=2", "FM=1", "DS=0.3", "TE=0:90:45"],                     # non-finite, angle-range
        ["type=-1", "DM=3e38", "FM=3e38", "DS=3e38", "TE=10"],                   # overflow
        ["type=-1", "DM=1e-38", "FM=2e-38", "DS=1e-45", "TE=1e-5"],              # denormals
        ["type=1", "DM=20", "FM=10", "DS=25", "TE=11"],                           # sub-not-smaller
        ["type=1", "DM=20", "FM=10", "DS=3", "DF=4"],                             # feed-not-smaller
        ["type=-1", "DM=20", "FM=10", "LM=2", "DF=2.54694", "LP=-1:40:20"],      # feed-beyond-focus
        ["type=-1", "DM=-6", "FM=2.52", "DS=0.35", "TE=2.04624"],
        ["type=cassegrain", "DM=6", "FM=2.52", "DS=0.35", "TE=2.04624", "unit=mm", "freq=100", "taper=12"],
    ]
    return out


def offset_studies():
    """Offset designs (mode 3), beyond the files made before the mode came:
    both worked examples, a grid, the two designs of one E, cases 25 and 31,
    a horn, and rows that fail their checks."""
    return [
        ["type=cassegrain", "DM=45", "FM=38", "H=40", "DS=10", "BETA=6"],
        ["type=gregorian", "DM=24", "FM=18", "H=18", "DS=10", "BETA=5.6"],
        ["type=cassegrain", "DM=45", "FM=38", "H=40", "BETA=4:8:2", "DS=8:12:2"],
        ["type=gregorian", "DM=10", "FM=4", "HC=1", "E=0.35", "LS=2:4:0.5", "root=2"],
        ["type=gregorian", "DM=24", "TH0=53.1301", "TE=11.5", "BETA=5.6", "DS=9:11:1"],
        ["type=cassegrain", "DM=45", "TH0=55.5", "BETA=6", "LS=21", "DFPR=20", "DF=3"],
        ["type=cassegrain", "DM=45", "FM=38", "HC=17.5", "FDE=2.7", "DSRPR=-5:5:5"],
        ["type=gregorian", "DM=10", "FM=4", "H=6", "E=0.02:0.5:0.16", "DS=1"],
    ]
