#!/usr/bin/env bash
# The Windows packages as a user meets them, under Wine in a prefix of their own: the portable
# zip holds the exe, the README and the licence; a silent install puts the program, its Start
# menu shortcut and its entry among the installed programs in place, and the installed program
# runs from the shortcut; install and uninstall refuse to run beside it; a silent uninstall
# removes all of it and leaves the user's tasks as they were.
# Exit status 77 (skipped) when nsis or zip is missing and cannot be installed.
E2E_DIR="$(cd "$(dirname "$0")/../e2e" && pwd)"
. "$E2E_DIR/lib.sh"
. "$E2E_DIR/../../scripts/lib.sh"

if ! command -v makensis >/dev/null || ! command -v zip >/dev/null; then
    if [ "$(id -u)" -ne 0 ] && ! sudo -n true 2>/dev/null; then
        echo "nsis or zip is missing and cannot be installed here: skipped"
        exit 77
    fi
fi

step "build the packages"
DIST="$ARTIFACTS/dist"
QUILLET_EXE="$QUILLET_EXE" QUILLET_DIST="$DIST" bash "$Q_ROOT/scripts/package.sh" >"$ARTIFACTS/package.log" 2>&1 ||
    fail "scripts/package.sh failed: $(tail -5 "$ARTIFACTS/package.log")"
ZIP="$DIST/Quillet-1.0-portable.zip"
SETUP="$DIST/Quillet-1.0-setup.exe"
[ -f "$ZIP" ] && [ -f "$SETUP" ] || fail "missing packages: $(ls "$DIST")"

step "the portable zip: the exe as built, the README and the licence"
listing=$(unzip -Z1 "$ZIP" | sort | tr '\n' ' ')
[ "$listing" = "Quillet/ Quillet/LICENSE.txt Quillet/Quillet.exe Quillet/README.md " ] || fail "the zip holds: $listing"
unzip -p "$ZIP" Quillet/Quillet.exe | cmp -s - "$QUILLET_EXE" || fail "the zip's exe is not the one built"
unzip -p "$ZIP" Quillet/LICENSE.txt | grep -q "MIT License" || fail "the zip's licence is not the MIT licence"

# A prefix of its own: installing writes the registry and the Start menu. Wine's menu builder
# would copy shortcuts into the Linux user's desktop menus; it is kept out.
use_prefix "$WINEPREFIX-package"
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
q_prefix "$WINEPREFIX" || fail "no Wine prefix"
trap 'cleanup; q_wineserver_stop "$WINEPREFIX"' EXIT
USER_DIR="$WINEPREFIX/drive_c/users/$(id -un)"
INSTDIR="$USER_DIR/AppData/Local/Programs/Quillet"
PROGRAMS="$USER_DIR/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
MENU_LINK="$PROGRAMS/Quillet.lnk"
WIN_INSTDIR="C:\\users\\$(id -un)\\AppData\\Local\\Programs\\Quillet"
WIN_MENU_LINK="C:\\users\\$(id -un)\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Quillet.lnk"
KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillet'
startup_link() { find "$PROGRAMS" -maxdepth 2 -ipath '*/startup/quillet.lnk' | head -n 1; }
# Runs a Windows program of the test and sets RC to its exit code.
run() { RC=0; wine "$@" >"$ARTIFACTS/package-wine.log" 2>&1 </dev/null || RC=$?; }
installed_state() { file_state "$INSTDIR/Quillet.exe"; }
# A shortcut names its target in 8-bit or UTF-16 text, or both.
points_at_exe() { { strings -a "$1"; strings -a -el "$1"; } | grep -qi 'AppData\\Local\\Programs\\Quillet\\Quillet\.exe$'; }

# What an earlier, interrupted run may have left.
rm -rf "$INSTDIR" "$MENU_LINK" "$(startup_link)"
wine reg delete "$KEY" /f >/dev/null 2>&1 </dev/null
rm -rf "$TASK_FOLDER"
mkdir -p "$TASK_FOLDER"
printf '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<list><todo><text>Renew the passport</text><done>false</done></todo></list>\n' >"$TASK_FILE"
TASKS=$(file_state "$TASK_FILE")

step "a silent install: the program, the Start menu shortcut, the entry among installed programs"
run "$SETUP" /S
[ "$RC" = 0 ] || fail "the silent install ended with $RC"
cmp -s "$INSTDIR/Quillet.exe" "$QUILLET_EXE" || fail "the installed exe is not the one built"
for f in README.md LICENSE.txt uninstall.exe; do [ -f "$INSTDIR/$f" ] || fail "no $f installed"; done
[ -f "$MENU_LINK" ] || fail "no Start menu shortcut"
points_at_exe "$MENU_LINK" || fail "the shortcut does not point at the installed exe"
[ -z "$(startup_link)" ] || fail "a Start with Windows shortcut that was not asked for"
wine reg query "$KEY" >"$ARTIFACTS/package-reg.txt" 2>&1 </dev/null || fail "no entry among the installed programs"
tr -d '\r' <"$ARTIFACTS/package-reg.txt" >"$ARTIFACTS/package-reg.lf"
for value in 'DisplayName +REG_SZ +Quillet$' 'DisplayVersion +REG_SZ +1\.0$' 'Publisher +REG_SZ +The Quillet developers$' \
    'UninstallString +REG_SZ +"C:\\users\\.*\\AppData\\Local\\Programs\\Quillet\\uninstall\.exe"$' \
    'QuietUninstallString +REG_SZ +".*\\uninstall\.exe" /S$' 'DisplayIcon +REG_SZ +".*\\Quillet\.exe",0$' \
    'NoModify +REG_DWORD +0x1$' 'NoRepair +REG_DWORD +0x1$' 'EstimatedSize +REG_DWORD +0x[0-9a-f]+$'; do
    grep -Eq "^ +$value" "$ARTIFACTS/package-reg.lf" || fail "the entry lacks $value: $(cat "$ARTIFACTS/package-reg.lf")"
done

step "the installed program runs from its shortcut and reads the user's tasks"
run start "$WIN_MENU_LINK"
wait_for_icon
click_icon
wait_for 'window_visible "To-do List"' 100 || fail "the installed program did not open its list"
import -window root "$ARTIFACTS/package-running.png"

step "while it runs, neither a silent install nor a silent uninstall changes anything"
BEFORE=$(installed_state)
run "$SETUP" /S
[ "$RC" = 2 ] || fail "a silent install beside the running program ended with $RC, not 2"
[ "$(installed_state)" = "$BEFORE" ] || fail "the install replaced the running program"
run "$INSTDIR/uninstall.exe" /S "_?=$WIN_INSTDIR"
[ "$RC" = 2 ] || fail "a silent uninstall beside the running program ended with $RC, not 2"
[ -f "$INSTDIR/Quillet.exe" ] && [ -f "$MENU_LINK" ] || fail "the uninstall removed files of the running program"

step "after Exit, installing again with Start with Windows adds that shortcut"
exit_from_menu
wait_for '[ "$(icon_count)" = 0 ]' 100 || fail "Exit did not remove the icon"
# The guard goes with the process, a moment after the icon.
for _ in $(seq 20); do
    run "$SETUP" /S /STARTUP
    [ "$RC" = 2 ] || break
    sleep 0.5
done
[ "$RC" = 0 ] || fail "the install with /STARTUP ended with $RC"
[ -n "$(startup_link)" ] || fail "no Start with Windows shortcut"
points_at_exe "$(startup_link)" || fail "the Start with Windows shortcut does not point at the exe"

step "a silent uninstall removes the program, its shortcuts and its entry, and keeps the tasks"
run "$INSTDIR/uninstall.exe" /S
[ "$RC" = 0 ] || fail "the silent uninstall ended with $RC"
# The uninstaller hands over to a copy of itself that goes on after it returns.
wait_for '[ ! -e "$INSTDIR" ]' 300 || fail "the program's folder is still there: $(ls "$INSTDIR")"
[ -e "$MENU_LINK" ] && fail "the Start menu shortcut is still there"
[ -z "$(startup_link)" ] || fail "the Start with Windows shortcut is still there"
wine reg query "$KEY" >/dev/null 2>&1 </dev/null && fail "the entry among installed programs is still there"
[ "$(file_state "$TASK_FILE")" = "$TASKS" ] || fail "the uninstall changed the task file"
[ "$(ls "$TASK_FOLDER")" = toDoList.xml ] || fail "the task folder changed: $(ls "$TASK_FOLDER")"
step "passed"
