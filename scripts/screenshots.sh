#!/usr/bin/env bash
# Takes the README's pictures into docs/screenshots/: every function page, every colour style, the
# about box, a message box, the file dialog and the icon editor; the Default look under a dark
# desktop palette; page 0 on a screen of device pixel ratio 2; and the database page in the middle
# of a real transfer; the remote chooser with two emulated remotes on a USB bus.
# The pictures come from vanto-screenshots, a program of tools/ that runs the real window (it is
# no part of the product binary), under a virtual X server (xvfb-run) when there is one, else on
# the offscreen platform. The user's stored style is not touched (its settings go to a temporary
# folder). For the transfer picture the simulated remote (vanto-sim-remote) waits on a
# pseudo-terminal and asks for a database download, slowed down so that it lasts a few seconds;
# the window opens that terminal as its link, has the database chosen on its page and takes its
# picture once the bar is well under way.
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
shots="$build/bin/vanto-screenshots"
remote="$build/bin/vanto-sim-remote"
# The chooser's picture comes from the window test over the emulated USB bus (umockdev), which
# plugs in a remote that is ready and one that refuses access.
usb_window="$build/bin/test_usb_window"
out="$root/docs/screenshots"
for program in "$shots" "$remote" "$usb_window"; do
    if [[ ! -x "$program" ]]; then
        echo "screenshots.sh: $program not found; build first" >&2
        exit 1
    fi
done
mkdir -p "$out"
rm -f "$out"/*.png

run_shots() {
    if command -v xvfb-run >/dev/null 2>&1; then
        xvfb-run -a -s "-screen 0 1280x1024x24" timeout 60 "$shots" "$@"
    else
        QT_QPA_PLATFORM=offscreen timeout 60 "$shots" "$@"
    fi
}
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "screenshots.sh: xvfb-run missing, using the offscreen platform" >&2
fi

# Pages, styles, dialogs and the icon editor at scale 1.
run_shots "$out"
# The Default look on a dark desktop, and page 0 at twice the pixel density.
run_shots "$out" --one look-default-dark --dark
QT_SCALE_FACTOR=2 run_shots "$out" --one scale-2

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
run_shots "$out" --link "tty:$work/remote" --select "1:$work/codes.bin"
kill "$remote_pid" 2>/dev/null || true
wait "$remote_pid" 2>/dev/null || true
remote_pid=
sed 's/^/screenshots.sh: remote: /' "$work/remote.log"

VANTO_SCREENSHOT_DIR="$out" QT_QPA_PLATFORM=offscreen timeout 120 "$usb_window" >/dev/null

count=$(find "$out" -name '*.png' | wc -l)
echo "screenshots.sh: $count pictures in $out"
for picture in transfer-database-download icon-editor about message-box file-dialog \
    look-default-dark scale-2 remote-chooser; do
    [[ -s "$out/$picture.png" ]] || { echo "screenshots.sh: $picture.png missing" >&2; exit 1; }
done
[[ $count -ge 19 ]]
