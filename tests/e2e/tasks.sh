#!/usr/bin/env bash
# A few tasks kept over a day: added, ticked, edited and deleted, with the windows closed and
# opened again in between. Closed windows come back as they were left: the same tasks, ticks
# and selection, the Add dialog's text, and each dialog where the user put it. A new run reads
# back what the last change wrote.
. "$(dirname "$0")/lib.sh"

ROW0=58  # the first row's middle, from the list window's top; rows are 14 pixels apart
row_y() { echo $((ROW0 + 14 * $1)); }
select_row() { click_in "To-do List" 80 "$(row_y "$1")"; }
tick_row() { click_in "To-do List" 14 "$(row_y "$1")"; }
task() { printf '<todo><text>%s</text><done>%s</done></todo>' "$1" "$2"; }
expect_tasks() { wait_for_file "<list>$*</list>"; }

step "four tasks added one after another, blanks kept"
rm -rf "$TASK_FOLDER"
start_app
wait_for_icon
click_icon
wait_for 'window_visible "To-do List"' 100 || fail "the list window did not open"
locate_tools
open_by_click "$ADD_AT" "Add task"
# Out of the list's way, for the rest of the run.
drag_window "Add task" 0 420
ADD_PLACE="$WX $WY"
for text in "Buy milk" "Water the plants" "Call Ann" "  Pay rent  "; do
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 15 "$text"
    xdotool key Return
    wait_for_file "<text>$text</text>"
done
expect_tasks "$(task "Buy milk" false)$(task "Water the plants" false)$(task "Call Ann" false)$(task "  Pay rent  " false)"

step "the Add dialog comes back where it was, with the text that was not yet added"
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 15 "Post the letter"
read -r _ _ w h <<<"$(window_geometry "Add task")"
# "Close", the second button of the column along the right edge.
click_in "Add task" $((w - 51)) $((h - 4 - 102 + 51))
wait_for '! window_visible "Add task"' 50 || fail "Close did not close the Add task dialog"
grep -q "Post the letter" "$TASK_FILE" && fail "closing the dialog added its text"
open_by_click "$ADD_AT" "Add task"
[ "$(window_geometry "Add task" | cut -d' ' -f1,2)" = "$ADD_PLACE" ] || fail "the Add dialog moved to $(window_geometry "Add task")"
click_in "Add task" 60 $((h - 4 - 102 + 37))
xdotool key Return
expect_tasks "$(task "Buy milk" false)$(task "Water the plants" false)$(task "Call Ann" false)$(task "  Pay rent  " false)$(task "Post the letter" false)"
xdotool key alt+F4
wait_for '! window_visible "Add task"' 50 || fail "the Add task dialog did not close"

step "ticks and the selection are the same after the list was closed"
tick_row 1
expect_tasks "$(task "Buy milk" false)$(task "Water the plants" true)$(task "Call Ann" false)$(task "  Pay rent  " false)$(task "Post the letter" false)"
select_row 3
window_picture "To-do List" "$ARTIFACTS/tasks-before.png"
xdotool key alt+F4
wait_for '! window_visible "To-do List"' 50 || fail "the list window did not close"
show_from_menu
wait_for 'window_visible "To-do List"' 100 || fail "Show did not bring the list back"
window_picture "To-do List" "$ARTIFACTS/tasks-after.png"
expect_same_picture "$ARTIFACTS/tasks-before.png" "$ARTIFACTS/tasks-after.png" "the list came back different"
click_at "$DELETE_AT"
expect_tasks "$(task "Buy milk" false)$(task "Water the plants" true)$(task "Call Ann" false)$(task "Post the letter" false)"

step "an edit keeps the task's place and tick; the Edit dialog keeps its place"
select_row 1
open_by_click "$EDIT_AT" "Edit task"
drag_window "Edit task" 0 420
EDIT_PLACE="$WX $WY"
# "OK" has the focus at first; two tabs reach the edit box, which selects its text.
xdotool key Tab Tab
xdotool type --delay 15 "Water the plants and the hedge"
xdotool key Return
wait_for '! window_visible "Edit task"' 50 || fail "Enter did not close the Edit task dialog"
expect_tasks "$(task "Buy milk" false)$(task "Water the plants and the hedge" true)$(task "Call Ann" false)$(task "Post the letter" false)"

step "text typed but not confirmed in the Edit dialog is dropped when it opens on another task"
select_row 2
open_by_click "$EDIT_AT" "Edit task"
[ "$(window_geometry "Edit task" | cut -d' ' -f1,2)" = "$EDIT_PLACE" ] || fail "the Edit dialog moved to $(window_geometry "Edit task")"
# The edit box kept the focus from the last time.
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 15 "never confirmed"
xdotool key alt+F4
wait_for '! window_visible "Edit task"' 50 || fail "the Edit task dialog did not close"
select_row 0
open_by_click "$EDIT_AT" "Edit task"
before=$(file_state "$TASK_FILE")
xdotool key Return
wait_for '! window_visible "Edit task"' 50 || fail "Enter did not close the Edit task dialog"
# The commit rewrites the file with the task as it was.
wait_for '[ "$(file_state "$TASK_FILE")" != "$before" ]' 50 || fail "the commit did not write the file"
expect_tasks "$(task "Buy milk" false)$(task "Water the plants and the hedge" true)$(task "Call Ann" false)$(task "Post the letter" false)"

step "a new run shows what the last change wrote"
exit_from_menu
wait_for_exit 100
[ "$APP_STATUS" = 0 ] || fail "Exit ended the program with $APP_STATUS"
start_app
wait_for_icon
click_icon
wait_for 'window_visible "To-do List"' 100 || fail "the list window did not open"
locate_tools
# A change writes the whole list: every task read back is in it, in order, with its tick.
tick_row 3
expect_tasks "$(task "Buy milk" false)$(task "Water the plants and the hedge" true)$(task "Call Ann" false)$(task "Post the letter" true)"
exit_from_menu
wait_for_exit 100
rm -rf "$TASK_FOLDER"
step "passed"
