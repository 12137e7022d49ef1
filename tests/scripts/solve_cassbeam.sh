#!/usr/bin/env bash
# The hand-off to cassbeam on a real instrument (skipped without cassbeam).
exec python3 "$2/scripts/solve_cassbeam.py" "$@"
