#!/bin/sh
# Runs a Windows program under Wine in the build's own prefix: wine-emu.sh PROGRAM.exe [ARGS...]
# CMake runs it as `env WINEPREFIX=<build>/wineprefix wine-emu.sh ...` (see mingw-w64-wine.cmake),
# so tests never touch a personal ~/.wine. By hand, set WINEPREFIX yourself.
set -eu

if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-emu.sh: WINEPREFIX is not set; refusing to fall back to ~/.wine" >&2
    exit 2
fi
export WINEPREFIX
# -all also hides Debian's "wine32 is missing" banner; set WINEDEBUG yourself to trace.
export WINEDEBUG="${WINEDEBUG:--all}"

# Makes the prefix on first use; returns at once when it is ready.
"$(dirname "$0")/wine-prefix.sh" "$WINEPREFIX" </dev/null >&2

# The first Wine process of a session starts the server and its services, and they inherit that
# process's standard streams. Started here with the streams detached, they cannot hold the
# caller's pipes open, so CTest does not wait for them to exit after each test.
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
exec wine "$@"
