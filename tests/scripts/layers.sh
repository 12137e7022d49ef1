#!/usr/bin/env bash
# Lower layers never include or link higher ones.
exec python3 "$2/scripts/layers.py" "$@"
