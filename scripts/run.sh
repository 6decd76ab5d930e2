#!/bin/sh
# Builds Tavorly and runs the demo full screen (Escape or closing the window quits).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/setup.sh
scripts/build.sh build -- tavorly

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Tavorly is built (build/app/tavorly) but there is no display to show it on:" >&2
    echo "neither DISPLAY nor WAYLAND_DISPLAY is set. Run this from an X11 or Wayland desktop." >&2
    exit 1
fi
exec build/app/tavorly
