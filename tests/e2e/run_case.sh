#!/usr/bin/env bash
# Runs one transcript case: pipes <case>/input into a deliverable in an
# empty working folder and compares, byte for byte,
#   standard output   with <case>/expected/stdout
#   standard error    with <case>/expected/stderr (empty when absent)
#   exit status       with <case>/expected/status (0 when absent)
#   every file under <case>/expected/files/ with the file of that name
#     the run left in the working folder.
# <case>/program names the deliverable (refldsgn when absent); an
# executable <case>/setup.sh runs first in the working folder.
set -u
bin_dir=$1
case_dir=$2
program=refldsgn
[ -f "$case_dir/program" ] && program=$(tr -d ' \n' < "$case_dir/program")
work=$(mktemp -d)
trap 'chmod -R u+w "$work" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 1
[ -f "$case_dir/setup.sh" ] && bash "$case_dir/setup.sh"
"$bin_dir/$program" < "$case_dir/input" > "$work/.stdout" 2> "$work/.stderr"
status=$?
fail=0
expect_status=0
[ -f "$case_dir/expected/status" ] && expect_status=$(tr -d ' \n' < "$case_dir/expected/status")
if [ "$status" != "$expect_status" ]; then
  echo "exit status $status, expected $expect_status"; fail=1
fi
compare() {  # expected actual label
  if ! cmp -s "$1" "$2"; then
    echo "--- $3 differs (expected vs actual):"
    diff -u "$1" "$2" | head -n 60
    fail=1
  fi
}
compare "$case_dir/expected/stdout" "$work/.stdout" stdout
if [ -f "$case_dir/expected/stderr" ]; then
  compare "$case_dir/expected/stderr" "$work/.stderr" stderr
elif [ -s "$work/.stderr" ]; then
  echo "--- unexpected stderr:"; cat "$work/.stderr"; fail=1
fi
if [ -d "$case_dir/expected/files" ]; then
  while IFS= read -r -d '' f; do
    rel=${f#"$case_dir/expected/files/"}
    if [ ! -f "$work/$rel" ]; then
      echo "--- missing file $rel"; fail=1
    else
      compare "$f" "$work/$rel" "file $rel"
    fi
  done < <(find "$case_dir/expected/files" -type f -print0)
fi
exit $fail
