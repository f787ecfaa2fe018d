#!/usr/bin/env bash
# Shows what a user sees, on a virtual display: Vexa started on a Wine desktop with a taskbar,
# its tray menu opened with a right click, and its settings window opened with a double click
# on the icon. The pictures go to screenshots/ (or the folder given as the first argument).
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-screenshots}")
mkdir -p "$out"
exe=build/x86_64/Vexa.exe
[ -f "$exe" ] || bash scripts/build.sh

export VEXA_SCREEN=800x600
. scripts/wine-env.sh
vexa_env_start

# The desktop named "shell" has a taskbar with a notification area in its lower right corner.
wine explorer /desktop=shell,800x600 "$exe" >/dev/null 2>&1 &

# Wait (at most a minute) for the settings window, which Vexa creates hidden at start.
for _ in $(seq 600); do
  xwininfo -root -tree 2>/dev/null | grep -q '"Vexa Settings"' && break
  sleep 0.1
done
sleep 2 # the icon is drawn once the tray has processed it

icon_x=789 icon_y=590 # the first icon of the notification area
xdotool mousemove "$icon_x" "$icon_y"
sleep 0.5
import -window root "$out/tray-icon.png"
convert "$out/tray-icon.png" -crop 260x60+540+540 +repage -scale 200% "$out/tray-icon.png"

# A double click on the icon opens the settings window.
settings=$(xwininfo -root -tree | awk '/"Vexa Settings"/ {print $1; exit}')
for _ in 1 2 3; do
  xdotool click 1
  sleep 0.05
  xdotool click 1
  sleep 1.5
  xwininfo -id "$settings" | grep -q IsViewable && break
done
import -window root "$out/desktop.png"
geometry=$(xwininfo -id "$settings" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Width/ {w=$NF} /Height/ {h=$NF} END {print w "x" h "+" x "+" y}')
convert "$out/desktop.png" -crop "$geometry" +repage "$out/settings.png"

# A right click opens the menu.
xdotool mousemove "$icon_x" "$icon_y" click 3
sleep 1
import -window root "$out/tray-menu.png"
convert "$out/tray-menu.png" -crop 300x240+500+360 +repage "$out/tray-menu.png"
xdotool key Escape

echo "Screenshots written to $out:"
ls -1 "$out"
