#!/usr/bin/env bash
# Builds Quillet and its benchmark, runs the benchmark under Wine on a virtual X display of its
# own, prints its one table and writes it, with a line naming the machine and the date, to
# bench/results/latest.md. Installs whatever is missing first. Works as root on a fresh Debian 12
# machine with no display and no standard input.
# The benchmark runs in a prefix of its own (build/wineprefix-bench), so it never sees the tasks
# of scripts/run.sh or the tests' prefix; its own task files live in a temporary folder there.
# Arguments go to the benchmark (--quick: fewer rounds, for a first look). Wine's output goes to
# build/logs/bench.log.
set -euo pipefail
# shellcheck source=scripts/lib.sh
. "$(dirname "$0")/lib.sh"

# shellcheck disable=SC2086  # the lists are space-separated words
q_install $Q_BUILD_PACKAGES $Q_RUN_PACKAGES
# Builds the existing configuration if there is one (test.sh leaves the ci one; both are release
# builds), and then only what the benchmark needs.
if [ -f "$Q_BUILD/build.ninja" ]; then
    cmake --build "$Q_BUILD" --target quillet_bench </dev/null >&2
else
    q_build default >&2
fi
BENCH=$Q_BUILD/bench/quillet_bench.exe
BENCH_PREFIX=${QUILLET_BENCH_PREFIX:-$Q_BUILD/wineprefix-bench}
RESULTS=$Q_ROOT/bench/results/latest.md
[ -f "$BENCH" ] || q_die "no $BENCH"
mkdir -p "$Q_LOGS" "$(dirname "$RESULTS")"

cleanup() {
    q_wineserver_stop "$BENCH_PREFIX"
    q_xvfb_stop
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A fresh session: one left over may have begun without a display, or hold programs that would
# share the machine with the measurements.
q_wineserver_stop "$BENCH_PREFIX"
q_prefix "$BENCH_PREFIX"
q_xvfb_start

TABLE=$Q_LOGS/bench-table.md
q_log "running the benchmark (a few minutes; Wine's output: $Q_LOGS/bench.log)"
status=0
wine "$BENCH" "$@" </dev/null >"$TABLE" 2>"$Q_LOGS/bench.log" || status=$?
[ $status -eq 0 ] || q_die "the benchmark failed ($status); see $Q_LOGS/bench.log"

cpu=$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)
memory=$(awk '/^MemTotal:/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo)
# Through a file, as every Wine command here.
wine --version </dev/null >"$Q_LOGS/wine-version" 2>/dev/null || true
{
    echo "# Benchmark results"
    echo
    echo "Measured by scripts/bench.sh${*:+ $*} on $(hostname): ${cpu:-unknown CPU}, $(nproc) cores, $memory;" \
         "$(uname -sr), $(cat "$Q_LOGS/wine-version"), on $(date -u '+%Y-%m-%d %H:%M UTC')."
    echo
    cat "$TABLE"
} >"$RESULTS"
cat "$RESULTS"
q_log "written to $RESULTS"
