#!/usr/bin/env bash
# refldsgn-solve from the command line: checks, grids, study files, errors, formats.
exec python3 "$2/scripts/solve_cli.py" "$@"
