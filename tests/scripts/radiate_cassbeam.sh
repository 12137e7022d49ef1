#!/usr/bin/env bash
# The radiation engine against cassbeam on axisymmetric designs.
command -v cassbeam >/dev/null 2>&1 || { echo "SKIP: cassbeam is not installed (apt-get install cassbeam)"; exit 77; }
exec python3 "$2/scripts/radiate_cassbeam.py" "$@"
