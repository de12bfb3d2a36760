#!/usr/bin/env bash
# What the user sees when something goes wrong: the error box, captioned with the program's
# name, with the exact message (a full stop added only after a letter or digit), and what the
# program does next: a faulty task file, a read-only one, an edit of a task deleted meanwhile.
. "$(dirname "$0")/lib.sh"

ROW0=58
row_y() { echo $((ROW0 + 14 * $1)); }
select_row() { click_in "To-do List" 80 "$(row_y "$1")"; }
tick_row() { click_in "To-do List" 14 "$(row_y "$1")"; }
task() { printf '<todo><text>%s</text><done>%s</done></todo>' "$1" "$2"; }
expect_tasks() { wait_for_file "<list>$*</list>"; }

write_file() {
    rm -rf "$TASK_FOLDER"
    mkdir -p "$TASK_FOLDER"
    printf '%s' "$1" >"$TASK_FILE"
}

step "a faulty entry: the error box instead of the list, then the tasks before it"
ORIGINAL='<?xml version="1.0" encoding="UTF-8"?>
<list>
  <todo><text>Buy milk</text><done>true</done></todo>
  <todo><text>Call Ann</text><done>false</done></todo>
  <todo><text>Pay rent</text><done>maybe</done></todo>
  <todo><text>Water the plants</text><done>false</done></todo>
</list>
'
write_file "$ORIGINAL"
start_app
wait_for_icon
click_icon
# It ends in ")", so no full stop is added.
expect_error_box "Could not convert variant of type (OleStr) into type (Boolean)"
window_visible "To-do List" && fail "the list window showed although the file has a faulty entry"
click_icon
wait_for 'window_visible "To-do List"' 100 || fail "the next click did not show the list"
printf '%s' "$ORIGINAL" | cmp -s - "$TASK_FILE" || fail "showing the list changed the file"
locate_tools
tick_row 1
expect_tasks "$(task "Buy milk" true)$(task "Call Ann" true)"
copies=("$TASK_FOLDER"/toDoList.unreadable-*.xml)
[ ${#copies[@]} = 1 ] && [ -f "${copies[0]}" ] || fail "no single copy of the unread file: ${copies[*]}"
printf '%s' "$ORIGINAL" | cmp -s - "${copies[0]}" || fail "the copy differs from the file that was read in part"

step "a read-only task file: the system's message, the tick kept and saved by the next change"
chmod a-w "$TASK_FILE"
before=$(file_state "$TASK_FILE")
tick_row 0
expect_error_box "$(desktop system-message 5)"
[ "$(file_state "$TASK_FILE")" = "$before" ] || fail "the read-only file changed"
chmod u+w "$TASK_FILE"
tick_row 1
expect_tasks "$(task "Buy milk" false)$(task "Call Ann" false)"

step "an edit of a task deleted meanwhile changes nothing and says so"
select_row 1
open_by_click "$EDIT_AT" "Edit task"
drag_window "Edit task" 0 420
select_row 1
click_at "$DELETE_AT"
expect_tasks "$(task "Buy milk" false)"
before=$(file_state "$TASK_FILE")
# A click on its caption activates the dialog; "OK" has the focus, as the dialog opened for the
# first time.
click_in "Edit task" 60 8
xdotool key Return
expect_error_box "List index out of bounds (1)"
window_visible "Edit task" || fail "the Edit dialog closed after a failed edit"
[ "$(file_state "$TASK_FILE")" = "$before" ] || fail "the failed edit wrote the file"
exit_from_menu
wait_for_exit 100
[ "$APP_STATUS" = 0 ] || fail "Exit ended the program with $APP_STATUS"

step "a message that ends in a letter gets a full stop"
write_file '<list><todo><text>Buy <b>fresh</b> milk</text><done>false</done></todo></list>'
start_app
wait_for_icon
click_icon
expect_error_box "Element does not contain a single text node."
click_icon
wait_for 'window_visible "To-do List"' 100 || fail "the next click did not show the list"
exit_from_menu
wait_for_exit 100
[ "$APP_STATUS" = 0 ] || fail "Exit ended the program with $APP_STATUS"
rm -rf "$TASK_FOLDER"
step "passed"
