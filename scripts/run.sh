#!/usr/bin/env bash
# Installs what is missing, builds Vexa, and starts it.
# With a display (a Linux desktop), Vexa runs there under Wine until you choose Exit from its
# tray menu. Without one, it runs on a virtual display, and screenshots of its tray icon, open
# menu and settings window are saved in screenshots/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
if [ -n "${DISPLAY:-}" ] && [ "${CI:-}" != true ]; then
  echo "Starting build/x86_64/Vexa.exe under Wine on $DISPLAY."
  echo "Its icon is in the notification area: right-click it for the menu; Exit ends Vexa."
  # No .NET or HTML engine is needed: don't offer to install them into a new Wine prefix.
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  # Wine's own fonts, which the settings window is laid out for, linked into your prefix where
  # it has no font file of that name (see scripts/wine-env.sh); a new prefix is made first.
  prefix=${WINEPREFIX:-$HOME/.wine}
  [ -d "$prefix/drive_c/windows/Fonts" ] || wineboot -i >/dev/null 2>&1 || true
  . scripts/wine-env.sh
  vexa_link_wine_fonts "$prefix"
  exec wine build/x86_64/Vexa.exe
fi
echo "No display: running Vexa on a virtual display."
exec bash scripts/screenshots.sh screenshots
