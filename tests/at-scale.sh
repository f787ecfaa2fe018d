#!/usr/bin/env bash
# Runs a test program under Wine at a display scale: sets the scale of the run's Wine prefix
# (HKCU\Control Panel\Desktop LogPixels, in dots per inch), restarts the prefix's server so that
# the display takes it, runs the program with the scale in VEXA_SCALE_DPI (the tests compare it
# with what the display reports), and puts 96 back afterwards, whatever happened.
#
#   tests/at-scale.sh DPI PROGRAM [ARGUMENTS...]
#
# ctest runs it with the lock every test of the prefix holds, so nothing else runs meanwhile.
set -uo pipefail
dpi=$1
shift
here=$(cd "$(dirname "$0")" && pwd)

. "$here/../scripts/wine-env.sh"

# Sets the scale and brings the prefix's server back as the run's environment started it. Nothing
# started here may hold on to the output ctest reads, or ctest waits for it forever: all of it
# goes to /dev/null.
set_scale() {
  {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f
    vexa_restart_server
  } </dev/null >/dev/null 2>&1
}

trap 'set_scale 96' EXIT
set_scale "$dpi"
VEXA_SCALE_DPI=$dpi bash "$here/../scripts/wine-run.sh" "$@"
