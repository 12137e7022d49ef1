#!/usr/bin/env bash
# --radiate and --pattern as a user runs them: the columns, the cuts in
# both formats read back, and the inputs refused.
exec python3 "$2/scripts/solve_radiate.py" "$@"
