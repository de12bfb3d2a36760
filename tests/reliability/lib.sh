# Helpers of the reliability suite, on top of the end-to-end helpers (tests/e2e/lib.sh): the
# probe that reads task files with the program's own code, expected task lists, and figures.
# Source it with the exe's path as $1. Rounds come from the environment (short by default, the
# size that the regular test command runs; scripts/reliability.sh asks for the full ones).
# shellcheck source=tests/e2e/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"

RELIABILITY_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
PROBE=${RELIABILITY_PROBE:-$(dirname "$QUILLET_EXE")/tests/reliability_probe.exe}
[ -f "$PROBE" ] || fail "no probe at $PROBE"
WORK="$ARTIFACTS/reliability-$(basename "$0" .sh)"
rm -rf "$WORK"
mkdir -p "$WORK"
FAILURES=0

# The Windows name of a Unix path (Wine maps the Unix root to drive Z:).
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# Reads each file as the program does: FILE.tasks gets its tasks, one a line ("1" or "0", a
# tab, the escaped text), and the status of each ("ok N", "unreadable", "stopped N: ...") goes
# to $WORK/probe.status, one "FILE<tab>status" line each.
probe_tasks() {
    local args=() f
    : >"$WORK/probe.status"
    # In batches: a Windows command line holds at most 32,767 characters.
    while [ $# -gt 0 ]; do
        args=()
        while [ $# -gt 0 ] && [ ${#args[@]} -lt 100 ]; do
            args+=("$(winpath "$1")")
            shift
        done
        wine "$PROBE" tasks "${args[@]}" >"$WORK/probe.out" 2>"$WORK/probe.err" </dev/null
        tr -d '\r' <"$WORK/probe.out" >>"$WORK/probe.status"
    done
}
# The status the last probe_tasks gave FILE.
probe_status() { F=$(winpath "$1") awk -F'\t' '$1 == ENVIRON["F"] { print $2 }' "$WORK/probe.status"; }

# The task list after a user's change to row $2 (0-based) of the list in file $3: "tick"
# toggles its box, "delete" removes it.
apply_change() {
    awk -v change="$1" -v row="$(($2 + 1))" '
        NR == row && change == "delete" { next }
        NR == row && change == "tick" { $0 = ($0 ~ /^1/ ? "0" : "1") substr($0, 2) }
        { print }' "$3"
}

# Records one figure: name, value, goal, and whether it met the goal ("ok" or "FAIL"). The
# rows go to $RELIABILITY_FIGURES when the suite's command collects them, and to the output.
figure() {
    printf '%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$4" >>"${RELIABILITY_FIGURES:-$WORK/figures.tsv}"
    printf 'figure: %-48s %-14s goal %-14s %s\n' "$1" "$2" "$3" "$4"
    [ "$4" != FAIL ] || FAILURES=$((FAILURES + 1))
}

# The error box's text for a system error code: the system's message, with a full stop added
# after a character that sorts after it (a letter or a digit).
box_text_for() {
    local text
    text=$(desktop system-message "$1")
    [ "$(printf '%d' "'${text: -1}")" -gt 46 ] && text="$text."
    printf '%s' "$text"
}

# Milliseconds since the epoch.
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Files beside the task file that a save leaves: its temporary files.
temporary_files() { find "$TASK_FOLDER" -maxdepth 1 -name '*.tmp' 2>/dev/null | wc -l; }

# Ends the instance APP_PID with Exit from the icon's menu (a kill if that does not work, and
# then fails); sets APP_STATUS.
exit_app() {
    local try
    for try in 1 2 3; do
        kill -0 "$APP_PID" 2>/dev/null || break
        # A menu that opened late on a busy machine may have missed the click: close it first.
        [ $try = 1 ] || xdotool key Escape
        exit_from_menu
        wait_for "! kill -0 $APP_PID" 50 && break
    done
    if kill -0 "$APP_PID" 2>/dev/null; then
        kill -9 "$APP_PID" 2>/dev/null
        wait "$APP_PID" 2>/dev/null
        APP_STATUS=killed
        return 1
    fi
    wait "$APP_PID"
    APP_STATUS=$?
}

# Starts the program and opens its list window with a click on the icon; fails if it does not
# open within 10 s. Any error box on the way is a failure of the caller's making.
start_and_show() {
    start_app
    wait_for_icon
    click_icon
    wait_for 'window_visible "To-do List"' 100 || fail "the list window did not open"
}

# Finds the tool buttons (locate_tools) once the tool bar has been drawn: a window that has
# just become visible may not have painted yet.
wait_for_tools() {
    local id
    for _ in $(seq 30); do
        id=$(visible_window "To-do List")
        if [ -n "$id" ]; then
            eval "$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^\([XYWIDTHEG]*\)=/L\1=/p')"
            find_color "$LX" "$LY" "$LWIDTH" $((LHEIGHT / 5)) "$GREEN" >/dev/null && break
        fi
        sleep 0.1
    done
    locate_tools
}

# Ends the script: passed when no figure missed its goal.
finish() {
    rm -rf "$TASK_FOLDER"
    if [ "$FAILURES" -gt 0 ]; then
        fail "$FAILURES figure(s) missed their goal"
    fi
    step "passed"
    exit 0
}
