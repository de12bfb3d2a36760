#!/usr/bin/env bash
# Builds the two Windows packages into dist/, the version from CMakeLists.txt in their names:
#   Quillet-<version>-portable.zip   a folder Quillet with Quillet.exe, README.md and LICENSE.txt
#   Quillet-<version>-setup.exe      the per-user installer (packaging/quillet.nsi)
# Installs what is missing first (the build's packages, nsis, zip) and builds the exe.
# QUILLET_EXE=path packages that exe instead of building one; QUILLET_DIST=folder writes there.
set -euo pipefail
# shellcheck source=scripts/lib.sh
. "$(dirname "$0")/lib.sh"

VERSION=$(sed -n 's/^project(Quillet VERSION \([0-9.]*\).*/\1/p' "$Q_ROOT/CMakeLists.txt")
[ -n "$VERSION" ] || q_die "no project version in CMakeLists.txt"
DIST=${QUILLET_DIST:-$Q_ROOT/dist}

if [ -n "${QUILLET_EXE:-}" ]; then
    q_install nsis zip
    EXE=$QUILLET_EXE
else
    # shellcheck disable=SC2086  # a space-separated list
    q_install $Q_BUILD_PACKAGES nsis zip
    # The existing configuration if there is one (test.sh leaves the ci one), as run.sh does.
    if [ -f "$Q_BUILD/CMakeCache.txt" ]; then
        cmake --build "$Q_BUILD" --target Quillet </dev/null >&2
    else
        q_build default >&2
    fi
    EXE=$Q_BUILD/Quillet.exe
fi
[ -f "$EXE" ] || q_die "no $EXE"

mkdir -p "$DIST"
ZIP=$DIST/Quillet-$VERSION-portable.zip
SETUP=$DIST/Quillet-$VERSION-setup.exe
STAGE=$(mktemp -d "$DIST/.stage.XXXXXX")
trap 'rm -rf "$STAGE"' EXIT

mkdir "$STAGE/Quillet"
cp "$EXE" "$STAGE/Quillet/Quillet.exe"
cp "$Q_ROOT/README.md" "$STAGE/Quillet/README.md"
cp "$Q_ROOT/LICENSE" "$STAGE/Quillet/LICENSE.txt"
rm -f "$ZIP"
(cd "$STAGE" && zip -q -X -r "$ZIP" Quillet)

rm -f "$SETUP"
# -WX: a warning (a missing file, a misspelt setting) fails the build of the installer.
makensis -NOCD -V2 -WX \
    -DVERSION="$VERSION" \
    -DEXE="$STAGE/Quillet/Quillet.exe" \
    -DREADME="$STAGE/Quillet/README.md" \
    -DLICENSE="$STAGE/Quillet/LICENSE.txt" \
    -DICON="$Q_ROOT/resources/app.ico" \
    -DOUTFILE="$SETUP" \
    "$Q_ROOT/packaging/quillet.nsi" </dev/null >&2

q_log "portable zip and installer of Quillet $VERSION:"
echo "$ZIP"
echo "$SETUP"
