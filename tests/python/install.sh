#!/usr/bin/env bash
# cmake --install into a fresh home's ~/.local puts the package where that
# prefix's Python looks: a clean environment (no PYTHONPATH, the home as
# HOME) imports it and solves a design.
# A third argument is the LD_PRELOAD of a sanitizer build, whose module
# needs the sanitizer runtimes in the interpreter.  In a build with the
# STEP component, both the installed package and the installed program
# write a STEP file through the installed plug-in.
set -u
build=$1 python=$2 preload=${3:-}
sanitizer_env=()
[ -n "$preload" ] && sanitizer_env=(LD_PRELOAD="$preload" ASAN_OPTIONS=detect_leaks=0)
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
cmake --install "$build" --prefix "$home/.local" > "$home/install.log" || { cat "$home/install.log"; echo "FAIL install"; exit 1; }
out=$(cd "$home" && env -i HOME="$home" PATH=/usr/bin:/bin "${sanitizer_env[@]}" "$python" -c '
import refldsgn
d = refldsgn.solve(type="cassegrain", DM=6, FM=2.52, DS=0.35, TE=2.04624)
print(refldsgn.__file__)
print(refldsgn.__version__, d.check_text()[0], float(d.LS[0]))
') || { echo "FAIL import from the installed package"; exit 1; }
echo "$out"
grep -q "^$home/.local/lib/python3[.0-9]*/site-packages/refldsgn/__init__.py$" <<<"$out" || { echo "FAIL not the installed copy"; exit 1; }
grep -q " ok 4.847486" <<<"$out" || { echo "FAIL the design"; exit 1; }
for f in py.typed __init__.pyi; do
  ls "$home"/.local/lib/python3*/site-packages/refldsgn/$f >/dev/null || { echo "FAIL $f not installed"; exit 1; }
done
# With the STEP component, the installed module and program find its plug-in.
if [ -e "$build/refldsgn-step.so" ]; then
  (cd "$home" && env -i HOME="$home" PATH=/usr/bin:/bin "${sanitizer_env[@]}" "$python" -c '
import refldsgn
refldsgn.solve(type="cassegrain", DM=6, FM=2.52, DS=0.35, TE=2.04624, unit="m")[0].write_step("py.step")
') && grep -q "^ISO-10303-21;" "$home/py.step" || { echo "FAIL write_step from the installed package"; exit 1; }
  (cd "$home" && env -i HOME="$home" PATH=/usr/bin:/bin "$home/.local/bin/refldsgn-solve" type=cassegrain DM=6 FM=2.52 \
      DS=0.35 TE=2.04624 unit=m --step cli.step -o /dev/null) && grep -q "^ISO-10303-21;" "$home/cli.step" ||
    { echo "FAIL --step from the installed program"; exit 1; }
  echo "STEP files written by the installed package and program"
fi
echo "installed and imported"
