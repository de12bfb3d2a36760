# shellcheck shell=bash
# Shell helpers shared by scripts/*.sh and the end-to-end test scripts. Source it from bash:
#   . "$(dirname "$0")/lib.sh"            (scripts/)   or   . "<repo>/scripts/lib.sh"
#
# Variables (set on sourcing; override any of them in the environment beforehand):
#   Q_ROOT        the repository root
#   Q_BUILD       the build folder of the CMake presets (<root>/build)
#   Q_LOGS        where the helpers write Xvfb's and Wine's output (<build>/logs)
#   Q_WINEPREFIX  the prefix the tests run in (<build>/wineprefix; CMake's QUILLET_WINEPREFIX)
#   Q_BUILD_PACKAGES, Q_RUN_PACKAGES   Debian packages needed to build, and to run under Wine/Xvfb
#
# Functions:
#   q_log MESSAGE...            one line on stderr
#   q_die MESSAGE...            q_log, then exit 1
#   q_install PACKAGE...        apt-get installs those not installed yet (fast when all are)
#   q_build PRESET              configure and build with a CMake preset (default or ci)
#   q_cache_value NAME          print a variable from the build's CMakeCache.txt
#   q_prefix [PREFIX]           make the Wine prefix if needed, export WINEPREFIX and WINEDEBUG
#   q_wineserver_stop [PREFIX]  stop that prefix's Wine server and every program in it, and wait
#   q_xvfb_start                start a private Xvfb on a free display, export DISPLAY (Q_XVFB_PID)
#   q_xvfb_stop                 stop the Xvfb that q_xvfb_start started
#   q_wait_window NAME [SECS]   print the id of the first visible X window named NAME (a regex),
#                               waiting up to SECS (default 20); fails on timeout
#   q_click_first_tray_icon     left-click the first icon of Wine's "Wine System Tray" window
#
# Wine must never write into a pipe the caller waits on (its services inherit the streams and
# keep the pipe open): every Wine command here goes to a file or /dev/null.

Q_ROOT=${Q_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
Q_BUILD=${Q_BUILD:-$Q_ROOT/build}
Q_LOGS=${Q_LOGS:-$Q_BUILD/logs}
Q_WINEPREFIX=${Q_WINEPREFIX:-$Q_BUILD/wineprefix}
Q_BUILD_PACKAGES=${Q_BUILD_PACKAGES:-"cmake ninja-build g++-mingw-w64-x86-64-posix googletest librsvg2-bin"}
Q_RUN_PACKAGES=${Q_RUN_PACKAGES:-"wine wine64 fonts-wine xvfb x11-utils xdotool imagemagick"}

q_log() { printf '[quillet] %s\n' "$*" >&2; }
q_die() { q_log "$@"; exit 1; }

q_install() {
    local p missing=()
    for p in "$@"; do
        if [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null)" != "ii " ]; then
            missing+=("$p")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null 2>&1 || q_die "missing packages: ${missing[*]} (install them as root)"
        sudo=(sudo -n)
    fi
    q_log "installing ${missing[*]}"
    local apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -q -y
               -o Dpkg::Use-Pty=0 --no-install-recommends)
    # The package lists are refreshed only when they are missing or too old to install from.
    if ! compgen -G '/var/lib/apt/lists/*_Packages*' >/dev/null \
        || ! "${apt[@]}" install "${missing[@]}" </dev/null; then
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -q -y update </dev/null \
            || q_die "apt-get update failed"
        "${apt[@]}" install "${missing[@]}" </dev/null || q_die "could not install ${missing[*]}"
    fi
}

q_build() (
    preset=${1:-default}
    mark=$Q_BUILD/.configured-preset
    cd "$Q_ROOT" || exit 1
    # Configure only when needed (no build, another preset, presets edited, or configured since by
    # someone else): Ninja re-runs CMake by itself when a CMakeLists changes, and a needless
    # configure makes CTest list the GoogleTest cases again (a Wine start) on its next run.
    if [ ! -f "$Q_BUILD/build.ninja" ] || [ "$(cat "$mark" 2>/dev/null)" != "$preset" ] \
        || [ CMakePresets.json -nt "$mark" ] || [ "$Q_BUILD/CMakeCache.txt" -nt "$mark" ]; then
        rm -f "$mark"
        cmake --preset "$preset" </dev/null || exit 1
        echo "$preset" >"$mark"
    fi
    cmake --build --preset "$preset" </dev/null
)

q_cache_value() {
    sed -n "s/^$1:[A-Z]*=//p" "$Q_BUILD/CMakeCache.txt" 2>/dev/null
}

q_prefix() {
    local prefix=${1:-$Q_WINEPREFIX}
    "$Q_ROOT/cmake/wine-prefix.sh" "$prefix" </dev/null || return 1
    export WINEPREFIX=$prefix WINEDEBUG=${WINEDEBUG:--all}
}

q_wineserver_stop() {
    local prefix=${1:-$Q_WINEPREFIX}
    [ -d "$prefix" ] || return 0
    # Stops only this prefix's server (and the programs attached to it), not anybody else's.
    WINEPREFIX=$prefix wineserver -k </dev/null >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w </dev/null >/dev/null 2>&1 || true
}

Q_XVFB_PID=
q_xvfb_start() {
    mkdir -p "$Q_LOGS"
    local n=${Q_XVFB_FIRST_DISPLAY:-99} tries=0
    while [ $tries -lt 20 ]; do
        if [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; then
            n=$((n + 1)); continue
        fi
        tries=$((tries + 1))
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >"$Q_LOGS/xvfb.log" 2>&1 &
        Q_XVFB_PID=$!
        for _ in $(seq 100); do
            # It dies at once when another server took the number first: try the next one.
            kill -0 "$Q_XVFB_PID" 2>/dev/null || break
            if xdpyinfo -display ":$n" >/dev/null 2>&1 && kill -0 "$Q_XVFB_PID" 2>/dev/null; then
                export DISPLAY=":$n"
                q_log "Xvfb on $DISPLAY (pid $Q_XVFB_PID)"
                return 0
            fi
            sleep 0.1
        done
        kill "$Q_XVFB_PID" 2>/dev/null || true
        wait "$Q_XVFB_PID" 2>/dev/null || true
        Q_XVFB_PID=
        n=$((n + 1))
    done
    q_die "could not start Xvfb (see $Q_LOGS/xvfb.log)"
}

q_xvfb_stop() {
    [ -n "$Q_XVFB_PID" ] || return 0
    kill "$Q_XVFB_PID" 2>/dev/null || true
    wait "$Q_XVFB_PID" 2>/dev/null || true
    Q_XVFB_PID=
}

q_wait_window() {
    local name=$1 secs=${2:-20} ids
    ids=$(timeout "$secs" xdotool search --sync --onlyvisible --name "$name" 2>/dev/null) || return 1
    [ -n "$ids" ] || return 1
    printf '%s\n' "${ids%%$'\n'*}"
}

q_click_first_tray_icon() {
    local tray X Y HEIGHT
    tray=$(q_wait_window '^Wine System Tray$' 30) || { q_log "no Wine System Tray window"; return 1; }
    eval "$(xdotool getwindowgeometry --shell "$tray" | grep -E '^(X|Y|HEIGHT)=')"
    # With unmanaged windows Wine draws the tray's frame itself: icons are 20-pixel cells
    # (16-pixel icon and a 2-pixel margin) in a row along the bottom, inside a 3-pixel border.
    xdotool mousemove --sync $((X + 3 + 10)) $((Y + HEIGHT - 3 - 10)) click 1
}
