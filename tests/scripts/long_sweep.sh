#!/usr/bin/env bash
# Very long sweeps stream: ten million rows run in the memory of ten, and an
# interrupt during a sweep leaves a report that ends with a whole row.
set -u
bin=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
fail=0

sweep() {  # report-name stop
  printf '%s\n1\n1\n-1\n1\n10\n30\n-0.5\n1,%s,1\n0\n0\n' "$1" "$2"
}
peak_kib() {  # report-name stop
  sweep "$1" "$2" | /usr/bin/time -f %M "$bin/refldsgn-basic" 2>&1 >/dev/null | tail -n 1
}
small=$(peak_kib /dev/null 10)
large=$(peak_kib /dev/null 10000000)
echo "peak resident memory: ${small} KiB for 10 rows, ${large} KiB for 10,000,000 rows"
case "${ASAN_OPTIONS:-}${REFLDSGN_SANITIZED:-}" in
  "") # the figures mean nothing under the sanitizers' shadow memory
    if [ "$large" -gt 10240 ] || [ "$large" -gt $((small + 1024)) ]; then
      echo "FAIL memory grows with the row count"; fail=1
    fi ;;
esac

# Interrupt a long sweep written to a real file (job control on, so that
# the background program does not start with SIGINT ignored).
set -m
sweep report.txt 10000000 | "$bin/refldsgn-basic" > /dev/null &
pid=$!
for _ in $(seq 1 100); do
  [ "$(stat -c %s report.txt 2>/dev/null || echo 0)" -gt 2000000 ] && break
  sleep 0.05
done
kill -INT $pid
wait $pid 2>/dev/null
status=$?
set +m
size=$(stat -c %s report.txt)
last=$(tail -c 1 report.txt | od -An -c | tr -d ' ')
last_line=$(tail -n 1 report.txt)
echo "interrupted (status $status) after writing $size bytes; last line: '$last_line'"
[ "$status" = 130 ] || { echo "FAIL the sweep was not interrupted"; fail=1; }
if [ "$last" != '\n' ] || ! [[ "$last_line" =~ ^[\ 0-9.*-]{60}$ ]]; then
  echo "FAIL the report does not end with a whole row"; fail=1
fi
exit $fail
