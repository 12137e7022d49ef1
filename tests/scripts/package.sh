#!/usr/bin/env bash
# cpack -G DEB makes a Debian package of all programs, manual pages and the
# licence under /usr, versioned as the CMake project, depending on nothing
# beyond the C and C++ runtimes (cassbeam suggested); and, in a build with
# the Python package, a second package python3-refldsgn that holds it (and
# nothing of the first) where Debian's python3 looks, depending on numpy;
# in a build with the STEP component, a package refldsgn-cad with the
# plug-in (and the OpenCASCADE libraries it loads), which the programs of
# the first package find once both are unpacked.
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
grep -q step <<<"$list" && { echo "FAIL the STEP component in $(basename "$deb")"; fail=1; }
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
if [ -e "$bin_dir/refldsgn-step.so" ]; then
  caddeb=$(ls "$out"/refldsgn-cad_*.deb 2>/dev/null) || { echo "FAIL no refldsgn-cad package"; exit 1; }
  cadlist=$(dpkg-deb -c "$caddeb" | awk '{print $6}')
  [ "$(grep -c '\.so$' <<<"$cadlist")" = 1 ] && grep -q '^\./usr/lib/.*refldsgn/refldsgn-step\.so$' <<<"$cadlist" ||
    { echo "FAIL $caddeb holds $(grep '\.so$' <<<"$cadlist")"; fail=1; }
  cad_depends=$(dpkg-deb -f "$caddeb" Depends)
  grep -q "refldsgn (= $version)" <<<"$cad_depends" && grep -q libocct-data-exchange <<<"$cad_depends" ||
    { echo "FAIL refldsgn-cad Depends: $cad_depends"; fail=1; }
  # Unpacked as installed: the program finds its plug-in, and says what to
  # install without it.
  dpkg-deb -x "$deb" "$out/root"
  dish=(type=cassegrain DM=6 FM=2.52 DS=0.35 TE=2.04624 unit=m -o /dev/null)
  if "$out/root/usr/bin/refldsgn-solve" "${dish[@]}" --step "$out/a.step" 2>"$out/err"; then
    echo "FAIL --step without refldsgn-cad succeeded"; fail=1
  fi
  grep -q refldsgn-cad "$out/err" || { echo "FAIL without refldsgn-cad: $(cat "$out/err")"; fail=1; }
  dpkg-deb -x "$caddeb" "$out/root"
  "$out/root/usr/bin/refldsgn-solve" "${dish[@]}" --step "$out/a.step" && grep -q "^ISO-10303-21;" "$out/a.step" ||
    { echo "FAIL --step with refldsgn-cad unpacked"; fail=1; }
  [ $fail = 0 ] && echo "package $(basename "$caddeb"): $(wc -l <<<"$cadlist") entries"
fi
exit $fail
