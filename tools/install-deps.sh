#!/usr/bin/env bash
# Installs the Debian packages that building and testing Quillon need, where they are missing.
set -euo pipefail

packages=(
    cmake make python3
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    googletest
    wine64 libwine fonts-wine
    xvfb xauth x11-utils xdotool imagemagick
    iproute2 util-linux procps
    cppcheck clang-tidy git
    osslsigncode openssl
)

# npm, for the workflow validator, from Debian where the machine has none of its own.
command -v npm >/dev/null || packages+=(nodejs npm)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
