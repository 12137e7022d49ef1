#!/usr/bin/env bash
# What a user must trust: no file lost to another, checks that catch impossible
# designs, sweeps that stop at STOP, messages, notes and reproducible files.
exec python3 "$2/scripts/solve_trust.py" "$@"
