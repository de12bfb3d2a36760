#!/usr/bin/env bash
# The program's life beside the shell and itself: the icon comes back after the shell restarts
# and still works; a second start changes nothing, whatever is open; Exit with every dialog
# open and text typed but not confirmed ends the program and writes nothing; then a new start
# runs as usual.
. "$(dirname "$0")/lib.sh"

TASKS='<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<list><todo><text>Buy milk</text><done>false</done></todo><todo><text>Call Ann</text><done>true</done></todo></list>
'
rm -rf "$TASK_FOLDER"
mkdir -p "$TASK_FOLDER"
printf '%s' "$TASKS" >"$TASK_FILE"

# A second start ends at once with 0 and leaves the first one as it was.
second_start() {
    local first=$APP_PID
    start_app
    wait_for_exit 100
    [ "$APP_STATUS" = 0 ] || fail "the second start ended with $APP_STATUS"
    APP_PID=$first
    kill -0 "$APP_PID" || fail "the first instance ended"
    [ "$(icon_count)" = 1 ] || fail "$(icon_count) icons after a second start"
}

step "a second start while only the icon shows"
start_app
wait_for_icon
second_start
window_visible "To-do List" && fail "a second start showed the list"

step "the shell restarts: the icon it forgot comes back, once, and works"
desktop forget-icon || fail "the program's icon could not be removed"
wait_for '[ "$(icon_count)" = 0 ]' 50 || fail "the icon is still shown after the shell forgot it"
desktop taskbar-created || fail "TaskbarCreated could not be sent"
wait_for_icon
desktop taskbar-created || fail "TaskbarCreated could not be sent"
sleep 0.5
[ "$(icon_count)" = 1 ] || fail "$(icon_count) icons after the shell announced itself twice"
click_icon
wait_for 'window_visible "To-do List"' 100 || fail "a click on the returned icon did not open the list"
locate_tools

step "every dialog open, text typed and not confirmed"
open_by_click "$ADD_AT" "Add task"
drag_window "Add task" 0 420
xdotool type --delay 15 "Never added"
click_in "To-do List" 80 58
open_by_click "$EDIT_AT" "Edit task"
drag_window "Edit task" 400 420
xdotool key Tab Tab
xdotool type --delay 15 "Never edited"
open_by_click "$ABOUT_AT" "About"
drag_window "About" 700 0
STATE=$(file_state "$TASK_FILE")

step "a second start with all of it open changes nothing"
second_start
for name in "To-do List" "Add task" "Edit task" "About"; do
    window_visible "$name" || fail "'$name' closed after a second start"
done

step "Exit now ends the program and writes nothing"
exit_from_menu
wait_for_exit 100
[ "$APP_STATUS" = 0 ] || fail "Exit ended the program with $APP_STATUS"
for name in "To-do List" "Add task" "Edit task" "About"; do
    window_visible "$name" && fail "'$name' outlived the program"
done
[ "$(icon_count)" = 0 ] || fail "the icon stayed after Exit"
[ "$(file_state "$TASK_FILE")" = "$STATE" ] || fail "Exit wrote the task file: $(cat "$TASK_FILE")"
[ "$(ls "$TASK_FOLDER")" = toDoList.xml ] || fail "Exit left other files: $(ls "$TASK_FOLDER")"

step "after Exit a new start runs as usual"
start_app
wait_for_icon
click_icon
wait_for 'window_visible "To-do List"' 100 || fail "the list window did not open"
exit_from_menu
wait_for_exit 100
[ "$APP_STATUS" = 0 ] || fail "Exit ended the program with $APP_STATUS"
printf '%s' "$TASKS" | cmp -s - "$TASK_FILE" || fail "the task file changed: $(cat "$TASK_FILE")"
rm -rf "$TASK_FOLDER"
step "passed"
