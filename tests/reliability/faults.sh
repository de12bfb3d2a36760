#!/usr/bin/env bash
# Saves that fail while the program runs: the task file read-only, locked by another program,
# a file standing where the Quillpad folder should be, the folder removed, a full disk (a small
# file system mounted over the folder; skipped where mounting is not allowed). Each failing save
# must show the system's message in the error box, leave the file as it was and no temporary
# file, and the list must keep the change: the next save that succeeds writes every change.
. "$(dirname "$0")/lib.sh"

EXPECTED="$WORK/expected.tasks"
PROBLEMS=()
MOUNTED=

row_y() { echo $((58 + 14 * $1)); }
# A user's tick on row $1; the list that the file must hold after the next successful save
# changes with it.
tick() {
    click_in "To-do List" 14 "$(row_y "$1")"
    apply_change tick "$1" "$EXPECTED" >"$EXPECTED.new" && mv "$EXPECTED.new" "$EXPECTED"
}
problem() { PROBLEMS+=("$*"); printf 'problem: %s\n' "$*"; }

# Waits for the error box, checks that it shows the message of one of the codes given, and
# closes it.
expect_system_box() {
    local text code
    if ! wait_for 'window_visible Quillet' 100; then
        problem "no error box"
        return
    fi
    text=$(desktop box-text Quillet)
    for code in "$@"; do
        [ "$text" = "$(box_text_for "$code")" ] && break
        code=
    done
    [ -n "$code" ] || problem "the error box says '$text', not the system's message for error $*"
    BOX_TEXT=$text
    click_in Quillet 40 8
    xdotool key Return
    wait_for '! window_visible Quillet' 50 || problem "OK did not close the error box"
}

# After a failing save: the file as it was and no temporary file.
expect_untouched() {
    [ "$(file_state "$TASK_FILE")" = "$1" ] || problem "the failing save changed the task file"
    [ "$(temporary_files)" = 0 ] || problem "a temporary file was left: $(ls "$TASK_FOLDER")"
}

# The next change is saved, and the file then holds every change made since the start.
expect_every_change() {
    local before=$1
    wait_for "[ \"\$(file_state '$TASK_FILE')\" != '$before' ]" 50 || { problem "the next change was not saved"; return; }
    cp "$TASK_FILE" "$WORK/saved.xml"
    probe_tasks "$WORK/saved.xml"
    if ! cmp -s "$WORK/saved.xml.tasks" "$EXPECTED"; then
        problem "the file lacks changes: $(diff "$EXPECTED" "$WORK/saved.xml.tasks" | grep -c '^[<>]') lines differ"
    fi
    [ "$(temporary_files)" = 0 ] || problem "a temporary file was left after the successful save"
}

# Ends one fault: a row of the figures.
fault_done() {
    if [ ${#PROBLEMS[@]} = 0 ]; then
        figure "save fault: $1" "${BOX_TEXT:-no box}" "message, 0 lost" ok
    else
        figure "save fault: $1" "$(IFS=';'; echo "${PROBLEMS[*]}")" "message, 0 lost" FAIL
    fi
    PROBLEMS=()
    BOX_TEXT=
}

unmount() {
    [ -n "$MOUNTED" ] || return 0
    umount "$MOUNTED" 2>/dev/null || umount -l "$MOUNTED" 2>/dev/null
    MOUNTED=
}
trap 'unmount; cleanup' EXIT

step "a 50-task file, the list open"
rm -rf "$TASK_FOLDER"
mkdir -p "$TASK_FOLDER"
perl "$RELIABILITY_DIR/fixtures.pl" tasks "$TASK_FILE" 50 || fail "could not write the task file"
cp "$TASK_FILE" "$WORK/start.xml"
probe_tasks "$WORK/start.xml"
cp "$WORK/start.xml.tasks" "$EXPECTED"
start_and_show

step "the task file read-only"
chmod a-w "$TASK_FILE"
before=$(file_state "$TASK_FILE")
tick 0
expect_system_box 5
expect_untouched "$before"
chmod u+w "$TASK_FILE"
tick 1
expect_every_change "$before"
fault_done "read-only task file"

step "the task file locked by another program"
rm -f "$WORK/release"
wine "$PROBE" hold "$(winpath "$TASK_FILE")" "$(winpath "$WORK/release")" >"$WORK/hold.out" 2>&1 </dev/null &
HOLDER=$!
wait_for "grep -q held '$WORK/hold.out'" 100 || fail "the file could not be locked: $(cat "$WORK/hold.out")"
before=$(file_state "$TASK_FILE")
tick 2
expect_system_box 5 32 33
touch "$WORK/release"
wait "$HOLDER"
expect_untouched "$before"
tick 3
expect_every_change "$before"
fault_done "task file locked (opened without sharing)"

step "a file where the Quillpad folder should be"
mv "$TASK_FOLDER" "$TASK_FOLDER.aside"
printf 'not a folder' >"$TASK_FOLDER"
tick 4
expect_system_box 3 5 267
[ "$(cat "$TASK_FOLDER")" = "not a folder" ] || problem "the file in the folder's place changed"
rm -f "$TASK_FOLDER"
mv "$TASK_FOLDER.aside" "$TASK_FOLDER"
before=$(file_state "$TASK_FILE")
[ "$(temporary_files)" = 0 ] || problem "a temporary file was left"
tick 5
expect_every_change "$before"
fault_done "a file in the folder's place"

step "the Quillpad folder removed"
rm -rf "$TASK_FOLDER"
tick 6
sleep 1
if window_visible Quillet; then
    problem "an error box: $(desktop box-text Quillet)"
    click_in Quillet 40 8
    xdotool key Return
fi
expect_every_change none
BOX_TEXT="no box, folder made again"
fault_done "folder removed (made again by the save)"

step "a full disk"
mkdir -p "$WORK/mount-check"
if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=256k tmpfs "$WORK/mount-check" 2>/dev/null; then
    umount "$WORK/mount-check"
    cp "$TASK_FILE" "$WORK/before-full.xml"
    mount -t tmpfs -o size=256k tmpfs "$TASK_FOLDER" || fail "could not mount over the folder"
    MOUNTED=$TASK_FOLDER
    cp "$WORK/before-full.xml" "$TASK_FILE"
    # The rest of the space taken: the next save cannot write its temporary file.
    dd if=/dev/zero of="$TASK_FOLDER/filler" bs=4k >/dev/null 2>&1
    before=$(file_state "$TASK_FILE")
    tick 7
    expect_system_box 112 39
    expect_untouched "$before"
    rm -f "$TASK_FOLDER/filler"
    tick 8
    expect_every_change "$before"
    cp "$TASK_FILE" "$WORK/after-full.xml"
    unmount
    cp "$WORK/after-full.xml" "$TASK_FILE"
    fault_done "full disk (256 KB file system, filled)"
fi

step "Exit"
exit_app || fail "Exit did not end the program"
[ "$APP_STATUS" = 0 ] || fail "Exit ended the program with $APP_STATUS"

step "a full disk when the first save keeps a file that could not be read"
if [ -n "$(mount -t tmpfs -o size=256k tmpfs "$WORK/mount-check" 2>&1 && umount "$WORK/mount-check" && echo yes)" ]; then
    mount -t tmpfs -o size=256k tmpfs "$TASK_FOLDER" || fail "could not mount over the folder"
    MOUNTED=$TASK_FOLDER
    # 80 KB that do not parse, and 40 KB of room: the copy kept of them cannot be written whole.
    perl -e 'print "<list>", "<todo><text>precious</text><done>1</done></todo>" x 1600' >"$TASK_FILE"
    cp "$TASK_FILE" "$WORK/unreadable.xml"
    room=$(df -k --output=avail "$TASK_FOLDER" | tail -n 1)
    dd if=/dev/zero of="$TASK_FOLDER/filler" bs=1k count=$((room - 40)) >/dev/null 2>&1
    start_and_show
    wait_for_tools
    before=$(file_state "$TASK_FILE")
    open_by_click "$ADD_AT" "Add task"
    xdotool type --delay 10 "first"
    xdotool key Return
    expect_system_box 112 39
    expect_untouched "$before"
    kept=("$TASK_FOLDER"/toDoList.unreadable-*)
    [ -e "${kept[0]}" ] && problem "a torn copy was left: ${kept[*]##*/}"
    rm -f "$TASK_FOLDER/filler"
    click_in "Add task" 60 8
    xdotool key ctrl+a
    xdotool type --delay 10 "second"
    xdotool key Return
    wait_for "grep -q second '$TASK_FILE'" 50 || problem "the next save did not succeed"
    kept=("$TASK_FOLDER"/toDoList.unreadable-*)
    if [ ${#kept[@]} != 1 ] || ! cmp -s "${kept[0]}" "$WORK/unreadable.xml"; then
        problem "not one whole copy of the unread file: ${kept[*]##*/}"
    fi
    printf '0\tfirst\n0\tsecond\n' >"$EXPECTED"
    expect_every_change none
    exit_app || fail "Exit did not end the program"
    unmount
    fault_done "full disk while the unread file is kept"
else
    figure "save fault: full disk" "not simulated (no mount)" "message, 0 lost" skip
fi
finish
