#!/usr/bin/env bash
# Shows what a user sees, on a virtual display: Vexa started on a Wine desktop with a taskbar,
# its tray menu opened with a right click, and its settings window opened with a double click
# on the icon; at 100 % on a light taskbar, at 150 % (144 dots per inch), and at 100 % on a dark
# taskbar. The pictures go to screenshots/ (or the folder given as the first argument):
#   tray-icon.png, tray-menu.png, settings.png, desktop.png          100 %, light taskbar
#   tray-icon-150.png, tray-menu-150.png, settings-150.png, ...      150 %
#   tray-icon-dark.png, settings-dark.png, desktop-dark.png          100 %, dark taskbar
#   tray-menu-de.png, settings-de.png, ... and the same with -ja, -he German, Japanese, Hebrew
#   tray-icon-high-contrast.png, settings-high-contrast.png, ...     a black contrast theme
#
# Wine takes the display language from LC_ALL, and Vexa follows it; the Japanese and Hebrew
# sessions' letters come from the fonts scripts/wine-env.sh puts in for Windows' own.
# Wine 8 draws the Hebrew tray menu, whose items are right-ordered, as an empty box:
# tray-menu-he.png shows Wine's limit, not what Windows shows.
#
# The dark session darkens only what Windows darkens. With a dark taskbar (SystemUsesLightTheme
# 0, which also makes Vexa choose its light-outlined tray picture) Windows draws the taskbar and
# its icons' tooltips dark, but a program's own Win32 windows keep their light colours unless
# the program opts in to dark mode, and Vexa does not: its settings window stays light with
# black text, and so does the classic popup menu of its tray icon. Wine 8 fills its taskbar
# with the menu colour and a dialog with the button face, so the dark session darkens the menu
# and tooltip colours only. Because the taskbar and a popup menu share that colour in Wine,
# there is no dark tray-menu picture: the menu over a dark taskbar looks as in tray-menu.png.
#
# The high-contrast session uses the colours of Windows' black contrast theme (white text on
# black, links yellow), without Wine's visual style, and a light theme chosen before, which a
# contrast theme overrides. Wine
# always reports high contrast off, so it runs vexa_high_contrast.exe (tests/contrast/): Vexa's
# own code and resources, with that one answer turned to "on".
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-screenshots}")
mkdir -p "$out"
exe=build/x86_64/Vexa.exe
contrast_exe=build/x86_64/vexa_high_contrast.exe
[ -f "$exe" ] && [ -f "$contrast_exe" ] || bash scripts/build.sh

export VEXA_SCREEN=800x600
. scripts/wine-env.sh
vexa_env_start

# The colours of each theme: the taskbar (Wine fills it with the menu colour), the tooltips of
# its icons, and the button face of the taskbar's buttons and of every dialog, light in both.
light_colours=(Menu "240 240 240" MenuText "0 0 0" InfoWindow "255 255 255" InfoText "0 0 0"
  ButtonFace "240 240 240" ButtonText "0 0 0")
dark_colours=(Menu "32 32 32" MenuText "255 255 255" InfoWindow "43 43 43" InfoText "255 255 255"
  ButtonFace "240 240 240" ButtonText "0 0 0")
contrast_colours=(Menu "0 0 0" MenuText "255 255 255" InfoWindow "0 0 0" InfoText "255 255 255"
  ButtonFace "0 0 0" ButtonText "255 255 255" Window "0 0 0" WindowText "255 255 255"
  HotTrackingColor "255 255 0" GrayText "63 242 63" Highlight "26 235 255" HighlightText "0 0 0"
  ButtonShadow "255 255 255" ButtonHilight "255 255 255" ButtonDkShadow "255 255 255"
  ButtonLight "255 255 255" WindowFrame "255 255 255" ActiveTitle "0 0 0" TitleText "255 255 255"
  GradientActiveTitle "0 0 0" ActiveBorder "255 255 255" MenuHilight "26 235 255" MenuBar "0 0 0")

# One session: the scale (dots per inch), the taskbar's theme (light, dark, or contrast: a light
# theme under a black contrast theme), the suffix of the pictures' names, the language (a locale
# for LC_ALL; US English unless given) and the program (Vexa.exe unless given).
shoot() {
  local dpi=$1 theme=$2 suffix=$3 language=${4:-en_US.UTF-8} program=${5:-$exe} colours i
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
    /v SystemUsesLightTheme /t REG_DWORD /d "$([ "$theme" = dark ] && echo 0 || echo 1)" /f >/dev/null 2>&1
  case $theme in
    light) colours=("${light_colours[@]}") ;;
    dark) colours=("${dark_colours[@]}") ;;
    *) colours=("${contrast_colours[@]}") ;;
  esac
  for ((i = 0; i < ${#colours[@]}; i += 2)); do
    wine reg add 'HKCU\Control Panel\Colors' /v "${colours[i]}" /t REG_SZ /d "${colours[i + 1]}" /f >/dev/null 2>&1
  done
  # Wine's own visual style ignores the system colours; Windows draws a program's controls in
  # the contrast theme's colours, as Wine does without a style. (The session comes last.)
  if [ "$theme" = contrast ]; then
    wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' \
      /v ThemeActive /t REG_SZ /d 0 /f >/dev/null 2>&1
  fi
  # Wine reads the scale and the colours when the prefix's server starts.
  vexa_restart_server

  # The desktop named "shell" has a taskbar with a notification area in its lower right corner.
  LC_ALL=$language wine explorer /desktop=shell,800x600 "$program" >/dev/null 2>&1 &

  # Wait (at most a minute) for the settings window, which Vexa creates hidden at start.
  for _ in $(seq 600); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Vexa Settings"' && break
    sleep 0.1
  done
  sleep 2 # the icon is drawn once the tray has processed it

  # The first icon of the notification area, whose size and margins follow the scale.
  local icon_x=$((800 - 11 * dpi / 96)) icon_y=$((600 - 10 * dpi / 96))
  xdotool mousemove "$icon_x" "$icon_y"
  sleep 0.5
  import -window root "$out/tray-icon$suffix.png"
  convert "$out/tray-icon$suffix.png" -crop 260x60+540+540 +repage -scale 200% "$out/tray-icon$suffix.png"

  # A double click on the icon opens the settings window.
  local settings geometry
  # awk reads the whole list: ending early could stop xwininfo with SIGPIPE, which pipefail
  # turns into a failure of the assignment, and set -e into a silent end of the script.
  settings=$(xwininfo -root -tree | awk '/"Vexa Settings"/ && !found {print $1; found = 1}')
  for _ in 1 2 3; do
    xdotool click 1
    sleep 0.05
    xdotool click 1
    sleep 1.5
    xwininfo -id "$settings" | grep -q IsViewable && break
  done
  import -window root "$out/desktop$suffix.png"
  geometry=$(xwininfo -id "$settings" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Width/ {w=$NF} /Height/ {h=$NF} END {print w "x" h "+" x "+" y}')
  convert "$out/desktop$suffix.png" -crop "$geometry" +repage "$out/settings$suffix.png"

  # A right click opens the menu, above the icon; not on the dark taskbar (see the top).
  if [ "$theme" != dark ]; then
    xdotool mousemove "$icon_x" "$icon_y" click 3
    sleep 1
    import -window root "$out/tray-menu$suffix.png"
    convert "$out/tray-menu$suffix.png" -gravity SouthEast -crop "$((300 * dpi / 96))x$((240 * dpi / 96))+0+0" \
      +repage "$out/tray-menu$suffix.png"
    xdotool key Escape
  else
    rm -f "$out/tray-menu$suffix.png" # an earlier run's dark menu, no longer what a user sees
  fi

  # The session ends with everything of the prefix's (Vexa and the desktop).
  wineserver -k
  wineserver -w
}

shoot 96 light ""
shoot 144 light -150
shoot 96 dark -dark
shoot 96 light -de de_DE.UTF-8
shoot 96 light -ja ja_JP.UTF-8
shoot 96 light -he he_IL.UTF-8
shoot 96 contrast -high-contrast en_US.UTF-8 "$contrast_exe"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1

echo "Screenshots written to $out:"
ls -1 "$out"
