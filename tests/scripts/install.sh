#!/usr/bin/env bash
# cmake --install puts both programs and the manual pages under the prefix,
# and the installed programs run.
set -eu
bin_dir=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$bin_dir" --prefix "$prefix" >/dev/null
for f in bin/refldsgn bin/refldsgn-basic bin/refldsgn-solve share/man/man1/refldsgn.1 share/man/man1/refldsgn-basic.1 share/man/man1/refldsgn-solve.1; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
cd "$prefix"
printf '%s\n' report.txt n 0 | "$prefix/bin/refldsgn" >/dev/null
printf '%s\n' report2.txt 0 | "$prefix/bin/refldsgn-basic" >/dev/null
[ "$(wc -l < report.txt)" = 4 ] && [ "$(wc -l < report2.txt)" = 4 ] || { echo "installed programs misbehave"; exit 1; }
"$prefix/bin/refldsgn-solve" type=-1 DM=6 FM=2.52 DS=0.35 TE=2.04624 -f csv | grep -q ',ok,' || { echo "installed refldsgn-solve misbehaves"; exit 1; }
# The manual page formats without complaint (where man is installed).
if command -v man >/dev/null 2>&1; then
  for page in refldsgn refldsgn-solve; do
    out=$(MANWIDTH=80 man -l "$prefix/share/man/man1/$page.1" 2>&1 >/dev/null)
    [ -z "$out" ] || { echo "man page warnings ($page): $out"; exit 1; }
  done
fi
echo "installed and ran all three programs"
