#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need, when any is missing.
# Runs apt-get update at most once, and only when something has to be installed.
set -euo pipefail

packages=(
    g++ cmake make ninja-build pkg-config git
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libusb-1.0-0-dev umockdev libumockdev-dev
    dpkg-dev lintian desktop-file-utils appstream bash-completion man-db groff-base
    xvfb xauth fonts-noto-cjk
    python3
)
# Only the benchmarks compare against srec_cat.
if [[ "${1:-}" == "--bench" ]]; then
    packages+=(srecord)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "Installing missing packages: ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
    SUDO=sudo
else
    SUDO=
fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
