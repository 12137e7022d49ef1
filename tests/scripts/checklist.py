"""What the scripted tests share: a list of failed expectations, reported
at the end with the exit status that CTest reads."""
import sys

failures = []


def expect(cond, what):
    if not cond:
        failures.append(what)


def finish():
    for f in failures:
        print("FAIL:", f)
    print("%d failures" % len(failures))
    sys.exit(1 if failures else 0)
