#!/usr/bin/env bash
# refldsgn-solve writes the bytes of the files in tests/golden.
exec python3 "$2/scripts/solve_golden.py" "$@"
