#!/usr/bin/env bash
# A first run on a machine that has never seen Quillet, and the icon's mouse actions: nothing
# is read or written until the list is asked for, a double click opens one window, the menu
# shows and ends the program, and no window of the program ever gets a taskbar button.
. "$(dirname "$0")/lib.sh"

# Only the notification area itself may be a window with a taskbar button.
expect_no_taskbar_button() {
    local buttons
    buttons=$(desktop taskbar-buttons | grep -vx "Wine System Tray")
    [ -z "$buttons" ] || fail "windows with a taskbar button $1: $buttons"
}

# Closes the list window as a user does: a click on its caption makes sure it is the window
# that takes the keys, then Alt+F4. Closing it only hides it; the program goes on.
close_list() {
    click_in "To-do List" 60 8
    xdotool key alt+F4
    wait_for '! window_visible "To-do List"' 50 || fail "the list window did not close"
    kill -0 "$APP_PID" 2>/dev/null || fail "closing the list window ended the program"
}

step "first start with no folder: only the icon, with the program's name as tooltip"
rm -rf "$TASK_FOLDER"
start_app
wait_for_icon
[ "$(icon_count)" = 1 ] || fail "$(icon_count) icons in the notification area"
xdotool mousemove "$ICON_X" "$ICON_Y"
wait_for '[ "$(desktop tooltips)" = Quillet ]' 50 || fail "the icon's tooltip is '$(desktop tooltips)', not Quillet"
window_visible "To-do List" && fail "a window is shown at start"
expect_no_taskbar_button "at start"

step "Exit before the list was ever opened touches no file"
exit_from_menu
wait_for_exit 100
[ "$APP_STATUS" = 0 ] || fail "Exit ended the program with $APP_STATUS"
[ -e "$TASK_FOLDER" ] && fail "the run made $TASK_FOLDER without being asked for the list"
[ "$(icon_count)" = 0 ] || fail "the icon stayed after Exit"

step "a middle click does nothing, a middle double click opens the list"
start_app
wait_for_icon
click_icon 2
sleep 1
window_visible "To-do List" && fail "a middle click opened the list"
xdotool mousemove "$ICON_X" "$ICON_Y" click --repeat 2 --delay 80 2
wait_for 'window_visible "To-do List"' 100 || fail "a middle double click did not open the list"
close_list

step "a left double click opens exactly one list window"
xdotool mousemove "$ICON_X" "$ICON_Y" click --repeat 2 --delay 80 1
wait_for 'window_visible "To-do List"' 100 || fail "a double click did not open the list"
sleep 0.5
[ "$(window_count "To-do List")" = 1 ] || fail "$(window_count "To-do List") list windows after a double click"
[ -d "$TASK_FOLDER" ] || fail "opening the list did not make the task folder"
[ -e "$TASK_FILE" ] && fail "opening the list wrote a task file"
expect_no_taskbar_button "with the list open"

step "the list closes to the tray and comes back by Show in the menu, once"
close_list
show_from_menu
wait_for 'window_visible "To-do List"' 100 || fail "Show did not open the list"
show_from_menu
sleep 0.5
[ "$(window_count "To-do List")" = 1 ] || fail "$(window_count "To-do List") list windows after a second Show"
close_list
click_icon
wait_for 'window_visible "To-do List"' 100 || fail "a click did not bring the list back"

step "Exit with the list open ends the program, removes the icon and writes nothing"
exit_from_menu
wait_for_exit 100
[ "$APP_STATUS" = 0 ] || fail "Exit ended the program with $APP_STATUS"
[ -e "$TASK_FILE" ] && fail "a run without a change wrote a task file"
[ "$(icon_count)" = 0 ] || fail "the icon stayed after Exit"
window_visible "To-do List" && fail "the list window outlived the program"
rm -rf "$TASK_FOLDER"
step "passed"
