#!/usr/bin/env bash
# The files of an offset design read back: .sfc, .tor and the profile.
/usr/bin/python3 -c "import numpy" 2>/dev/null || { echo "SKIP: needs Debian's python3-numpy"; exit 77; }
exec /usr/bin/python3 "$2/scripts/solve_offset_files.py" "$@"
