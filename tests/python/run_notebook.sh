#!/usr/bin/env bash
# Runs an example notebook headless; a cell that fails fails the test.
set -u
notebook=$1
if [ -n "${LD_PRELOAD:-}" ]; then
  echo "SKIP: the notebook's kernel does not run under the sanitizer runtimes (the pytest suite does)"
  exit 77
fi
command -v jupyter-nbconvert >/dev/null || { echo "SKIP: needs jupyter-nbconvert and python3-ipykernel"; exit 77; }
/usr/bin/python3 -c "import matplotlib" 2>/dev/null || { echo "SKIP: the notebook's map needs python3-matplotlib"; exit 77; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
jupyter-nbconvert --to notebook --execute --ExecutePreprocessor.timeout=600 --output-dir "$out" "$notebook" || exit 1
# Every code cell ran and none holds an error.
/usr/bin/python3 - "$out/$(basename "$notebook")" <<'PY'
import json, sys
nb = json.load(open(sys.argv[1]))
cells = [c for c in nb["cells"] if c["cell_type"] == "code"]
errors = [o for c in cells for o in c.get("outputs", []) if o.get("output_type") == "error"]
unrun = [c for c in cells if c.get("execution_count") is None]
print("%d code cells run, %d errors" % (len(cells) - len(unrun), len(errors)))
sys.exit(1 if errors or unrun else 0)
PY
