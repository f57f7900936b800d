#!/usr/bin/env bash
# Takes a picture of every function page and of every colour style into docs/screenshots/.
# The window runs under a virtual X server (xvfb-run) and saves the pictures itself with its
# hidden --screenshot option, which grabs the window once it is shown; the user's stored style is
# not touched (the settings go to a temporary folder for that run).
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
binary="$build/bin/vanto-remote-manager"
out="$root/docs/screenshots"
if [[ ! -x "$binary" ]]; then
    echo "screenshots.sh: $binary not found; build first" >&2
    exit 1
fi
mkdir -p "$out"
rm -f "$out"/page-*.png "$out"/look-*.png "$out"/transfer-*.png
if command -v xvfb-run >/dev/null 2>&1; then
    xvfb-run -a -s "-screen 0 1024x768x24" timeout 60 "$binary" --screenshot "$out"
else
    echo "screenshots.sh: xvfb-run missing, using the offscreen platform" >&2
    QT_QPA_PLATFORM=offscreen timeout 60 "$binary" --screenshot "$out"
fi
count=$(find "$out" -name '*.png' | wc -l)
echo "screenshots.sh: $count pictures in $out"
[[ $count -ge 12 ]]
