# Shared by the scripts in this folder: install what is missing, configure and build.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

BUILD_PACKAGES=(build-essential cmake ninja-build ccache pkg-config juce-modules-source libx11-dev
                libudev-dev libsystemd-dev libusb-1.0-0-dev libexpat1-dev)
TEST_PACKAGES=(googletest libgtest-dev libgmock-dev libbenchmark-dev libxdamage-dev xvfb xauth
               umockdev libumockdev-dev dbus-daemon openbox libxtst-dev)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs only what is not there yet, so a second run touches nothing.
install_packages() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# build_tree <build dir> [extra cmake arguments...]
build_tree() {
    local dir="$1"; shift
    export CCACHE_SLOPPINESS=time_macros
    export CCACHE_BASEDIR="$ROOT"   # worktrees share cache entries
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@"
    cmake --build "$dir" --parallel "$(nproc)"
}
