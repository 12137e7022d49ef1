#!/usr/bin/env python3
"""End of input and garbage at every prompt of a complete export session.

For every prefix of the session's answer lines the program must end with
diagnostic 24 and status 1, and its console output, report file and export
files must be exactly what the full run had written by then.  With each
answer in turn replaced by malformed text, a numeric answer must end the run
with diagnostic 59 or 64 and lose nothing already written; a text answer
(file name, yes/no, label) may be taken as typed, but the run must still end
normally or with a diagnostic.
"""
import os
import re
import subprocess
import sys
import tempfile

bin_dir, tests_dir = sys.argv[1], sys.argv[2]
program = os.path.join(bin_dir, "refldsgn")
session_dir = os.path.join(tests_dir, "e2e", "export_cassegrain_four_files")
answers = open(os.path.join(session_dir, "input"), "rb").read().split(b"\n")
if answers and answers[-1] == b"":
    answers.pop()

# The console text that follows the closing of each export file, and how
# often it has then been written.
CLOSED_BY = {
    "main.rsf": (b" CHAMP main reflector spline w/ variable Z? ", 1),
    "main.champ": (b" Write Subreflector TICRA .rsf file? ", 1),
    "sub.rsf": (b" CHAMP subreflector spline w/ variable Z? ", 1),
    "sub.champ": (b" Vary: 0 Stop", 2),
}
DIAG = re.compile(rb"^refldsgn: severe \((\d+)\): [a-zA-Z /-]+, unit \d+, file .*\n\Z", re.S)
ROW = re.compile(rb"^[ \d.*-]{60}$")


def run(lines):
    data = b"".join(line + b"\n" for line in lines)
    with tempfile.TemporaryDirectory() as work:
        p = subprocess.run([program], input=data, cwd=work, capture_output=True, timeout=60)
        files = {}
        for name in os.listdir(work):
            with open(os.path.join(work, name), "rb") as f:
                files[name] = f.read()
    return p.returncode, p.stdout, p.stderr, files


failures = []


def check(cond, what):
    if not cond:
        failures.append(what)


status, full_out, full_err, full_files = run(answers)
check(status == 0 and full_err == b"", "the full session does not end normally")
check(set(full_files) == {"report.txt", *CLOSED_BY}, "the full session wrote %s" % sorted(full_files))

prefix_runs = []
for k in range(len(answers)):
    status, out, err, files = run(answers[:k])
    prefix_runs.append((out, files))
    where = "prefix of %d answers" % k
    check(status == 1, where + ": status %d" % status)
    check(err == b"refldsgn: severe (24): end-of-file during read, unit 5, file CONIN$\n", where + ": " + repr(err))
    check(full_out.startswith(out) and out.endswith(b"\n"), where + ": console output is no prefix of the full run")
    for name, content in files.items():
        check(full_files.get(name, b"").startswith(content), where + ": %s is no prefix of the full file" % name)
        marker, times = CLOSED_BY.get(name, (b"\0", 1))
        if out.count(marker) >= times:
            check(content == full_files[name], where + ": closed file %s is incomplete" % name)
    report = files.get("report.txt", b"")
    rows_on_console = sum(1 for line in out.split(b"\n") if ROW.match(line))
    rows_in_report = sum(1 for line in report.split(b"\n") if ROW.match(line))
    check(rows_on_console == rows_in_report, where + ": %d rows on the console, %d in the report" % (rows_on_console, rows_in_report))

GARBAGE = [b"abc", b"1..2", b"--1", b"1e", b"*", b"x" * (1 << 20), b"9" * (1 << 20),
           b"1\x002", b"\x00", b"\xff\xfe\xc3(", b"1,2,3e"]
NUMERIC = re.compile(rb"^[-+0-9.,eE ]+$")
variants = 0
for i, original in enumerate(answers):
    numeric = bool(NUMERIC.match(original))
    for junk in GARBAGE:
        if numeric and junk == b"1,2,3e" and original.count(b",") < 2:
            continue  # a one-value prompt takes the 1 and discards the rest
        variants += 1
        status, out, err, files = run(answers[:i] + [junk] + answers[i + 1:])
        where = "answer %d (%r) replaced by %r" % (i + 1, original, junk[:12])
        m = DIAG.match(err)
        check(status == 0 and err == b"" or status == 1 and m is not None, where + ": status %d, %r" % (status, err[:200]))
        if not numeric:
            continue
        check(m is not None and m.group(1) in (b"59", b"64"), where + ": %r" % err[:200])
        prefix_out, prefix_files = prefix_runs[i]
        check(out == prefix_out, where + ": console output differs from the run that ended there")
        check(files == prefix_files, where + ": files differ from the run that ended there")

print("%d prefixes and %d garbage variants checked, %d failures" % (len(answers), variants, len(failures)))
for f in failures[:40]:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
