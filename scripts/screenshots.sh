#!/usr/bin/env bash
# Refreshes the README's pictures (docs/images/*.png) from the real program: builds it, runs it
# under Wine on a virtual X display of its own, in a prefix of its own (build/wineprefix-shots)
# with a few sample tasks, drives it with xdotool as a user would, and crops each window.
# Installs whatever is missing first. Look at the pictures before committing them.
set -euo pipefail
# shellcheck source=scripts/lib.sh
. "$(dirname "$0")/lib.sh"

# shellcheck disable=SC2086  # the lists are space-separated words
q_install $Q_BUILD_PACKAGES $Q_RUN_PACKAGES
if [ -f "$Q_BUILD/CMakeCache.txt" ]; then
    cmake --build "$Q_BUILD" </dev/null >&2
else
    q_build default >&2
fi
EXE=$Q_BUILD/Quillet.exe
SHOTS_PREFIX=$Q_BUILD/wineprefix-shots
IMAGES=$Q_ROOT/docs/images
mkdir -p "$IMAGES" "$Q_LOGS"

q_prefix "$SHOTS_PREFIX"
# A session that began without a display cannot open windows: start from a fresh one.
q_wineserver_stop "$SHOTS_PREFIX"
q_xvfb_start
E2E_ARTIFACTS=$Q_LOGS/shots
export E2E_ARTIFACTS
set +e  # the end-to-end helpers check each step themselves
# shellcheck source=tests/e2e/lib.sh
. "$Q_ROOT/tests/e2e/lib.sh" "$EXE"
trap 'cleanup; q_wineserver_stop "$SHOTS_PREFIX"; q_xvfb_stop' EXIT

# A desktop colour instead of the virtual display's black, outside the windows only.
desktop_colour() { convert "$1" -fill '#3a6d99' -draw "color $2 floodfill" "$1"; }

# Crops a visible window, with its frame, into docs/images/$2.png.
window_shot() {
    local x y w h
    read -r x y w h <<<"$(window_geometry "$1")"
    xdotool mousemove 1279 1023
    sleep 0.6
    import -window root "$E2E_ARTIFACTS/screen.png"
    convert "$E2E_ARTIFACTS/screen.png" -crop "${w}x${h}+${x}+${y}" +repage "$IMAGES/$2.png"
    q_log "docs/images/$2.png"
}

# Crops the top-left corner: the notification area and what opened over it.
corner_shot() {
    import -window root "$E2E_ARTIFACTS/screen.png"
    convert "$E2E_ARTIFACTS/screen.png" -crop "${2}x${3}+0+0" +repage "$IMAGES/$1.png"
    desktop_colour "$IMAGES/$1.png" "$(($2 - 1)),$(($3 - 1))"
    q_log "docs/images/$1.png"
}

rm -rf "$TASK_FOLDER"
mkdir -p "$TASK_FOLDER"
cat >"$TASK_FILE" <<'EOF'
<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<list><todo><text>Water the plants</text><done>true</done></todo><todo><text>Call Ann about Sunday</text><done>false</done></todo><todo><text>Pay the rent</text><done>true</done></todo><todo><text>Buy stamps</text><done>false</done></todo><todo><text>Book the dentist</text><done>false</done></todo></list>
EOF

start_app
wait_for_icon
xdotool mousemove "$ICON_X" "$ICON_Y"
wait_for '[ "$(desktop tooltips)" = Quillet ]' 50 || fail "no tooltip"
sleep 0.5
corner_shot tray-tooltip 200 80
click_icon 3
sleep 0.8
xdotool mousemove $((ICON_X + 30)) $((ICON_Y + 10))  # "Show" highlighted
sleep 0.4
corner_shot tray-menu 200 110
xdotool key Escape
xdotool mousemove 600 700 click 1  # a click elsewhere closes the menu too
sleep 0.5

click_icon
wait_for 'window_visible "To-do List"' 100 || fail "the list window did not open"
locate_tools
click_in "To-do List" 80 72  # select the second task
window_shot "To-do List" list

open_by_click "$ADD_AT" "Add task"
drag_window "Add task" 0 420
xdotool type --delay 20 "Renew the passport"
window_shot "Add task" add
xdotool key alt+F4
wait_for '! window_visible "Add task"' 50 || fail "the Add task dialog did not close"

click_in "To-do List" 80 72
open_by_click "$EDIT_AT" "Edit task"
drag_window "Edit task" 0 420
window_shot "Edit task" edit
xdotool key alt+F4
wait_for '! window_visible "Edit task"' 50 || fail "the Edit task dialog did not close"

open_by_click "$ABOUT_AT" "About"
drag_window "About" 0 420
window_shot "About" about
xdotool key Return

exit_from_menu
wait_for_exit 100
q_log "pictures refreshed in $IMAGES"
