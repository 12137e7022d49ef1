#!/usr/bin/env bash
# A short bounded run of the fuzz drivers (CI): the free-form reader for
# 30 seconds when clang's libFuzzer is there, 300 answer streams through
# the sanitizer build of both programs, 200 argument lists through
# refldsgn-solve, 200 random designs through its CAD files, and 300 keyword sets through the Python package (its
# sanitizer build, with the sanitizer runtimes preloaded into Python).
set -euo pipefail
cd "$(dirname "$0")/.."
if command -v clang++ >/dev/null 2>&1; then
  CXX=clang++ cmake -S fuzz -B build-fuzz -G Ninja >/dev/null
  cmake --build build-fuzz >/dev/null
  corpus=$(mktemp -d)
  cp fuzz/seeds/freeform/* "$corpus/"
  ./build-fuzz/freeform_fuzz -max_total_time=30 -max_len=4096 -timeout=10 "$corpus" 2>&1 | tail -n 2
  rm -rf "$corpus"
fi
python3 fuzz/program_fuzz.py build-sanitize --runs 300 --seed "$(date +%j)"
python3 fuzz/solve_fuzz.py build-sanitize --runs 200 --seed "$(date +%j)"
python3 fuzz/cad_fuzz.py build-sanitize --runs 200 --seed "$(date +%j)"
if [ -d build-sanitize/python/refldsgn ]; then
  LD_PRELOAD="$(g++ -print-file-name=libasan.so) $(g++ -print-file-name=libubsan.so)" \
  ASAN_OPTIONS=detect_leaks=0:halt_on_error=1:abort_on_error=1 \
    /usr/bin/python3 fuzz/python_fuzz.py build-sanitize --runs 300 --seed "$(date +%j)"
fi
