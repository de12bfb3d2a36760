#!/usr/bin/env bash
# The reliability suite's full rounds, then its figures as one table. Builds Quillet with
# warnings as errors, then runs the real program under Wine in a prefix of the suite's own
# (build/wineprefix-reliability) on a virtual display of its own:
#   kills    200 random kills during saves and 40 at points inside the save, on a 2,000-task
#            and a 50-task file: no task file torn or lost, no temporary files piling up
#   faults   saves that fail (read-only, locked, a file for the folder, folder removed, full
#            disk): the system's message, no change lost
#   hostile  hostile task files, three times each: shown within 2 s, no crash, nothing read from
#            an external entity, the original kept; a legitimate 100,000-task file loads
#   races    ten starts at once, ten times; twenty starts during an exit: never two instances
#   fuzz     20,000 mutated task files through loading, saving and loading again, in-process
# Usage: scripts/reliability.sh [PART...]   (default: every part). Round counts can be changed
# through RELIABILITY_KILLS, RELIABILITY_POINT_ROUNDS, RELIABILITY_HOSTILE_ROUNDS,
# RELIABILITY_RACES, RELIABILITY_EXIT_RACES and QUILLET_FUZZ_ROUNDS. Exit status: 0 when every
# figure met its goal. Logs and the files of each round go to build/reliability/.
set -uo pipefail
# shellcheck source=scripts/lib.sh
. "$(dirname "$0")/lib.sh"

PARTS=("$@")
[ ${#PARTS[@]} -gt 0 ] || PARTS=(kills faults hostile races fuzz)
for part in "${PARTS[@]}"; do
    case $part in kills | faults | hostile | races | fuzz) ;; *) q_die "unknown part: $part (kills faults hostile races fuzz)" ;; esac
done

export RELIABILITY_KILLS=${RELIABILITY_KILLS:-200}
export RELIABILITY_POINT_ROUNDS=${RELIABILITY_POINT_ROUNDS:-4}
export RELIABILITY_HOSTILE_ROUNDS=${RELIABILITY_HOSTILE_ROUNDS:-3}
export RELIABILITY_RACES=${RELIABILITY_RACES:-10}
export RELIABILITY_EXIT_RACES=${RELIABILITY_EXIT_RACES:-20}
export QUILLET_FUZZ_ROUNDS=${QUILLET_FUZZ_ROUNDS:-20000}

OUT=$Q_BUILD/reliability
PREFIX=$Q_BUILD/wineprefix-reliability
BIN=$OUT/bin

# shellcheck disable=SC2086  # the lists are space-separated words
q_install $Q_BUILD_PACKAGES $Q_RUN_PACKAGES
mkdir -p "$Q_BUILD"
# The build folder is shared with the test command: build under its lock, then run copies of
# the programs, so that a build started meanwhile cannot change them under the suite.
(
    flock 9
    q_build ci || exit 1
    rm -rf "$BIN"
    mkdir -p "$BIN"
    cp "$Q_BUILD/Quillet.exe" "$Q_BUILD/tests/reliability_probe.exe" "$Q_BUILD/tests/e2e_desktop.exe" \
        "$Q_BUILD/tests/quillet_tests.exe" "$BIN/"
) 9>"$Q_BUILD/.test.lock" || q_die "the build failed"

cleanup() {
    q_wineserver_stop "$PREFIX"
    q_xvfb_stop
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A fresh Wine session with a display from its first program on (see scripts/test.sh).
q_wineserver_stop "$PREFIX"
q_prefix "$PREFIX" || q_die "could not set up the Wine prefix $PREFIX"
Q_LOGS=$OUT q_xvfb_start

export E2E_ARTIFACTS=$OUT/artifacts E2E_DESKTOP=$BIN/e2e_desktop.exe RELIABILITY_PROBE=$BIN/reliability_probe.exe
export RELIABILITY_FIGURES=$OUT/figures.tsv
rm -rf "$E2E_ARTIFACTS"
: >"$RELIABILITY_FIGURES"

figure() { printf '%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" >>"$RELIABILITY_FIGURES"; }

run_fuzz() {
    local log=$OUT/fuzz.log line status=0
    (cd "$BIN" && timeout 7200 wine ./quillet_tests.exe --gtest_filter='FuzzTest.*' >"$log" 2>&1 </dev/null) || status=$?
    line=$(grep -a '^\[ figures  \] fuzz:' "$log" | tr -d '\r' | sed 's/^\[ figures  \] fuzz: //')
    local files differing copies slowest
    files=$(sed -n 's/^\([0-9]*\) files.*/\1/p' <<<"$line")
    differing=$(sed -n 's/.* \([0-9]*\) saved files read back differently.*/\1/p' <<<"$line")
    copies=$(sed -n 's/.* \([0-9]*\) wrong kept copies.*/\1/p' <<<"$line")
    slowest=$(sed -n 's/.*slowest file \([0-9]*\) ms.*/\1/p' <<<"$line")
    local outcome="finished"
    [ "$status" = 124 ] && outcome="hung (stopped after 2 h)"
    [ "$status" != 0 ] && [ "$status" != 1 ] && [ "$status" != 124 ] && outcome="crashed (status $status)"
    figure "fuzz: mutated files through load, save, load" "${files:-0}" "$QUILLET_FUZZ_ROUNDS" "$([ "${files:-0}" = "$QUILLET_FUZZ_ROUNDS" ] && echo ok || echo FAIL)"
    figure "fuzz: crashes and hangs" "$([ "$outcome" = finished ] && echo 0 || echo "$outcome")" "0" "$([ "$outcome" = finished ] && echo ok || echo FAIL)"
    figure "fuzz: files read in full / stopped / unreadable" "$(sed -n 's/.*: \([0-9]*\) read in full, \([0-9]*\) stopped.*, \([0-9]*\) empty or unreadable.*/\1 \/ \2 \/ \3/p' <<<"$line")" "-" ok
    figure "fuzz: saved files read back differently" "${differing:-?}" "0" "$([ "${differing:-x}" = 0 ] && echo ok || echo FAIL)"
    figure "fuzz: kept copies missing or wrong" "${copies:-?}" "0" "$([ "${copies:-x}" = 0 ] && echo ok || echo FAIL)"
    figure "fuzz: slowest file (load, save, load)" "${slowest:-?} ms" "-" ok
}

status=0
for part in "${PARTS[@]}"; do
    start=$(date +%s)
    q_log "reliability: $part (log: $OUT/$part.log)"
    if [ "$part" = fuzz ]; then
        run_fuzz
    elif ! WINEPREFIX=$PREFIX timeout 3600 bash "$Q_ROOT/tests/reliability/$part.sh" "$BIN/Quillet.exe" >"$OUT/$part.log" 2>&1 </dev/null; then
        grep -q "^figure:" "$OUT/$part.log" || figure "$part: the script stopped" "$(grep '^FAIL' "$OUT/$part.log" | head -n 1)" "-" FAIL
        status=1
    fi
    q_log "reliability: $part took $(($(date +%s) - start)) s"
done
grep -q $'\tFAIL$' "$RELIABILITY_FIGURES" && status=1

{
    printf 'Reliability figures: %s, %s, Wine %s\n\n' "$(date -u '+%Y-%m-%d %H:%M UTC')" "$(uname -n)" "$(wine --version 2>/dev/null)"
    printf '| %-56s | %-40s | %-16s | %-4s |\n' "figure" "value" "goal" ""
    printf '|%s|%s|%s|%s|\n' "$(printf -- '-%.0s' {1..58})" "$(printf -- '-%.0s' {1..42})" "$(printf -- '-%.0s' {1..18})" "------"
    while IFS=$'\t' read -r name value goal met; do
        printf '| %-56s | %-40s | %-16s | %-4s |\n' "$name" "$value" "$goal" "$met"
    done <"$RELIABILITY_FIGURES"
} | tee "$OUT/figures.md"
[ $status = 0 ] && echo "every figure met its goal" || echo "SOME FIGURES MISSED THEIR GOAL (logs in $OUT)"
exit $status
