#!/usr/bin/env bash
# Builds the Debian package (`make package`) and checks it as a user would get it: its file
# list and control fields, the packaged binary run from a scratch root, the manual page, the bash
# completion, and the validators (desktop-file-validate, appstreamcli, lintian) with no error or
# warning allowed.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"

failures=0
check() {  # check NAME COMMAND...: runs the command, reports it
    local name="$1"
    shift
    if "$@"; then
        echo "package-test: ok: $name"
    else
        echo "package-test: FAILED: $name" >&2
        failures=$((failures + 1))
    fi
}

rm -f "$build"/vanto-remote-manager_*.deb
(cd "$build" && cpack -G DEB > cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/vanto-remote-manager_*.deb)
echo "package-test: built $deb"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
list=$(dpkg-deb -c "$deb" | awk '{print $6}')

files=(
    ./usr/bin/vanto-remote-manager
    ./usr/share/man/man1/vanto-remote-manager.1.gz
    ./usr/share/bash-completion/completions/vanto-remote-manager
    ./usr/share/applications/vanto-remote-manager.desktop
    ./usr/share/metainfo/example.vanto.RemoteManager.metainfo.xml
    ./usr/share/icons/hicolor/scalable/apps/vanto-remote-manager.svg
    ./usr/share/vanto-remote-manager/70-vanto-remote-manager.rules
    ./usr/share/doc/vanto-remote-manager/copyright
    ./usr/share/doc/vanto-remote-manager/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do
    files+=("./usr/share/icons/hicolor/${size}x${size}/apps/vanto-remote-manager.png")
done
has_files() {
    local f missing=0
    for f in "${files[@]}"; do
        grep -qxF "$f" <<<"$list" || { echo "missing $f" >&2; missing=1; }
    done
    return $missing
}
only_usr() { ! grep -v -e '^\./$' -e '^\./usr/' <<<"$list"; }
no_test_tools() { ! grep -E 'test_|sim-remote|draw_icon|fuzz|bench' <<<"$list"; }
check "file list" has_files
check "nothing outside /usr" only_usr
check "no test or tool programs" no_test_tools

field() { dpkg-deb -f "$deb" "$1"; }
control_ok() {
    [[ "$(field Package)" == vanto-remote-manager ]] &&
        [[ "$(field Version)" == "$(grep -m1 '^CMAKE_PROJECT_VERSION:' "$build/CMakeCache.txt" | cut -d= -f2)" ]] &&
        [[ "$(field Architecture)" == "$(dpkg --print-architecture)" ]] &&
        [[ "$(field Section)" == utils ]] &&
        [[ "$(field Maintainer)" == *@* ]] &&
        grep -q 'libqt6widgets6' <<<"$(field Depends)" &&
        grep -q 'libusb-1.0-0' <<<"$(field Depends)"
}
check "control fields (Package, Version, Architecture, Section, Maintainer, Depends)" control_ok

bin="$root/usr/bin/vanto-remote-manager"
version_ok() { "$bin" --version | grep -qx "VANTO Remote Manager V[0-9.]*"; }
help_ok() {
    local text
    text=$("$bin" --help)
    for word in serve devices image info icons --print-udev-rules --install-udev-rule; do
        grep -qF -- "$word" <<<"$text" || { echo "--help lacks $word" >&2; return 1; }
    done
}
check "packaged binary --version" version_ok
check "packaged binary --help" help_ok

man_ok() {
    local warnings page
    page="$root/usr/share/man/man1/vanto-remote-manager.1.gz"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [[ -z "$warnings" ]] || { echo "$warnings" >&2; return 1; }
    # Every command and option the program has is in it.
    local text
    text=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -l "$page" 2>/dev/null | col -b)
    for word in serve devices image info "icons unpack" "icons pack" --print-udev-rules \
        --install-udev-rule --link --usb --function --file --mode --once --yes --trace --from \
        --help --version app-download db-download userdata-upload userdata-download \
        icon-upload icon-download; do
        grep -qF -- "$word" <<<"$text" || { echo "man page lacks $word" >&2; return 1; }
    done
}
check "manual page renders without warnings and names every command and option" man_ok

completion_ok() {
    local got
    got=$(bash -c '
        source /usr/share/bash-completion/bash_completion
        source "$1"
        COMP_WORDS=(vanto-remote-manager serve --function ""); COMP_CWORD=3
        COMP_LINE="vanto-remote-manager serve --function "; COMP_POINT=${#COMP_LINE}
        _vanto_remote_manager; echo "${COMPREPLY[*]}"
        COMP_WORDS=(vanto-remote-manager ""); COMP_CWORD=1
        COMP_LINE="vanto-remote-manager "; COMP_POINT=${#COMP_LINE}
        _vanto_remote_manager; echo "${COMPREPLY[*]}"
        COMP_WORDS=(vanto-remote-manager serve --o); COMP_CWORD=2
        COMP_LINE="vanto-remote-manager serve --o"; COMP_POINT=${#COMP_LINE}
        _vanto_remote_manager; echo "${COMPREPLY[*]}"
    ' _ "$root/usr/share/bash-completion/completions/vanto-remote-manager")
    [[ "$got" == "app-download db-download userdata-upload userdata-download icon-upload icon-download
serve devices image info icons --link --usb --print-udev-rules --install-udev-rule --help --version
--once" ]] || { echo "completion gave: $got" >&2; return 1; }
}
check "bash completion of commands, options and --function values" completion_ok

check "desktop-file-validate" desktop-file-validate "$root/usr/share/applications/vanto-remote-manager.desktop"
check "appstreamcli validate --no-net" appstreamcli validate --no-net \
    "$root/usr/share/metainfo/example.vanto.RemoteManager.metainfo.xml"
check "lintian (no error, no warning)" lintian --fail-on error,warning --tag-display-limit 0 "$deb"

if ((failures > 0)); then
    echo "package-test: $failures check(s) failed" >&2
    exit 1
fi
echo "package-test: every check passed"
