#!/usr/bin/env bash
# The DXF, STL and STEP files read back: ezdxf, the STL bytes, the STEP text
# and OpenCASCADE.
/usr/bin/python3 -c "import numpy, ezdxf" 2>/dev/null || { echo "SKIP: needs Debian's python3-numpy and python3-ezdxf"; exit 77; }
[ -x "$1/tests/step_probe" ] || { echo "SKIP: this build has no STEP component (libocct-data-exchange-dev)"; exit 77; }
exec /usr/bin/python3 "$2/scripts/solve_cad.py" "$@"
