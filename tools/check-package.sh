#!/usr/bin/env bash
# Installs a built package as a player does, with apt and without recommended packages, and
# starts the installed game on a WMF picture that holds text: the text must show on the board.
# It installs the package for the whole machine, so tools/make-deb.sh runs it in a fresh root.
#   tools/check-package.sh build/deb/tilora_<version>_<architecture>.deb
set -euo pipefail
package=$(realpath "$1")
work=$(mktemp -d)
export DEBIAN_FRONTEND=noninteractive
apt-get update -q >/dev/null
apt-get install -y -q --no-install-recommends "$package" >"$work/apt.log" || {
    cat "$work/apt.log"; exit 1; }
# The check's own tools come after the game, which must not need them.
apt-get install -y -q --no-install-recommends xvfb xdotool x11-xserver-utils imagemagick \
    perl >/dev/null

# A 400 x 200 WMF: red "TILORA" in 120-unit Liberation Sans Bold on the white page.
perl -e '
    sub record { my ($function, $parameters) = @_;
                 return pack("Lv", 3 + length($parameters) / 2, $function) . $parameters; }
    my $face = pack("a32", "Liberation Sans");
    my $records = record(0x020B, pack("v2", 0, 0)) . record(0x020C, pack("v2", 200, 400))
        . record(0x0102, pack("v", 1))
        . record(0x02FB, pack("s5", -120, 0, 0, 0, 700) . pack("C8", 0, 0, 0, 0, 0, 0, 0, 0) . $face)
        . record(0x012D, pack("v", 0)) . record(0x0209, pack("V", 0x0000FF))
        . record(0x0521, pack("v", 6) . "TILORA" . pack("v2", 40, 20)) . record(0, "");
    my $placeable = pack("Vv s4 v V", 0x9AC6CDD7, 0, 0, 0, 400, 200, 96, 0);
    my $checksum = 0; $checksum ^= $_ for unpack("v10", $placeable);
    my $header = pack("v3 V v V v", 1, 9, 0x0300, 9 + length($records) / 2, 1, 28, 0);
    print $placeable . pack("v", $checksum) . $header . $records;' >"$work/text.wmf"
mkdir -p "$work/home/.config/tilora"
printf '[Allgemein]\r\nGroesse=4\r\nSteingroesse=100\r\nVorschau=0\r\nSteinrahmen=0\r\nBild=%s\r\n' \
    "$work/text.wmf" >"$work/home/.config/tilora/tilora.ini"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do [[ -s $work/display ]] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"
xsetroot -solid '#10e0b0'
HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
    /usr/games/tilora >"$work/game.log" 2>&1 &
game=$!

# Share of the screen's pixels near a colour.
share() { convert "$work/screen.png" -fuzz 20% -fill black +opaque "$1" -fill white -opaque "$1" \
              -format '%[fx:mean]' info:; }
for _ in $(seq 60); do
    kill -0 "$game" 2>/dev/null || { echo "the game ended:"; cat "$work/game.log"; exit 1; }
    import -window root "$work/screen.png" 2>/dev/null || true
    if [[ -s $work/screen.png ]]; then
        red=$(share '#ff0000')
        white=$(share '#ffffff')
        # The board is 400 x 400 of the 1024 x 768 screen, much of it white, some of it red.
        if perl -e "exit !($red > 0.002 && $white > 0.05)"; then
            echo "The installed game draws the WMF's text (red $red, white $white of the screen)."
            exit 0
        fi
    fi
    sleep 0.5
done
echo "The WMF's text does not show on the board (red $red, white $white of the screen)."
cat "$work/game.log"
exit 1
