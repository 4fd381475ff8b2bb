#!/usr/bin/env bash
# Builds Quillmap on Debian 12 and then starts it (run), runs every test (test), or makes its
# Debian package (package). Installs the Debian packages it needs when they are missing.
set -euo pipefail

usage() { echo "usage: bash tools/setup.sh run|test|package" >&2; exit 2; }
[ $# -eq 1 ] || usage
mode=$1
case "$mode" in run|test|package) ;; *) usage ;; esac

top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build"

packages=(g++ make cmake pkgconf qt6-base-dev libsqlite3-dev libxlsxwriter-dev libpq-dev fonts-liberation
          fonts-crosextra-carlito python3-markdown)
# People's .xlsx lists: the archive they are.
packages+=(libzip-dev)
# The map window: its projection (PROJ) and its SVG images (Qt SVG).
packages+=(libproj-dev qt6-svg-dev)
[ "$mode" = test ] && packages+=(libbenchmark-dev xvfb xauth qt6-base-private-dev dpkg-dev appstream desktop-file-utils
                                  xdotool xclip sqlite3 imagemagick util-linux dbus at-spi2-core python3-pyatspi
                                  postgresql)
[ "$mode" = package ] && packages+=(dpkg-dev)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Quillmap needs these Debian packages: ${missing[*]}" >&2
        echo "Install them as root (sudo apt-get install ${missing[*]}) and run this again." >&2
        exit 1
    fi
    echo "Installing ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ "$mode" = run ] && [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "There is no display to show Quillmap's window on." >&2
    echo "On a machine without a screen, run it under a virtual one:" >&2
    echo "  apt-get install xvfb xauth && xvfb-run -a bash tools/setup.sh run" >&2
    exit 1
fi

if [ "$mode" = package ]; then
    cmake -S "$top" -B "$top/build-deb" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        | { grep -v '^-- ' || true; }
    cmake --build "$top/build-deb" -j"$(nproc)" --target package
    exit 0
fi

# Configure's progress is noise; its warnings are not.
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DQUILLMAP_WERROR="${QUILLMAP_WERROR:-OFF}" \
    | { grep -v '^-- ' || true; }
cmake --build "$build" -j"$(nproc)"

if [ "$mode" = run ]; then
    exec "$build/bin/quillmap"
fi
ctest --test-dir "$build" --output-on-failure
