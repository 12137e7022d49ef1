#!/usr/bin/env bash
# Offset designs against an independent ray trace, the worked examples and the checks.
/usr/bin/python3 -c "import numpy" 2>/dev/null || { echo "SKIP: needs Debian's python3-numpy"; exit 77; }
exec /usr/bin/python3 "$2/scripts/solve_offset.py" "$@"
