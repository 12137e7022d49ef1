#!/usr/bin/env bash
# refldsgn-solve and the interactive tables agree on every column of every case.
exec python3 "$2/scripts/solve_agreement.py" "$@"
