#!/usr/bin/env bash
# Prime-focus designs (mode 4): every case against an independent solution,
# the checks, the files read back, and what needs a subreflector refused.
/usr/bin/python3 -c "import numpy" 2>/dev/null || { echo "SKIP: needs Debian's python3-numpy"; exit 77; }
exec /usr/bin/python3 "$2/scripts/solve_prime.py" "$@"
