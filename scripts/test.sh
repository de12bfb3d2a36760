#!/usr/bin/env bash
# Builds Quillet with warnings as errors and runs every test (GoogleTest suites and end-to-end
# scripts) under Wine, on a virtual X display of its own. Installs whatever is missing first.
# Works as root on a fresh Debian 12 machine with no display and no standard input.
# Exit status: CTest's. Extra arguments go to ctest (e.g. -R Smoke, -V).
set -euo pipefail
# shellcheck source=scripts/lib.sh
. "$(dirname "$0")/lib.sh"

# One run at a time per checkout: runs share the build folder, the Wine prefix, its task file
# and its single-instance guard.
mkdir -p "$Q_BUILD"
exec 9>"$Q_BUILD/.test.lock"
flock 9

# shellcheck disable=SC2086  # the lists are space-separated words
q_install $Q_BUILD_PACKAGES $Q_RUN_PACKAGES
q_build ci
Q_WINEPREFIX=$(q_cache_value QUILLET_WINEPREFIX)
[ -n "$Q_WINEPREFIX" ] || q_die "QUILLET_WINEPREFIX is missing from $Q_BUILD/CMakeCache.txt"

cleanup() {
    q_wineserver_stop "$Q_WINEPREFIX"
    q_xvfb_stop
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A server left running by an earlier run may belong to a session that began without a display,
# and no program of such a session can open a window: start from a fresh one.
q_wineserver_stop "$Q_WINEPREFIX"
# Made before the clock of the first test starts; exports WINEPREFIX for the end-to-end scripts.
q_prefix "$Q_WINEPREFIX"
q_xvfb_start

cd "$Q_ROOT"
status=0
ctest --preset ci "$@" </dev/null || status=$?
exit $status
