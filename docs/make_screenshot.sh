#!/usr/bin/env bash
# Makes docs/player.png: starts the player on the example story in a virtual
# X display, clicks through to the first button scene, and captures the
# window. Needs a built build/scene_player.jar and Debian's xvfb, xdotool
# and imagemagick (apt-get install -y xvfb xdotool imagemagick).
#
#   docs/make_screenshot.sh [OUTPUT.png]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs/player.png}
jar=${JAR:-$root/build/scene_player.jar}
display=:${DISPLAY_NUMBER:-97}

Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$player" "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1

java -jar "$jar" "$root/examples/images" &
player=$!

# Wait for the window to appear.
window=
for _ in $(seq 100); do
  window=$(xdotool search --name "scene2java player" 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "make_screenshot: the player window did not appear" >&2; exit 1; }
sleep 1

# Three clicks on the picture: scenes 2 and 3, then the first button scene.
for _ in 1 2 3; do
  xdotool mousemove --window "$window" 320 200 click 1
  sleep 0.5
done
sleep 1
import -window "$window" "$out"
echo "wrote $out"
