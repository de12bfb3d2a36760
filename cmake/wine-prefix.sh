#!/bin/sh
# Creates (or finishes) the Wine prefix the build runs its programs in: wine-prefix.sh [PREFIX]
# (default: $WINEPREFIX). Idempotent and cheap once done: a stamp file inside the prefix says the
# set-up below is complete, and a lock beside it lets parallel callers wait for one another.
# Wine's output goes to PREFIX.log, never to a pipe: its background services would hold a pipe open.
set -eu

PREFIX=${1:-${WINEPREFIX:-}}
[ -n "$PREFIX" ] || { echo "wine-prefix.sh: give the prefix path (or set WINEPREFIX)" >&2; exit 2; }
case $PREFIX in /*) ;; *) PREFIX=$(pwd)/$PREFIX ;; esac

# Bump when the recipe changes, so existing prefixes are set up again.
RECIPE=1
STAMP=$PREFIX/.quillet-prefix
FONTS_SRC=/usr/share/wine/fonts
FONTS_DST=$PREFIX/drive_c/windows/Fonts
LOG=$PREFIX.log

export WINEPREFIX="$PREFIX" WINEARCH=win64 WINEDEBUG=-all
command -v wine >/dev/null 2>&1 || { echo "wine-prefix.sh: wine is not installed (apt-get install wine wine64)" >&2; exit 1; }

# Tahoma and Marlett come from fonts-wine, but this Wine never looks in that folder; without them
# dialogs fall back to another face and lay out differently. Cheap, so it is checked on every call.
copy_fonts() {
    [ -d "$FONTS_DST" ] || return 0
    for f in tahoma.ttf tahomabd.ttf marlett.ttf; do
        if [ ! -e "$FONTS_DST/$f" ] && [ -e "$FONTS_SRC/$f" ]; then
            cp "$FONTS_SRC/$f" "$FONTS_DST/$f"
        fi
    done
}

if [ "$(cat "$STAMP" 2>/dev/null || true)" = "$RECIPE" ]; then
    copy_fonts
    exit 0
fi

mkdir -p "$(dirname "$PREFIX")"
exec 9>"$PREFIX.lock"
flock 9
# Someone else may have finished it while we waited for the lock.
if [ "$(cat "$STAMP" 2>/dev/null || true)" = "$RECIPE" ]; then
    copy_fonts
    exit 0
fi

echo "wine-prefix.sh: setting up $PREFIX (takes a few seconds once)" >&2
: >"$LOG"
# A server left over from an interrupted set-up would carry that run's state.
wineserver -k </dev/null >>"$LOG" 2>&1 || true
wineserver -w </dev/null >>"$LOG" 2>&1 || true

# No display during set-up (faster, and nothing can pop up). The server is stopped afterwards so
# that no later GUI program joins a session that started without a display: such a session
# cannot create windows even for programs that have one.
# Mono and Gecko are disabled so no installer prompt can ever appear.
(
    unset DISPLAY WAYLAND_DISPLAY
    export WINEDLLOVERRIDES="mscoree,mshtml="
    wineboot --init </dev/null >>"$LOG" 2>&1
    regset() { wine reg add "$@" /f </dev/null >>"$LOG" 2>&1; }
    # Unmanaged windows: on a bare X server (no window manager) hiding a window otherwise blocks
    # for 2 s and keyboard focus goes nowhere; Wine then draws its own frames.
    regset 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
    # A crash must end the process with a report on stderr, not wait on a dialog nobody sees.
    regset 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
    regset 'HKCU\Software\Wine\DllOverrides' /v mscoree /t REG_SZ /d ''
    regset 'HKCU\Software\Wine\DllOverrides' /v mshtml /t REG_SZ /d ''
    # -k asks the server to shut down (it saves the registry first); -w waits until it has gone.
    wineserver -k </dev/null >>"$LOG" 2>&1 || true
    wineserver -w </dev/null >>"$LOG" 2>&1 || true
)

[ -d "$FONTS_DST" ] || { echo "wine-prefix.sh: wineboot failed, see $LOG" >&2; exit 1; }
copy_fonts
[ -e "$FONTS_DST/tahoma.ttf" ] || echo "wine-prefix.sh: fonts-wine is missing; dialogs will not use Tahoma" >&2
echo "$RECIPE" >"$STAMP"
