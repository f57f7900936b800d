#!/usr/bin/env bash
# Takes a picture of every function page, of every colour style and of the icon editor into
# docs/screenshots/, and one of the database page in the middle of a real transfer.
# The window runs under a virtual X server (xvfb-run) and saves the pictures itself with its
# hidden --screenshot option, which grabs the window once it is shown; the user's stored style is
# not touched (the settings go to a temporary folder for that run). For the transfer picture the
# simulated remote (vanto-sim-remote) waits on a pseudo-terminal and asks for a database download,
# slowed down so that it lasts a few seconds; the window opens that terminal as its link, has the
# database chosen on its page and grabs itself once the bar is well under way.
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
binary="$build/bin/vanto-remote-manager"
remote="$build/bin/vanto-sim-remote"
out="$root/docs/screenshots"
for program in "$binary" "$remote"; do
    if [[ ! -x "$program" ]]; then
        echo "screenshots.sh: $program not found; build first" >&2
        exit 1
    fi
done
mkdir -p "$out"
rm -f "$out"/page-*.png "$out"/look-*.png "$out"/transfer-*.png "$out"/icon-editor.png

run_window() {
    if command -v xvfb-run >/dev/null 2>&1; then
        xvfb-run -a -s "-screen 0 1024x768x24" timeout 60 "$binary" "$@"
    else
        QT_QPA_PLATFORM=offscreen timeout 60 "$binary" "$@"
    fi
}
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "screenshots.sh: xvfb-run missing, using the offscreen platform" >&2
fi

# Pages, styles and the icon editor.
run_window --screenshot "$out"

# A database download under way: 147 blocks, each acknowledgement 20 ms late.
work=$(mktemp -d /tmp/vanto-demo.XXXXXX)
remote_pid=
cleanup() {
    if [[ -n "$remote_pid" ]]; then
        kill "$remote_pid" 2>/dev/null || true
        wait "$remote_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
"$remote" --make-database "$work/codes.bin" --size 300000
"$remote" --pty-link "$work/remote" --download P --delay-ms 20 --after-ms 1500 --repeat \
    >"$work/remote.log" 2>&1 &
remote_pid=$!
for _ in $(seq 50); do
    [[ -e "$work/remote" ]] && break
    sleep 0.1
done
run_window --screenshot "$out" --link "tty:$work/remote" --screenshot-select "1:$work/codes.bin"
kill "$remote_pid" 2>/dev/null || true
wait "$remote_pid" 2>/dev/null || true
remote_pid=
sed 's/^/screenshots.sh: remote: /' "$work/remote.log"

count=$(find "$out" -name '*.png' | wc -l)
echo "screenshots.sh: $count pictures in $out"
[[ $count -ge 13 && -s "$out/transfer-database-download.png" && -s "$out/icon-editor.png" ]]
