#!/usr/bin/env bash
# The program as a user meets it: only an icon at start; a click opens the list from the task
# file; a tick and a delete rewrite the file; a second start ends at once; "Exit" ends it.
. "$(dirname "$0")/lib.sh"

step "prepare a task file"
rm -rf "$TASK_FOLDER"
mkdir -p "$TASK_FOLDER"
printf '<?xml version="1.0"?>\n<list>\n  <todo><text>alpha</text><done>false</done></todo>\n  <todo><text>beta &amp; co</text><done>true</done></todo>\n</list>\n' >"$TASK_FILE"

step "start: only the icon"
start_app
FIRST=$APP_PID
wait_for_icon
sleep 0.5
window_visible "To-do List" && fail "a window is shown at start"

step "a click opens the list"
click_icon
wait_for 'window_visible "To-do List"' 100 || fail "the list window did not open"
locate_tools
import -window root "$ARTIFACTS/spine-list.png"

step "a tick on the first task rewrites the file"
# Rows start under the caption and the tool bar; the tick box is at the row's left.
click_in "To-do List" 14 58
wait_for_file '<todo><text>alpha</text><done>true</done></todo>'

step "Space on the selected second task unticks it"
click_in "To-do List" 60 72
xdotool key space
wait_for_file '<todo><text>beta &amp; co</text><done>false</done></todo>'

step "Delete task removes the selected task"
click_at "$DELETE_AT"
wait_for 'test "$(grep -c beta "$TASK_FILE")" = 0' 50 || fail "the task was not deleted: $(cat "$TASK_FILE")"
grep -qF '<list><todo><text>alpha</text><done>true</done></todo></list>' "$TASK_FILE" || fail "unexpected file: $(cat "$TASK_FILE")"

step "closing the window hides it"
xdotool key alt+F4
wait_for '! window_visible "To-do List"' 50 || fail "the list window did not close"
kill -0 "$FIRST" || fail "closing the window ended the program"

step "a second start ends at once with 0"
start_app
wait_for_exit 100
[ "$APP_STATUS" = 0 ] || fail "the second start ended with $APP_STATUS"
kill -0 "$FIRST" || fail "the first instance ended"

step "Exit ends the program with 0"
APP_PID=$FIRST
exit_from_menu
wait_for_exit 100
[ "$APP_STATUS" = 0 ] || fail "Exit ended the program with $APP_STATUS"
grep -qF '<list><todo><text>alpha</text><done>true</done></todo></list>' "$TASK_FILE" || fail "the file changed at exit"
rm -rf "$TASK_FOLDER"
step "passed"
