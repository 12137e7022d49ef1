# What the benchmark scripts share: their arguments and the median.
#
#   . bench/args.sh PROGRAM DEFAULT_RUNS "$@"
#
# reads [BIN_DIR] [RUNS] [ROWS] [--vs OTHER_BIN_DIR] into bin_dir, runs,
# rows and other (empty without --vs), checking that PROGRAM is built there.
# Needs /usr/bin/time (Debian package "time").
bench_program=$1 runs=$2
shift 2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
positional=()
other=
while [ $# -gt 0 ]; do
    case $1 in
    --vs) other=$(cd "$2" && pwd); shift 2 ;;
    *) positional+=("$1"); shift ;;
    esac
done
bin_dir=$(cd "${positional[0]:-$here/../build}" && pwd)
runs=${positional[1]:-$runs}
rows=${positional[2]:-1000000}
[ -x "$bin_dir/$bench_program" ] || { echo "no $bin_dir/$bench_program; build first" >&2; exit 2; }
[ -z "$other" ] || [ -x "$other/$bench_program" ] || { echo "no $other/$bench_program" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (apt-get install time)" >&2; exit 2; }

median() { sort -n | awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'; }
