#!/usr/bin/env bash
# Start races, all in one prefix (the single-instance guard is per Wine server): ten starts at
# the same moment must leave exactly one process and one icon, the others ending with 0; a start
# while the running instance is exiting must either run or end, and never leave two.
#   RELIABILITY_RACES       rounds of ten starts at once (default 1)
#   RELIABILITY_EXIT_RACES  starts during an exit (default 2)
. "$(dirname "$0")/lib.sh"

RACES=${RELIABILITY_RACES:-1}
EXIT_RACES=${RELIABILITY_EXIT_RACES:-2}
STARTS=10

alive() {
    local pid n=0
    for pid in "$@"; do kill -0 "$pid" 2>/dev/null && n=$((n + 1)); done
    echo $n
}
first_alive() {
    local pid
    for pid in "$@"; do kill -0 "$pid" 2>/dev/null && { echo "$pid"; return; }; done
}

rm -rf "$TASK_FOLDER"
wrong_starts=0 wrong_icons=0 bad_status=0
for ((race = 1; race <= RACES; race++)); do
    step "ten starts at once, round $race"
    pids=()
    for ((i = 0; i < STARTS; i++)); do
        wine "$QUILLET_EXE" >"$WORK/start-$i.log" 2>&1 </dev/null &
        pids+=($!)
        APP_PIDS+=($!)
    done
    # The losers end at once; give a loaded machine time to start ten processes.
    wait_for "[ \$(alive ${pids[*]}) -le 1 ]" 300 || true
    wait_for_icon
    sleep 1
    left=$(alive "${pids[@]}")
    icons=$(icon_count)
    printf 'round %d: %d instance(s) left, %d icon(s)\n' "$race" "$left" "$icons"
    [ "$left" = 1 ] || wrong_starts=$((wrong_starts + 1))
    [ "$icons" = 1 ] || wrong_icons=$((wrong_icons + 1))
    survivor=$(first_alive "${pids[@]}")
    for pid in "${pids[@]}"; do
        [ "$pid" = "$survivor" ] && continue
        kill -0 "$pid" 2>/dev/null && { kill -9 "$pid"; bad_status=$((bad_status + 1)); }
        wait "$pid"
        status=$?
        [ "$status" = 0 ] || { bad_status=$((bad_status + 1)); printf 'a losing start ended with %s\n' "$status"; }
    done
    if [ -n "$survivor" ]; then
        APP_PID=$survivor
        exit_app || fail "Exit did not end the instance left"
    fi
    wait_for '[ "$(icon_count)" = 0 ]' 50 || fail "an icon is left after every instance ended"
done

two=0 ran=0 ended=0
for ((race = 1; race <= EXIT_RACES; race++)); do
    step "a start while the instance exits, round $race"
    start_app
    first=$APP_PID
    wait_for_icon
    # The new start comes from 500 ms before the click on Exit to 300 ms after it: a start
    # takes a few hundred milliseconds to reach the guard, so some meet the instance still
    # there and some find it gone.
    offset=$((RANDOM % 801 - 500))
    click_icon 3
    sleep 0.5
    if [ "$offset" -lt 0 ]; then
        start_app
        sleep "$(printf '0.%03d' $((-offset)))"
        xdotool mousemove $((ICON_X + 30)) $((ICON_Y + 37)) click 1
    else
        xdotool mousemove $((ICON_X + 30)) $((ICON_Y + 37)) click 1
        sleep "$(printf '0.%03d' "$offset")"
        start_app
    fi
    second=$APP_PID
    wait_for "! kill -0 $first" 100 || fail "the first instance did not exit"
    # The new start either ends or shows its icon.
    wait_for "! kill -0 $second || [ \"\$(icon_count)\" -ge 1 ]" 100 || true
    sleep 1
    left=$(alive "$first" "$second")
    icons=$(icon_count)
    printf 'round %d (start %+d ms from the Exit): %d instance(s) left, %d icon(s)\n' "$race" "$offset" "$left" "$icons"
    if [ "$left" -gt 1 ] || [ "$icons" != "$left" ]; then
        two=$((two + 1))
    elif [ "$left" = 1 ]; then
        ran=$((ran + 1))
    else
        ended=$((ended + 1))
    fi
    if kill -0 "$second" 2>/dev/null; then
        APP_PID=$second
        wait_for_icon
        exit_app || fail "Exit did not end the second instance"
    fi
    wait "$second" 2>/dev/null
done

ok() { [ "$1" = 0 ] && echo ok || echo FAIL; }
figure "ten starts at once: rounds not left with one process" "$wrong_starts of $RACES" "0" "$(ok "$wrong_starts")"
figure "ten starts at once: rounds not left with one icon" "$wrong_icons of $RACES" "0" "$(ok "$wrong_icons")"
figure "ten starts at once: losing starts not ending with 0" "$bad_status" "0" "$(ok "$bad_status")"
figure "start during an exit: two left (or icons amiss)" "$two of $EXIT_RACES (ran $ran, ended $ended)" "0" "$(ok "$two")"
finish
