#!/usr/bin/env bash
# Installs what building, running and testing Tilora needs on Debian 12, and nothing twice.
#   tools/install-deps.sh            the build and the game
#   tools/install-deps.sh --test     also the test display and its tools, a window manager
#                                    (openbox) to try the keyboard under, and Wayland
#                                    compositors (weston with XWayland to try the game under,
#                                    sway for the tests of the game as a Wayland client)
#   tools/install-deps.sh --package  also the package tools and checkers, and the test display
#                                    for the package test
#   tools/install-deps.sh --bench    also what the benchmarks compare against
#   tools/install-deps.sh --fuzz     also clang and its libFuzzer runtime
#   tools/install-deps.sh --fresh-root  only what tools/fresh-root.sh needs on this machine
set -euo pipefail

packages=(g++ make cmake pkg-config qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
          qt6-translations-l10n libgl-dev libjpeg62-turbo-dev libpng-dev zlib1g-dev
          fonts-liberation2 xdg-utils qt6-svg-dev libwmf-dev libemf2svg-dev libuemf-dev)
# A private X server, the tools that drive it, and the X headers of the test build.
test_display=(xvfb xdotool x11-utils x11-xserver-utils libxcb-shape0-dev)
for option in "$@"; do
    case "$option" in
        --test) packages+=("${test_display[@]}" imagemagick xauth openbox weston xwayland qt6-wayland
                         sway swaybg qt6-image-formats-plugins strace) ;;
        --package) packages+=("${test_display[@]}" dpkg-dev lintian appstream desktop-file-utils) ;;
        --bench) packages+=(xvfb libxcb1-dev libjpeg-turbo-progs sgt-puzzles libwmf-bin emf2svg
                          qt6-image-formats-plugins webp libtiff-tools giflib-tools) ;;
        --fuzz) packages+=(clang libclang-rt-14-dev qt6-image-formats-plugins) ;;
        --fresh-root) packages=(mmdebstrap bubblewrap) ;;
        *) echo "unknown option: $option" >&2; exit 2 ;;
    esac
done

missing=()
for package in $(printf '%s\n' "${packages[@]}" | sort -u); do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends \
    "${missing[@]}"
