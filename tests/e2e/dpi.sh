#!/usr/bin/env bash
# Every window at 96, 144 and 192 dots per inch, each in a prefix of its own set to that DPI:
# the windows open, grow with the DPI, and are saved as pictures (dpi-<dpi>-<window>.png) to be
# looked at side by side.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/../../scripts/lib.sh"

BASE_PREFIX=$WINEPREFIX
stop_prefix() { q_wineserver_stop "$WINEPREFIX"; }

# Width of a visible window on the screen.
window_width() { xdotool getwindowgeometry --shell "$(visible_window "$1")" | sed -n 's/^WIDTH=//p'; }

# The window is at least as wide as its client area stored for 96 DPI, scaled.
expect_width() {
    local width
    width=$(window_width "$1")
    [ "${width:-0}" -ge $(($2 * DPI / 96)) ] || fail "'$1' is $width pixels wide at $DPI DPI"
}

shot() { import -window root "$ARTIFACTS/dpi-$DPI-$1.png"; }

for DPI in 96 144 192; do
    step "at $DPI DPI"
    use_prefix "$BASE_PREFIX-dpi$DPI"
    q_prefix "$WINEPREFIX" || fail "no prefix"
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$DPI" /f >/dev/null 2>&1 </dev/null
    stop_prefix  # the DPI is read when the session starts
    rm -rf "$TASK_FOLDER"
    mkdir -p "$TASK_FOLDER"
    printf '<list><todo><text>Water the plants</text><done>true</done></todo><todo><text>Call Ann about Sunday</text><done>false</done></todo><todo><text>Pay the rent</text><done>false</done></todo></list>' >"$TASK_FILE"

    start_app
    wait_for_icon
    click_icon
    wait_for 'window_visible "To-do List"' 100 || fail "the list window did not open"
    expect_width "To-do List" 562
    locate_tools
    shot list

    open_by_click "$ADD_AT" "Add task"
    expect_width "Add task" 372
    xdotool type --delay 10 "Buy stamps"
    shot add
    xdotool key alt+F4
    wait_for '! window_visible "Add task"' 50 || fail "the Add task dialog did not close"

    xdotool key Home  # the list has the focus: select the first task
    open_by_click "$EDIT_AT" "Edit task"
    expect_width "Edit task" 365
    shot edit
    xdotool key alt+F4
    wait_for '! window_visible "Edit task"' 50 || fail "the Edit task dialog did not close"

    open_by_click "$ABOUT_AT" "About"
    expect_width "About" 347
    shot about
    xdotool key Return

    kill "$APP_PID"
    wait "$APP_PID" 2>/dev/null
    stop_prefix
done
step "passed"
