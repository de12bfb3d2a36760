#!/bin/sh
# Draws the icons and tool-bar strips in resources/ from the SVG sources in resources/art/.
set -eu
cd "$(dirname "$0")"

need() {
    command -v "$1" >/dev/null 2>&1 && return
    if [ "$(id -u)" = 0 ]; then
        apt-get install -y "$2" >/dev/null || { apt-get update >/dev/null && apt-get install -y "$2" >/dev/null; }
    fi
    command -v "$1" >/dev/null 2>&1 || { echo "draw-artwork.sh: needs $1 (Debian package $2)" >&2; exit 1; }
}
need rsvg-convert librsvg2-bin
need convert imagemagick
need python3 python3

pack() { python3 art/pack.py "$@"; }

# 16- and 256-colour images too: Windows still picks them for some displays and dialogs.
# The 16 px images come from a drawing of their own, fitted to that pixel grid. 64 px is the
# large icon at 200 %.
pack icon app.ico art/app.svg 48:32,8,4 32:32,8,4 24:32,8,4 16:32,8,4:art/app-16.svg 64:32
pack icon add.ico art/add.svg 24:32,8,4 48:32 32:32 16:32 64:32
pack icon edit.ico art/edit.svg 24:32,8,4 48:32 32:32 16:32 64:32

# Glyph order is the tool bar's image index; 0 and 2 belong to no button but must not be blank.
glyphs="art/list.svg art/add.svg art/list.svg art/cross.svg art/edit.svg art/help.svg"
for size in 24 36 48; do
    case $size in 24) suffix= ;; *) suffix=-$size ;; esac
    for state in normal hot disabled; do
        # shellcheck disable=SC2086  # $glyphs is a list of words
        pack strip "toolbar-$state$suffix.bmp" "$size" "$state" $glyphs
    done
done
