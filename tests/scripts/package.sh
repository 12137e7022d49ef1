#!/usr/bin/env bash
# cpack -G DEB makes a Debian package of all programs, manual pages and the
# licence under /usr, versioned as the CMake project, depending on nothing
# beyond the C and C++ runtimes (cassbeam suggested); and, in a build with
# the Python package, a second package python3-refldsgn that holds it (and
# nothing of the first) where Debian's python3 looks, depending on numpy.
set -u
bin_dir=$1
command -v dpkg-deb >/dev/null && command -v cpack >/dev/null || { echo "SKIP: needs dpkg-deb and cpack"; exit 77; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$bin_dir/CPackConfig.cmake" -G DEB -B "$out" >/dev/null || { echo "FAIL cpack"; exit 1; }
deb=$(ls "$out"/refldsgn_*.deb)
fail=0
list=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/refldsgn ./usr/bin/refldsgn-basic ./usr/bin/refldsgn-solve ./usr/share/man/man1/refldsgn.1 \
         ./usr/share/man/man1/refldsgn-basic.1 ./usr/share/man/man1/refldsgn-solve.1 ./usr/share/doc/refldsgn/LICENSE; do
  grep -qx "$f" <<<"$list" || { echo "FAIL the package lacks $f"; fail=1; }
done
grep -v '^\./usr/' <<<"$list" | grep -q . && { echo "FAIL files outside /usr"; fail=1; }
version=$("$bin_dir/refldsgn-solve" --version | awk '{print $2}')
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || { echo "FAIL version $(dpkg-deb -f "$deb" Version), not $version"; fail=1; }
[ "$(dpkg-deb -f "$deb" Suggests)" = cassbeam ] || { echo "FAIL Suggests"; fail=1; }
dpkg-deb -f "$deb" Description | grep -q refldsgn-solve || { echo "FAIL description"; fail=1; }
# The run-time dependencies are those the programs load: the C and C++
# runtimes (a sanitizer build also loads its sanitizer libraries).
if ! ldd "$bin_dir/refldsgn" | grep -q asan; then
  depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/ *(.*//; s/^ *//' | sort | tr '\n' ' ')
  [ "$depends" = "libc6 libgcc-s1 libstdc++6 " ] || { echo "FAIL Depends: $depends"; fail=1; }
fi
grep -q python <<<"$list" && { echo "FAIL python files in $(basename "$deb")"; fail=1; }
[ $fail = 0 ] && echo "package $(basename "$deb"): $(wc -l <<<"$list") entries"
if [ -d "$bin_dir/python/refldsgn" ]; then
  pydeb=$(ls "$out"/python3-refldsgn_*.deb 2>/dev/null) || { echo "FAIL no python3-refldsgn package"; exit 1; }
  pylist=$(dpkg-deb -c "$pydeb" | awk '{print $6}')
  for f in __init__.py __init__.pyi py.typed; do
    grep -qx "./usr/lib/python3/dist-packages/refldsgn/$f" <<<"$pylist" || { echo "FAIL $pydeb lacks $f"; fail=1; }
  done
  grep -qx './usr/lib/python3/dist-packages/refldsgn/_core\.cpython-3[0-9]*-x86_64-linux-gnu\.so' <<<"$pylist" ||
    { echo "FAIL $pydeb lacks the module"; fail=1; }
  grep -q '^\./usr/bin\|man1' <<<"$pylist" && { echo "FAIL programs in $(basename "$pydeb")"; fail=1; }
  [ "$(dpkg-deb -f "$pydeb" Package)" = python3-refldsgn ] || { echo "FAIL package name"; fail=1; }
  dpkg-deb -f "$pydeb" Depends | grep -q 'python3-numpy' || { echo "FAIL python3-refldsgn Depends"; fail=1; }
  [ $fail = 0 ] && echo "package $(basename "$pydeb"): $(wc -l <<<"$pylist") entries"
fi
exit $fail
