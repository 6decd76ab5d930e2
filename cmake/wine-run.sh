#!/bin/sh
# Runs a Windows program under Wine for ctest and the Windows tests:
#   cmake/wine-run.sh WINE_LOADER PROGRAM.exe [ARGUMENTS...]
# The Wine prefix is WINEPREFIX when set, otherwise one beside the program's
# build tree (made on first use, which takes some seconds). Wine's own
# diagnostics are silenced unless WINEDEBUG is set.
set -eu
loader=$1
shift
if [ -z "${WINEPREFIX:-}" ]; then
    build=$(cd "$(dirname "$1")" && pwd)
    while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
    [ "$build" = / ] && build=$(cd "$(dirname "$1")" && pwd)
    WINEPREFIX="$build/wineprefix"
fi
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
# No Wine desktop integration, menus or browser hand-over in a build tree,
# and no debugger: a program that crashes ends at once with a failure
# instead of waiting behind Wine's crash dialog for a click.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winemenubuilder.exe=d;mscoree=d;mshtml=d;winedbg.exe=d}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    # Two tests starting at once must not both make the prefix.
    (
        flock 9
        [ -f "$WINEPREFIX/system.reg" ] || "$loader" wineboot -i >/dev/null 2>&1 || true
    ) 9>"$WINEPREFIX.lock"
fi
exec "$loader" "$@"
