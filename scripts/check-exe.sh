#!/usr/bin/env bash
# Checks what the two built Vexa.exe files promise: a Windows GUI program of the right kind (PE32
# for i686, PE32+ for x86_64), terminal-server aware, naming 6.1 (Windows 7) as the oldest Windows,
# at most 320 KiB, needing no DLL but Windows' own, and loading the window, drawing, common-control
# and shell libraries at their first call, with every delay-load slot leading to its loader in the
# file (delay-imports.py names a function whose slot holds 0 or points elsewhere: its first call
# would crash); and, with the installer's custom actions, calling by name no function newer than the
# oldest Windows Vexa supports (newer-imports.py reads the functions and that floor from
# newer-functions.txt: such a function is looked up at run time).
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
windows_dlls='^(kernel32|user32|gdi32|advapi32|shell32|comctl32|msvcrt)\.dll$'
delay_loaded='user32.dll gdi32.dll comctl32.dll shell32.dll'
floor=$(awk '$1 == "floor" { $1 = $2 = ""; sub(/^ +/, ""); print }' scripts/newer-functions.txt)
for arch in i686 x86_64; do
  exe=build/$arch/Vexa.exe
  headers=$("$arch-w64-mingw32-objdump" -p "$exe")
  magic=$([ "$arch" = i686 ] && echo '(PE32)' || echo '(PE32+)')
  size=$(stat -c %s "$exe")
  problems=()
  grep -qF "$magic" <<<"$headers" || problems+=("not $magic")
  grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || problems+=("not a GUI program")
  grep -qw 'TERMINAL_SERVICE_AWARE' <<<"$headers" || problems+=("not terminal-server aware")
  [ "$(awk '/^M(ajor|inor)OSystemVersion/ {printf "%s.", $2}' <<<"$headers")" = 6.1. ] ||
    problems+=("its header does not name Windows 7 (6.1) as the oldest Windows")
  # 320 KiB with the nineteen languages (their dialogs, menus and texts take about 80 KB, in
  # UTF-16), the screen readers' link object and the lock service: 316,928 bytes for the 32-bit
  # file, 287,744 for the 64-bit one.
  [ "$size" -le 327680 ] || problems+=("$size bytes, over 320 KiB")
  while read -r dll; do
    grep -qiE "$windows_dlls" <<<"$dll" || problems+=("needs $dll")
  done < <(awk '/DLL Name:/ {print $3}' <<<"$headers")
  delay_problems=$(python3 scripts/delay-imports.py "$exe" $delay_loaded 2>&1 >/dev/null) ||
    problems+=("$(echo; echo "$delay_problems")")
  newer_problems=$(python3 scripts/newer-imports.py scripts/newer-functions.txt "$exe" \
    "build/$arch/VexaSetupActions.dll" 2>&1) ||
    problems+=("$(echo; echo "$newer_problems")")
  if [ ${#problems[@]} -eq 0 ]; then
    echo "$exe: $magic, Windows GUI, terminal-server aware, $size bytes, Windows DLLs only," \
      "every delay-load slot leads to its loader, nothing newer than $floor called by name"
  else
    echo "$exe: ${problems[*]}" >&2
    status=1
  fi
done
exit $status
