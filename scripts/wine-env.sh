# Sourced by the run and test scripts: a virtual X display and a throwaway Wine prefix that
# belong to this run alone. Call vexa_env_start; everything it started is stopped on exit.
#
#   VEXA_USE_DISPLAY=1   use the caller's $DISPLAY instead of starting Xvfb
#   VEXA_SCREEN=WxH      the size of the virtual screen (default 1024x768)
#   VEXA_KEEP_PREFIX=1   keep the prefix on exit (its path is printed)

vexa_started_xvfb=""
vexa_prefix=""

vexa_env_stop() {
  if [ -n "$vexa_prefix" ]; then
    WINEPREFIX="$vexa_prefix" wineserver -k 2>/dev/null || true
    WINEPREFIX="$vexa_prefix" wineserver -w 2>/dev/null || true
    if [ "${VEXA_KEEP_PREFIX:-0}" = 1 ]; then
      echo "Wine prefix kept in $vexa_prefix" >&2
    else
      rm -rf "$vexa_prefix"
    fi
    vexa_prefix=""
  fi
  if [ -n "$vexa_started_xvfb" ]; then
    kill "$vexa_started_xvfb" 2>/dev/null || true
    wait "$vexa_started_xvfb" 2>/dev/null || true
    vexa_started_xvfb=""
  fi
}

# Starts Xvfb on a display number of its own choosing (-displayfd: the server takes the first
# number no other server holds, atomically, so runs started side by side never share one) and
# waits until it answers.
vexa_start_xvfb() {
  local numberFile
  numberFile=$(mktemp /tmp/vexa-display.XXXXXX)
  Xvfb -displayfd 3 -screen 0 "${VEXA_SCREEN:-1024x768}x24" -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
  vexa_started_xvfb=$!
  local tries=0
  until [ -s "$numberFile" ] && DISPLAY=":$(cat "$numberFile")" xdpyinfo >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ $tries -gt 300 ] || ! kill -0 "$vexa_started_xvfb" 2>/dev/null; then
      echo "Xvfb did not start (display number: '$(cat "$numberFile")')" >&2
      rm -f "$numberFile"
      return 1
    fi
    sleep 0.1
  done
  export DISPLAY=":$(cat "$numberFile")"
  rm -f "$numberFile"
}

# Links Wine's own fonts (fonts-wine: its "MS Sans Serif", Tahoma, the caption buttons' Marlett
# and others) into the Fonts folder of the prefix given. Debian's Wine does not load them from
# /usr/share/wine/fonts by itself, and without them every one of those names comes out as
# DejaVu Sans, wider than the dialogs were laid out for. A file of the same name already in the
# folder (Windows' names are not case-sensitive) is left alone, so a user's own prefix can take
# this too.
vexa_link_wine_fonts() {
  local folder="$1/drive_c/windows/Fonts" font name
  [ -d /usr/share/wine/fonts ] && [ -d "$folder" ] || return 0
  local present
  present=$(ls -A "$folder" | tr '[:upper:]' '[:lower:]')
  for font in /usr/share/wine/fonts/*; do
    name=${font##*/}
    grep -qxF "$(tr '[:upper:]' '[:lower:]' <<<"$name")" <<<"$present" || ln -s "$font" "$folder/$name"
  done
}

# The Japanese, Chinese and Korean windows name the fonts Windows has for them ("MS UI Gothic",
# "SimSun", "PMingLiU", "Gulim"); Wine has none of them, and would draw their letters as boxes.
# WenQuanYi Micro Hei (fonts-wqy-microhei) has the glyphs of all three scripts, at about the
# same size, and stands in for them in the prefix given. The Hebrew window names Windows'
# "Microsoft Sans Serif", whose Hebrew letters Wine's own fonts lack: DejaVu Sans
# (fonts-dejavu-core) has them. (The Arabic window names Tahoma, which Wine has with Arabic.)
vexa_cjk_fonts() {
  local face
  for face in "MS UI Gothic" "SimSun" "PMingLiU" "Gulim"; do
    WINEPREFIX="$1" wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
      /v "$face" /t REG_SZ /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
  done
  WINEPREFIX="$1" wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v "Microsoft Sans Serif" /t REG_SZ /d "DejaVu Sans" /f >/dev/null 2>&1
}

# A fresh prefix with two CD-ROM drive letters, D: and E:, backed by empty folders.
vexa_make_prefix() {
  vexa_prefix=$(mktemp -d /tmp/vexa-wine.XXXXXX)
  export WINEPREFIX="$vexa_prefix"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
  wineboot -i >/dev/null 2>&1
  mkdir -p "$vexa_prefix/cdrom-d" "$vexa_prefix/cdrom-e"
  ln -sfn "$vexa_prefix/cdrom-d" "$vexa_prefix/dosdevices/d:"
  ln -sfn "$vexa_prefix/cdrom-e" "$vexa_prefix/dosdevices/e:"
  wine reg add 'HKLM\Software\Wine\Drives' /v 'd:' /t REG_SZ /d cdrom /f >/dev/null 2>&1
  wine reg add 'HKLM\Software\Wine\Drives' /v 'e:' /t REG_SZ /d cdrom /f >/dev/null 2>&1
  # On a display of our own there is no window manager: Wine then draws the windows' frames
  # itself, and hiding a window does not wait two seconds for a manager that never answers.
  if [ -n "$vexa_started_xvfb" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  fi
  vexa_link_wine_fonts "$vexa_prefix"
  vexa_cjk_fonts "$vexa_prefix"
  # Wine reads its drive types (and its list of fonts) when the prefix's server starts: restart
  # it, or D: and E: do not exist yet for the programs that follow.
  vexa_restart_server
}

# Restarts the server of $WINEPREFIX, which reads the prefix's drives, fonts and display scale
# when it starts, and keeps it running between the tests' many short processes.
vexa_restart_server() {
  wineserver -k
  wineserver -w
  wineserver -p
  # Bring the prefix's services up again here, with their output discarded: started by the
  # first test instead, they would hold on to that test's output and ctest would wait forever.
  wine reg query 'HKLM\Software\Wine\Drives' >/dev/null 2>&1 </dev/null
}

vexa_env_start() {
  trap vexa_env_stop EXIT
  trap 'exit 130' INT TERM
  if [ "${VEXA_USE_DISPLAY:-0}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
    vexa_start_xvfb
  fi
  vexa_make_prefix
}
