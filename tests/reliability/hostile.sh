#!/usr/bin/env bash
# Hostile task files, each met on the first click that shows the list: the window must be up
# within 2 s of the click, the process must live on, the list must be what the reading rules
# give (empty for a file that cannot be parsed or declares a document type), a local file named
# by an external entity must never reach the list, and a file that was not read in full must be
# kept, byte for byte, when the first save replaces it. Also a legitimate 100,000-task file,
# which must load whole. After the list shows, a task is added through the Add task dialog:
# that save shows what the list held.
#   RELIABILITY_HOSTILE_ROUNDS  rounds over every file (default 1)
#   RELIABILITY_REPORT_TIMES    when set (the regular tests), a showing slower than 2 s is
#                               reported as "slow" instead of failing the script
. "$(dirname "$0")/lib.sh"

ROUNDS=${RELIABILITY_HOSTILE_ROUNDS:-1}
# The reading limits, as the program states them.
MAIN_H="$RELIABILITY_DIR/../../forms/main.h"
LIMIT_BYTES=$(($(sed -n 's/.*kMaxTaskFileBytes = \([0-9]*\)ull << 20;.*/\1/p' "$MAIN_H") << 20))
LIMIT_TAGS=$(sed -n 's/.*kMaxTaskFileTags = \([0-9]*\);.*/\1/p' "$MAIN_H")
[ "$LIMIT_BYTES" -gt 0 ] && [ -n "$LIMIT_TAGS" ] || fail "cannot read the reading limits from $MAIN_H"
BOUND_MS=2000
SECRET="$WORK/secret.txt"
SECRET_TEXT="secret-$RANDOM-$RANDOM"
printf '%s' "$SECRET_TEXT" >"$SECRET"

# The files that must be read whole; every other one gives an empty list.
read_in_full() { case $1 in utf16-bom | one-8MB-task | at-the-limits | 100k-tasks) return 0 ;; esac; return 1; }

# The files whose first save must fail: the error it shows (a system error code, or a text).
save_refused() {
    case $1 in
        directory) echo 5 ;;        # a folder cannot be replaced by a file
        at-the-limits) echo "The list is too long to be saved: a task file holds at most $(((LIMIT_TAGS - 3) / 6)) tasks and $((LIMIT_BYTES >> 20)) MB." ;;
        *) return 1 ;;
    esac
}

# Waits up to 30 s for the list window or an error box; prints which, or "none".
wait_for_answer() {
    local deadline=$(($(now_ms) + 30000))
    while [ "$(now_ms)" -lt "$deadline" ]; do
        window_visible "To-do List" && { echo list; return; }
        window_visible Quillet && { echo box; return; }
        sleep 0.02
    done
    echo none
}

close_box() {
    click_in Quillet 40 8
    xdotool key Return
    wait_for '! window_visible Quillet' 50
}

# One file: hostile_case NAME KIND BOX [EXTRA]. BOX is the error box that showing the list may
# give ("" for none); KIND is a fixture of fixtures.pl, or "directory".
hostile_case() {
    local name=$1 kind=$2 allowed_box=$3 extra=${4:-} w="$WORK/$1.$round" answer t0 shown text refused problems=()
    rm -rf "$TASK_FOLDER"
    mkdir -p "$TASK_FOLDER"
    if [ "$kind" = directory ]; then
        mkdir "$TASK_FILE"
        printf 'inside' >"$TASK_FILE/inside.txt"
    else
        perl "$RELIABILITY_DIR/fixtures.pl" "$kind" "$TASK_FILE" "$extra" || fail "could not write $name"
        cp "$TASK_FILE" "$w.original"
    fi

    start_app
    wait_for_icon
    t0=$(now_ms)
    click_icon
    answer=$(wait_for_answer)
    shown=$(($(now_ms) - t0))
    if [ "$answer" = box ]; then
        text=$(desktop box-text Quillet)
        [ "$text" = "$allowed_box" ] || problems+=("error box: $text")
        close_box
        click_icon
        answer=$(wait_for_answer)
    elif [ -n "$allowed_box" ] && [ "$answer" = list ]; then
        : # the DOM read the file after all; the list must still be right
    fi
    if [ "$answer" != list ]; then
        problems+=("no list window ($answer)")
    elif ! kill -0 "$APP_PID" 2>/dev/null; then
        problems+=("the process ended")
    else
        wait_for_tools
        open_by_click "$ADD_AT" "Add task"
        xdotool type --delay 10 "probe"
        xdotool key Return
        if refused=$(save_refused "$name"); then
            # This save fails with the system's message and leaves the file (or folder) alone.
            if wait_for 'window_visible Quillet' 50; then
                text=$(desktop box-text Quillet)
                [[ $refused = *[!0-9]* ]] || refused=$(box_text_for "$refused")
                [ "$text" = "$refused" ] || problems+=("save error box: $text")
                close_box
            else
                problems+=("no error box for the save")
            fi
            if [ "$kind" = directory ]; then
                [ "$(cat "$TASK_FILE/inside.txt" 2>/dev/null)" = inside ] || problems+=("the folder in the file's place changed")
            else
                cmp -s "$TASK_FILE" "$w.original" || problems+=("the refused save changed the file")
            fi
        else
            wait_for "grep -q probe '$TASK_FILE'" 100 || problems+=("the added task was not saved")
        fi
        xdotool key alt+F4
    fi
    exit_app || problems+=("Exit did not end the program")
    [ "${APP_STATUS:-}" = 0 ] || problems+=("exit status ${APP_STATUS:-none}")

    # What the first save kept: one copy of a file that was not read in full, none otherwise.
    local copies=("$TASK_FOLDER"/toDoList.unreadable-*.xml)
    [ -e "${copies[0]}" ] || copies=()
    if [ "$kind" = directory ] || read_in_full "$name"; then
        [ ${#copies[@]} = 0 ] || problems+=("a copy was kept of a file read in full")
    elif [ ${#copies[@]} != 1 ]; then
        problems+=("${#copies[@]} kept copies")
    elif ! cmp -s "${copies[0]}" "$w.original"; then
        problems+=("the kept copy differs from the original")
    fi
    grep -rqF "$SECRET_TEXT" "$TASK_FOLDER" && problems+=("the external file's content reached the task file")
    [ -f "$TASK_FILE" ] && cp "$TASK_FILE" "$w.saved"
    # 100 MB is not kept twice in the artifacts: the comparisons above are done.
    [ "$(stat -c %s "$w.original" 2>/dev/null || echo 0)" -lt 50000000 ] || rm -f "$w.original"
    printf '%s\t%s\t%s\t%s\n' "$name" "$round" "$shown" "$(IFS=';'; echo "${problems[*]}")" >>"$WORK/results"
    printf '%s: shown after %d ms %s\n' "$name" "$shown" "${problems[*]}"
}

: >"$WORK/results"
for ((round = 1; round <= ROUNDS; round++)); do
    step "hostile files, round $round"
    hostile_case not-well-formed not-well-formed ""
    hostile_case external-entity external-entity "" "$(winpath "$SECRET" | tr '\\' /)"
    hostile_case entity-bomb entity-bomb ""
    hostile_case quadratic-expansion quadratic ""
    hostile_case deep-nesting deep-nesting "Element does not contain a single text node."
    hostile_case invalid-utf8 invalid-utf8 ""
    hostile_case utf16-bom utf16-bom ""
    hostile_case nul-bytes nul-bytes ""
    hostile_case cut-off cut-off ""
    hostile_case directory directory ""
    hostile_case 100MB-of-tasks huge ""
    hostile_case one-8MB-task one-big-task ""
    hostile_case many-small-tasks many-small-tasks ""
    hostile_case too-many-tasks over-task-limit "" "$LIMIT_TAGS"
    hostile_case at-the-limits at-limits "" "$LIMIT_BYTES,$LIMIT_TAGS"
    hostile_case 100k-tasks tasks "" 100000
done

step "reading what each first save wrote"
saved=()
for f in "$WORK"/*.saved; do saved+=("$f"); done
probe_tasks "$WORK/100k-tasks.1.original" "$WORK/one-8MB-task.1.original" "$WORK/utf16-bom.1.original" "$WORK/at-the-limits.1.original" "${saved[@]}"
printf '0\tprobe\n' >"$WORK/probe-line"

# One row a file: the slowest of its rounds, and what went wrong in any of them.
declare -A SLOWEST PROBLEMS
ORDER=()
while IFS=$'\t' read -r name round shown problems; do
    w="$WORK/$name.$round"
    # The list each file must give: the tasks read from the file when it is read in full,
    # nothing otherwise; then the task added.
    if read_in_full "$name"; then cat "$WORK/$name.1.original.tasks" "$WORK/probe-line" >"$w.expected"; else cp "$WORK/probe-line" "$w.expected"; fi
    if ! save_refused "$name" >/dev/null; then
        if [ ! -f "$w.saved.tasks" ]; then problems="${problems:+$problems;}nothing saved"
        elif ! cmp -s "$w.saved.tasks" "$w.expected"; then
            problems="${problems:+$problems;}the list held $(wc -l <"$w.saved.tasks") tasks, expected $(wc -l <"$w.expected")"
        fi
        grep -qF "$SECRET_TEXT" "$w.saved.tasks" 2>/dev/null && problems="${problems:+$problems;}the external file's content is in the list"
    fi
    [ -n "${SLOWEST[$name]:-}" ] || ORDER+=("$name")
    [ "$shown" -le "${SLOWEST[$name]:-0}" ] || SLOWEST[$name]=$shown
    [ -z "$problems" ] || PROBLEMS[$name]="${PROBLEMS[$name]:+${PROBLEMS[$name]}; }round $round: $problems"
done <"$WORK/results"

# The 2 s bound is a goal of the suite's own command. In the test command (RELIABILITY_REPORT_TIMES
# set) a slow showing is reported, not failed: times there depend on what else the machine runs.
time_status() {
    if [ "$1" -le "$BOUND_MS" ]; then echo ok
    elif [ -n "${RELIABILITY_REPORT_TIMES:-}" ]; then echo slow
    else echo FAIL; fi
}

slowest=0 slowest_name=
rounds=$([ "$ROUNDS" = 1 ] && echo "" || echo " (slowest of $ROUNDS)")
for name in "${ORDER[@]}"; do
    shown=${SLOWEST[$name]} problems=${PROBLEMS[$name]:-}
    if [ "$name" = 100k-tasks ]; then
        figure "legitimate 100,000-task file loads" "${problems:-whole, ${shown} ms}" "loads" "$([ -z "$problems" ] && echo ok || echo FAIL)"
        continue
    fi
    [ "$shown" -le "$slowest" ] || { slowest=$shown; slowest_name=$name; }
    status=$(time_status "$shown")
    [ -z "$problems" ] || status=FAIL
    figure "hostile file: $name$rounds" "${shown} ms${problems:+; $problems}" "<= ${BOUND_MS} ms" "$status"
done
figure "hostile files: slowest click to list" "$slowest ms ($slowest_name)" "<= ${BOUND_MS} ms" "$(time_status "$slowest")"
finish
