#!/usr/bin/env bash
# Builds Quillet and runs it under Wine. Installs whatever is missing first.
# - With a display (DISPLAY set): runs the program in the foreground until it exits.
# - Without one: starts a virtual X display, opens the list window from the tray icon, saves a
#   screenshot as build/screenshot.png (its path is printed), then ends the program.
# The program runs in a prefix of its own (build/wineprefix-run), apart from the tests' prefix,
# so the tests never see or change the tasks kept here, and a test run never stops this program.
# Wine's output goes to build/logs/run.log. QUILLET_EXE=path runs another exe instead.
set -euo pipefail
# shellcheck source=scripts/lib.sh
. "$(dirname "$0")/lib.sh"

# shellcheck disable=SC2086  # the lists are space-separated words
q_install $Q_BUILD_PACKAGES $Q_RUN_PACKAGES
# Builds the existing configuration if there is one (test.sh leaves the ci one), so alternating
# with test.sh does not rebuild everything; stdout is kept for the screenshot's path.
if [ -f "$Q_BUILD/CMakeCache.txt" ]; then
    cmake --build "$Q_BUILD" </dev/null >&2
else
    q_build default >&2
fi
EXE=${QUILLET_EXE:-$Q_BUILD/Quillet.exe}
RUN_PREFIX=${QUILLET_RUN_PREFIX:-$Q_BUILD/wineprefix-run}
[ -f "$EXE" ] || q_die "no $EXE"
mkdir -p "$Q_LOGS"
q_prefix "$RUN_PREFIX"

if [ -n "${DISPLAY:-}" ]; then
    q_log "running $EXE (Wine's output: $Q_LOGS/run.log)"
    status=0
    wine "$EXE" </dev/null >"$Q_LOGS/run.log" 2>&1 || status=$?
    exit $status
fi

APP=
cleanup() {
    if [ -n "$APP" ]; then kill "$APP" 2>/dev/null || true; fi
    q_wineserver_stop "$RUN_PREFIX"
    q_xvfb_stop
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# A session that began without a display cannot open windows: start from a fresh one.
q_wineserver_stop "$RUN_PREFIX"
q_xvfb_start
wine "$EXE" </dev/null >"$Q_LOGS/run.log" 2>&1 &
APP=$!
q_log "started $EXE (Wine's output: $Q_LOGS/run.log)"

if ! q_click_first_tray_icon; then
    kill -0 "$APP" 2>/dev/null || q_die "the program ended early; see $Q_LOGS/run.log"
    q_die "no tray icon appeared"
fi
# A click that came before the icon was drawn is lost: one more try.
if ! WIN=$(q_wait_window '^To-do List$' 8); then
    q_log "no window yet; clicking the tray icon again"
    q_click_first_tray_icon
    WIN=$(q_wait_window '^To-do List$' 12) || q_die "the To-do List window did not appear"
fi
xdotool mousemove 1279 1023   # no tooltip over the picture
sleep 1                       # let the window finish painting and the tooltip fade
SHOT=$Q_BUILD/screenshot.png
import -window root "$SHOT"
q_log "screenshot of the To-do List window (X id $WIN):"
echo "$SHOT"
