#!/usr/bin/env bash
# File-system faults: each ends the run with its diagnostic, and what was
# written before stays written.
set -u
bin=$1
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"
fail=0

expect() {  # label expected-stderr command...
  local label=$1 want=$2; shift 2
  local got
  got=$("$@" 2>&1 >/dev/null)
  local status=$?
  if [ "$status" != 1 ] || [ "$got" != "$want" ]; then
    echo "FAIL $label: status $status, stderr: $got"; fail=1
  fi
}

# Permission faults need an ordinary user: the superuser may write anywhere.
as_user=()
if [ "$(id -u)" = 0 ]; then
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
mkdir "$work/ro" && chmod 555 "$work/ro"
mkdir "$work/rw" && chmod 777 "$work/rw"
: > "$work/rw/locked.txt" && chmod 444 "$work/rw/locked.txt"
cd "$work/rw"
expect "report in a read-only folder" \
  "refldsgn: severe (9): permission to access file denied, unit 66, file ../ro/report.txt" \
  "${as_user[@]}" sh -c "printf '../ro/report.txt\n' | '$bin/refldsgn'"
expect "read-only report file" \
  "refldsgn-basic: severe (9): permission to access file denied, unit 66, file locked.txt" \
  "${as_user[@]}" sh -c "printf 'locked.txt\n' | '$bin/refldsgn-basic'"
[ -s locked.txt ] && { echo "FAIL the read-only file was changed"; fail=1; }

# A design, swept once, then one export file per run.
design='report.txt\ny\n1\n1\n-1\n1\n0.2\n0.65\n-2.166667\n2,2,1\n2\n'
expect ".rsf file on a full disk" \
  "refldsgn: severe (38): error during write, unit 40, file /dev/full" \
  sh -c "printf '${design}y\n/dev/full\n0\n0,2,1\n1\nlabel\n' | '$bin/refldsgn'"
grep -q '^   2.0000' report.txt || { echo "FAIL the report lost its table"; fail=1; }
expect "CHAMP file on a full disk" \
  "refldsgn: severe (38): error during write, unit 25, file /dev/full" \
  sh -c "printf '${design}n\ny\n/dev/full\n3\n0,2,3\n' | '$bin/refldsgn'"
mkdir -p folder
expect ".rsf file named like a folder" \
  "refldsgn: severe (30): open failure, unit 40, file folder" \
  sh -c "printf '${design}y\nfolder\n' | '$bin/refldsgn'"
expect "CHAMP file named like a folder" \
  "refldsgn: severe (30): open failure, unit 25, file folder" \
  sh -c "printf '${design}n\ny\nfolder  \n' | '$bin/refldsgn'"
expect "report on a full disk" \
  "refldsgn: severe (38): error during write, unit 66, file /dev/full" \
  sh -c "printf '/dev/full\nn\n0\n' | '$bin/refldsgn'"
expect "console output on a full disk" \
  "refldsgn: severe (38): error during write, unit 6, file CONOUT\$" \
  sh -c "printf 'r2.txt\nn\n0\n' | '$bin/refldsgn' > /dev/full"

# A closed console output is a write error; the report gets no console text.
expect "closed console output" \
  "refldsgn: severe (38): error during write, unit 6, file CONOUT\$" \
  sh -c "printf 'closed.txt\nn\n0\n' | '$bin/refldsgn' >&-"
[ "$(wc -l < closed.txt)" = 4 ] || { echo "FAIL console output went into the report"; fail=1; }

# A report named like the file that standard output already writes is not
# opened over it: diagnostic 30, and the console text stays whole.
expect "report onto the console's file" \
  "refldsgn-basic: severe (30): open failure, unit 66, file ./console.txt" \
  sh -c "printf './console.txt\n0\n' | '$bin/refldsgn-basic' > console.txt"
[ "$(head -n 1 console.txt)" = " Designing Axially Symmetric Cassegrain or Gregorian Dual" ] ||
  { echo "FAIL the console text was lost"; fail=1; }

# A 75-character answer names the file of its first 70 characters.
long=$(printf 'n%.0s' $(seq 1 70))
printf '%s\n0\n' "${long}12345" | "$bin/refldsgn-basic" > /dev/null
[ -f "$long" ] || { echo "FAIL the long name was not cut to 70 characters"; fail=1; }

[ $fail = 0 ] && echo "all file-system faults diagnosed"
exit $fail
