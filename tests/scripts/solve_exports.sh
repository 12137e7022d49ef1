#!/usr/bin/env bash
# Surface files from refldsgn-solve, byte for byte those of the export dialogue.
exec python3 "$2/scripts/solve_exports.py" "$@"
