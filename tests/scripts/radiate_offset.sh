#!/usr/bin/env bash
# Cross-polarisation of offset designs: the dual reflectors of every case
# free of it, offset prime-focus dishes against an independent calculation.
/usr/bin/python3 -c "import numpy" 2>/dev/null || { echo "SKIP: needs Debian's python3-numpy"; exit 77; }
exec /usr/bin/python3 "$2/scripts/radiate_offset.py" "$@"
