#!/usr/bin/env bash
# Kills during saves. Rounds of a user's change (a tick with Space, or a delete) to a 2,000-task
# and a 50-task file, each followed by the death of the process: either at a step inside the
# save (QUILLET_KILL_AT makes the program end itself there) or by kill -9 at a random moment
# 0-300 ms after the change. After every kill the task file must read, with the program's own
# code, as the list before the change or the list after it; temporary files must not pile up,
# and a later save must clean them away.
#   RELIABILITY_KILLS         random kills in all, half on each file (default 4)
#   RELIABILITY_POINT_ROUNDS  rounds of every kill point on each file (default: one round, on
#                             the 2,000-task file only)
. "$(dirname "$0")/lib.sh"

RANDOM_KILLS=${RELIABILITY_KILLS:-4}
POINTS="after-create after-write after-flush after-close after-rename"
ROW=1  # the second task: the change is never on the row the click could have left alone
ROW_Y=$((58 + 14 * ROW))
MANIFEST="$WORK/manifest"
: >"$MANIFEST"
ROUND=0
MOST_TEMPORARY=0
UNREACHED=0

new_file() {
    rm -rf "$TASK_FOLDER"
    mkdir -p "$TASK_FOLDER"
    perl "$RELIABILITY_DIR/fixtures.pl" tasks "$TASK_FILE" "$1" || fail "could not write the task file"
}

# One round: round SIZE CHANGE POINT; POINT is a kill point or "random".
round() {
    local size=$1 change=$2 point=$3 delay=- r status
    ROUND=$((ROUND + 1))
    r="$WORK/round-$ROUND"
    cp "$TASK_FILE" "$r.before.xml"
    [ "$point" = random ] || export QUILLET_KILL_AT=$point
    start_and_show
    unset QUILLET_KILL_AT
    click_in "To-do List" 80 "$ROW_Y"
    if [ "$change" = tick ]; then
        xdotool key space
    else
        # The tool bar stays where it was found unless the window opened elsewhere.
        window_origin "To-do List"
        if [ "${TOOLS_AT:-}" != "$WX $WY" ]; then
            wait_for_tools
            TOOLS_AT="$WX $WY"
        fi
        click_at "$DELETE_AT"
    fi
    if [ "$point" = random ]; then
        delay=$((RANDOM % 301))
        sleep "$(printf '0.%03d' "$delay")"
        kill -9 "$APP_PID" 2>/dev/null
        wait "$APP_PID" 2>/dev/null
    else
        # The program ends itself with 86 at the kill point.
        if wait_for "! kill -0 $APP_PID" 100; then
            wait "$APP_PID"
            status=$?
        else
            kill -9 "$APP_PID" 2>/dev/null
            wait "$APP_PID" 2>/dev/null
            status=none
        fi
        if [ "$status" != 86 ]; then
            UNREACHED=$((UNREACHED + 1))
            printf 'round %d: kill point %s not reached (status %s)\n' "$ROUND" "$point" "$status"
        fi
    fi
    if [ -e "$TASK_FILE" ]; then cp "$TASK_FILE" "$r.got.xml"; else : >"$r.missing"; fi
    local temporary
    temporary=$(temporary_files)
    [ "$temporary" -le "$MOST_TEMPORARY" ] || MOST_TEMPORARY=$temporary
    printf '%s %s %s %s %s\n' "$ROUND" "$size" "$change" "$point" "$delay" >>"$MANIFEST"
}

# Rounds on one file size: a new file every 20 rounds, so that deletes never empty it.
series() {
    local size=$1 points=$2 kills=$3 i=0 point p
    new_file "$size"
    for ((p = 0; p < points; p++)); do
        for point in $POINTS; do
            [ $((i % 20)) = 0 ] && [ $i -gt 0 ] && new_file "$size"
            round "$size" "$([ $((i % 2)) = 0 ] && echo tick || echo delete)" "$point"
            i=$((i + 1))
        done
    done
    for ((p = 0; p < kills; p++)); do
        [ $((i % 20)) = 0 ] && [ $i -gt 0 ] && new_file "$size"
        round "$size" "$([ $((i % 2)) = 0 ] && echo tick || echo delete)" random
        i=$((i + 1))
    done
}

step "kills on a 2,000-task file"
series 2000 "${RELIABILITY_POINT_ROUNDS:-1}" $((RANDOM_KILLS - RANDOM_KILLS / 2))
step "kills on a 50-task file"
series 50 "${RELIABILITY_POINT_ROUNDS:-0}" $((RANDOM_KILLS / 2))

step "a later run cleans what a killed save left"
leftover=$(temporary_files)
cp "$TASK_FILE" "$WORK/clean.before.xml"
start_and_show
click_in "To-do List" 80 "$ROW_Y"
xdotool key space
wait_for "! cmp -s '$TASK_FILE' '$WORK/clean.before.xml'" 50 || fail "the tick was not saved"
exit_app || fail "Exit did not end the program"
[ "$APP_STATUS" = 0 ] || fail "Exit ended the program with $APP_STATUS"
cp "$TASK_FILE" "$WORK/clean.got.xml"
after_clean=$(temporary_files)

step "reading every file the kills left"
files=()
for ((n = 1; n <= ROUND; n++)); do
    files+=("$WORK/round-$n.before.xml")
    [ -e "$WORK/round-$n.got.xml" ] && files+=("$WORK/round-$n.got.xml")
done
files+=("$WORK/clean.before.xml" "$WORK/clean.got.xml")
probe_tasks "${files[@]}"

torn=0 lost=0 wrong=0 changed=0 random_kills=0 point_kills=0
while read -r n size change point delay; do
    r="$WORK/round-$n"
    [ "$point" = random ] && random_kills=$((random_kills + 1)) || point_kills=$((point_kills + 1))
    case "$(probe_status "$r.before.xml")" in
        "ok "*) ;;
        *) fail "round $n: the file before the change does not read: $(probe_status "$r.before.xml")" ;;
    esac
    if [ ! -s "$r.got.xml" ]; then
        lost=$((lost + 1))
        printf 'round %d (%s tasks, %s, %s): the task file is missing or empty\n' "$n" "$size" "$change" "$point"
        continue
    fi
    state=torn
    case "$(probe_status "$r.got.xml")" in
        "ok "*)
            apply_change "$change" "$ROW" "$r.before.xml.tasks" >"$r.after.tasks"
            if cmp -s "$r.got.xml.tasks" "$r.before.xml.tasks"; then state=before
            elif cmp -s "$r.got.xml.tasks" "$r.after.tasks"; then state=after
            fi ;;
    esac
    case $state in
        torn)
            torn=$((torn + 1))
            printf 'round %d (%s tasks, %s, %s, %s ms): torn: %s\n' "$n" "$size" "$change" "$point" "$delay" "$(probe_status "$r.got.xml")" ;;
        after) changed=$((changed + 1)) ;;
    esac
    # A kill before the rename leaves the old file; after it, the new one.
    if [ "$point" != random ] && [ "$state" != torn ]; then
        expected=before
        [ "$point" = after-rename ] && expected=after
        if [ "$state" != "$expected" ]; then
            wrong=$((wrong + 1))
            printf 'round %d: killed %s, the file holds the list %s the change\n' "$n" "$point" "$state"
        fi
    fi
done <"$MANIFEST"
apply_change tick "$ROW" "$WORK/clean.before.xml.tasks" >"$WORK/clean.after.tasks"
cmp -s "$WORK/clean.got.xml.tasks" "$WORK/clean.after.tasks" || fail "the clean run did not save its tick"

ok() { [ "$1" = "$2" ] && echo ok || echo FAIL; }
figure "kills at points inside the save" "$point_kills" "-" ok
figure "kill points reached" "$((point_kills - UNREACHED))/$point_kills" "all" "$(ok "$UNREACHED" 0)"
figure "file as expected at each kill point" "$((point_kills - wrong))/$point_kills" "all" "$(ok "$wrong" 0)"
figure "random kills (0-300 ms after the change)" "$random_kills" "-" ok
figure "kills that found the change on disk" "$changed/$ROUND" "-" ok
figure "task files torn after a kill" "$torn" "0" "$(ok "$torn" 0)"
figure "task files lost (missing, empty) after a kill" "$lost" "0" "$(ok "$lost" 0)"
figure "temporary files beside the task file, most" "$MOST_TEMPORARY" "<= 1" "$([ "$MOST_TEMPORARY" -le 1 ] && echo ok || echo FAIL)"
figure "temporary files after the next save" "$after_clean (were $leftover)" "0" "$(ok "$after_clean" 0)"
finish
