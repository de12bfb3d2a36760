#!/usr/bin/env bash
# Adding, editing and About as a user does them: three tasks typed into the Add task dialog,
# the second one changed in the Edit task dialog, the About box opened and closed.
. "$(dirname "$0")/lib.sh"

SECOND_ROW="60 72"

step "start with no task file"
rm -rf "$TASK_FOLDER"
start_app
wait_for_icon
click_icon
wait_for 'window_visible "To-do List"' 100 || fail "the list window did not open"
locate_tools

step "add three tasks with Enter"
click_at "$ADD_AT"
wait_for 'window_visible "Add task"' 50 || fail "the Add task dialog did not open"
for task in "water the plants" "call Ann" "pay rent"; do
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 15 "$task"
    xdotool key Return
    wait_for_file "<text>$task</text>"
done
window_visible "Add task" || fail "the Add task dialog closed"
import -window root "$ARTIFACTS/dialogs-add.png"
xdotool key alt+F4
wait_for '! window_visible "Add task"' 50 || fail "the Add task dialog did not close"

step "edit the second task"
# shellcheck disable=SC2086
click_in "To-do List" $SECOND_ROW
click_at "$EDIT_AT"
wait_for 'window_visible "Edit task"' 50 || fail "the Edit task dialog did not open"
import -window root "$ARTIFACTS/dialogs-edit.png"
# "OK" has the focus; two tabs reach the edit box, which selects its text.
xdotool key Tab Tab
xdotool type --delay 15 "call Ann back"
xdotool key Return
wait_for '! window_visible "Edit task"' 50 || fail "the Edit task dialog stayed open"
wait_for_file '<list><todo><text>water the plants</text><done>false</done></todo><todo><text>call Ann back</text><done>false</done></todo><todo><text>pay rent</text><done>false</done></todo></list>'

step "About shows the name and version once"
click_at "$ABOUT_AT"
wait_for 'window_visible "About"' 50 || fail "the About box did not open"
click_at "$ABOUT_AT"
sleep 0.3
[ "$(xdotool search --onlyvisible --name '^About$' | wc -l)" = 1 ] || fail "more than one About box"
import -window root "$ARTIFACTS/dialogs-about.png"
xdotool key Return
wait_for '! window_visible "About"' 50 || fail "OK did not close the About box"

step "Exit"
exit_from_menu
wait_for_exit 100
[ "$APP_STATUS" = 0 ] || fail "Exit ended the program with $APP_STATUS"
rm -rf "$TASK_FOLDER"
step "passed"
