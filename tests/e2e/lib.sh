# Helpers for end-to-end tests: the real Quillet.exe under Wine on an X display, driven with
# xdotool as a user would. Needs DISPLAY and WINEPREFIX (the test command sets both) and the
# exe's path as $1 of the test script. Wine's own output goes to files, never to a pipe: its
# services would keep the pipe open.

set -u
QUILLET_EXE=${1:?usage: $0 path/to/Quillet.exe}
: "${DISPLAY:?an X display is needed}"
: "${WINEPREFIX:?a Wine prefix of the build is needed}"
export WINEDEBUG=-all
ARTIFACTS=${E2E_ARTIFACTS:-$(dirname "$QUILLET_EXE")/e2e-artifacts}
mkdir -p "$ARTIFACTS"
# Points the helpers at a Wine prefix: WINEPREFIX and the task file inside it.
use_prefix() {
    export WINEPREFIX=$1
    ROAMING="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming"
    TASK_FOLDER="$ROAMING/Quillpad"
    TASK_FILE="$TASK_FOLDER/toDoList.xml"
}
use_prefix "$WINEPREFIX"
# Where Wine's tray window puts the first icon (its caption is drawn by Wine).
ICON_X=13
ICON_Y=32
APP_PIDS=()

step() { printf '== %s\n' "$*"; }
fail() {
    printf 'FAIL: %s\n' "$*"
    import -window root "$ARTIFACTS/failure-$(basename "$0" .sh).png" 2>/dev/null
    exit 1
}

# Starts the exe in the background; its pid goes into APP_PID and APP_PIDS.
start_app() {
    wine "$QUILLET_EXE" >"$ARTIFACTS/wine.log" 2>&1 </dev/null &
    APP_PID=$!
    APP_PIDS+=("$APP_PID")
}

# Ends every instance this script started and still runs, by its pid.
cleanup() {
    local pid
    for pid in "${APP_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${APP_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
}
trap cleanup EXIT

# Waits up to $2 tenths of a second for the command $1 to succeed.
wait_for() {
    local tries=${2:-100}
    while ! eval "$1" >/dev/null 2>&1; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}

visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1; }
window_visible() { [ -n "$(visible_window "$1")" ]; }

# Prints the centre "x y" of the pixels of a screen area whose colour passes an awk test on
# r, g and b; fails when none does. Glyphs are found by their colour, at any DPI.
find_color() {
    local x=$1 y=$2 w=$3 h=$4 test=$5 shot="$ARTIFACTS/.screen.png"
    import -window root "$shot" 2>/dev/null || return 1
    convert "$shot" -crop "${w}x${h}+${x}+${y}" +repage -depth 8 txt:- | awk -v ox="$x" -v oy="$y" '
        NR > 1 {
            split($1, p, /[,:]/); c = $2; gsub(/[()]/, "", c); split(c, v, ",")
            r = v[1]; g = v[2]; b = v[3]
            if ('"$test"') { sx += p[1]; sy += p[2]; n++ }
        }
        END { if (n) printf "%d %d\n", ox + sx / n, oy + sy / n; else exit 1 }'
}
GREEN='g > 120 && r < 100 && b < 130'
RED='r > 180 && g < 90 && b < 90'
BLUE='b > 150 && r < 90 && g > 80 && g < 140'
YELLOW='r > 200 && g > 140 && b < 90'

# The icon is the green disc in the notification area's window: sets ICON_X and ICON_Y.
locate_icon() {
    local tray at
    tray=$(visible_window "Wine System Tray")
    [ -n "$tray" ] || return 1
    eval "$(xdotool getwindowgeometry --shell "$tray" | sed -n 's/^\([XYWIDTHEG]*\)=/T\1=/p')"
    at=$(find_color "$TX" "$TY" "$TWIDTH" "$THEIGHT" "$GREEN") || return 1
    read -r ICON_X ICON_Y <<<"$at"
}

wait_for_icon() {
    wait_for 'window_visible "Wine System Tray"' 200 || fail "no notification area window"
    wait_for locate_icon 100 || fail "no icon in the notification area"
}

# Finds the list window's tool buttons by the colours of their glyphs, while nothing covers
# them: sets ADD_AT, EDIT_AT, DELETE_AT and ABOUT_AT ("x y" on the screen).
locate_tools() {
    local id band
    id=$(visible_window "To-do List")
    [ -n "$id" ] || fail "no list window"
    eval "$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^\([XYWIDTHEG]*\)=/L\1=/p')"
    band=$((LHEIGHT / 5))  # the caption and the tool bar
    ADD_AT=$(find_color "$LX" "$LY" "$LWIDTH" "$band" "$GREEN") || fail "no Add task button"
    # The other glyphs sit on the same row; the row alone keeps the caption's colours out.
    local row=$((${ADD_AT#* } - 10))
    EDIT_AT=$(find_color "$LX" "$row" "$LWIDTH" 20 "$YELLOW") || fail "no Edit task button"
    DELETE_AT=$(find_color "$LX" "$row" "$LWIDTH" 20 "$RED") || fail "no Delete task button"
    ABOUT_AT=$(find_color "$LX" "$row" "$LWIDTH" 20 "$BLUE") || fail "no About button"
}

click_icon() { xdotool mousemove "$ICON_X" "$ICON_Y" click "${1:-1}"; }

# Clicks at a screen point given as "x y".
click_at() {
    # shellcheck disable=SC2086
    xdotool mousemove $1 click 1
}

# Clicks at a point until the named window shows (a click can be taken by a window that is
# just being activated); fails after three tries.
open_by_click() {
    local try
    for try in 1 2 3; do
        click_at "$1"
        wait_for "window_visible \"$2\"" 30 && return 0
    done
    fail "'$2' did not open"
}

# Position of a visible window: sets WX and WY.
window_origin() {
    local id
    id=$(visible_window "$1")
    [ -n "$id" ] || fail "no visible window '$1'"
    eval "$(xdotool getwindowgeometry --shell "$id" | sed -n 's/^X=/WX=/p; s/^Y=/WY=/p')"
}

# Clicks at a point given relative to a window's top-left corner.
click_in() {
    window_origin "$1"
    xdotool mousemove $((WX + $2)) $((WY + $3)) click 1
}

# Waits until the task file holds the given text (a fixed string).
wait_for_file() {
    wait_for "grep -qF -- '$1' '$TASK_FILE'" 50 || fail "task file lacks: $1 (it holds: $(cat "$TASK_FILE" 2>/dev/null))"
}

# Chooses "Exit" in the icon's menu (the menu opens at the mouse, its last item at the bottom).
exit_from_menu() {
    click_icon 3
    sleep 0.5
    xdotool mousemove $((ICON_X + 30)) $((ICON_Y + 37)) click 1
}

# Waits for the process APP_PID to end; sets APP_STATUS.
wait_for_exit() {
    wait_for "! kill -0 $APP_PID" "${1:-100}" || fail "the program did not end"
    wait "$APP_PID"
    APP_STATUS=$?
}

# --- Journeys: message boxes, the shell's part, windows compared before and after ---

# The console helper that reads message boxes and plays the shell (tests/e2e/desktop.cpp).
E2E_DESKTOP=${E2E_DESKTOP:-$(dirname "$QUILLET_EXE")/tests/e2e_desktop.exe}

# Runs the helper with its arguments and prints what it printed (through a file: see above).
desktop() {
    local out="$ARTIFACTS/.desktop.out" status=0
    wine "$E2E_DESKTOP" "$@" >"$out" 2>"$ARTIFACTS/.desktop.err" </dev/null || status=$?
    tr -d '\r' <"$out"
    return $status
}

# The error box: waits for the box captioned "Quillet", checks that its text is exactly $1,
# and closes it with Enter (its only button, OK, has the focus).
expect_error_box() {
    local text
    wait_for 'window_visible Quillet' 100 || fail "no error box (expected: $1)"
    text=$(desktop box-text Quillet) || fail "no message box captioned Quillet"
    [ "$text" = "$1" ] || fail "the error box says '$text', not '$1'"
    click_in Quillet 40 8  # its caption: the box is active, whatever was clicked before
    xdotool key Return
    wait_for '! window_visible Quillet' 50 || fail "OK did not close the error box"
}

# How many icons Wine's notification area shows (green discs, told apart by the gaps between
# them); 0 when the area is gone, as it goes when its last icon does.
icon_count() {
    local tray shot="$ARTIFACTS/.tray.png"
    tray=$(visible_window "Wine System Tray")
    [ -n "$tray" ] || { echo 0; return; }
    eval "$(xdotool getwindowgeometry --shell "$tray" | sed -n 's/^\([XYWIDTHEG]*\)=/T\1=/p')"
    import -window root "$shot" 2>/dev/null
    convert "$shot" -crop "${TWIDTH}x${THEIGHT}+${TX}+${TY}" +repage -depth 8 txt:- | awk '
        NR > 1 {
            split($1, p, /[,:]/); c = $2; gsub(/[()]/, "", c); split(c, v, ",")
            r = v[1]; g = v[2]; b = v[3]
            if ('"$GREEN"') column[p[1]] = 1
        }
        END {
            for (x = 0; x < 4096; x++) {
                if ((x in column) && !((x - 1) in column) && !((x - 2) in column)) n++
            }
            print n + 0
        }'
}

# Chooses "Show" in the icon's menu (its first item, at the top).
show_from_menu() {
    click_icon 3
    sleep 0.5
    xdotool mousemove $((ICON_X + 30)) $((ICON_Y + 10)) click 1
}

# How many visible windows have exactly the name $1.
window_count() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }

# "x y width height" of a visible window.
window_geometry() {
    local id
    id=$(visible_window "$1")
    [ -n "$id" ] || fail "no visible window '$1'"
    xdotool getwindowgeometry --shell "$id" | sed -n 's/^[XYWIDTHEG]*=//p' | tr '\n' ' ' | sed 's/ $//'
}

# Saves a picture of a visible window's contents (no pointer over it) to $2.
window_picture() {
    local x y w h
    read -r x y w h <<<"$(window_geometry "$1")"
    xdotool mousemove 1279 1023
    sleep 0.3
    import -window root "$ARTIFACTS/.screen.png" 2>/dev/null
    convert "$ARTIFACTS/.screen.png" -crop "${w}x${h}+${x}+${y}" +repage "$2"
}

# Fails unless two pictures are the same pixel for pixel.
expect_same_picture() {
    local differ
    differ=$(compare -metric AE "$1" "$2" null: 2>&1) || true
    [ "$differ" = 0 ] || fail "$3 ($differ pixels differ: $1, $2)"
}

# Drags a visible window by its caption, as a user moves it, by $2 and $3 pixels; sets WX, WY
# to where it ends.
drag_window() {
    local x y w h
    read -r x y w h <<<"$(window_geometry "$1")"
    xdotool mousemove $((x + w / 3)) $((y + 8)) mousedown 1
    sleep 0.2
    xdotool mousemove $((x + w / 3 + $2 / 2)) $((y + 8 + $3 / 2))
    sleep 0.1
    xdotool mousemove $((x + w / 3 + $2)) $((y + 8 + $3))
    sleep 0.2
    xdotool mouseup 1
    wait_for "[ \"\$(window_geometry '$1' | cut -d' ' -f1,2)\" = '$((x + $2)) $((y + $3))' ]" 30 ||
        fail "'$1' did not move from $x,$y by $2,$3 (it is at $(window_geometry "$1"))"
    WX=$((x + $2)) WY=$((y + $3))
}

# A fingerprint of the task file: its bytes and its modification time (nanoseconds).
file_state() { [ -e "$1" ] && printf '%s %s\n' "$(md5sum <"$1" | cut -d' ' -f1)" "$(stat -c %y "$1")" || echo none; }
