#!/usr/bin/env bash
# Physical optics (method=po) as a user runs it: against geometrical optics,
# converged under doubled sampling, its cuts, and the inputs refused.
exec python3 "$2/scripts/solve_po.py" "$@"
