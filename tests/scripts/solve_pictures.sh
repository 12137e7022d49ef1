#!/usr/bin/env bash
# The pictures of refldsgn-solve read back as geometry.
exec python3 "$2/scripts/solve_pictures.py" "$@"
