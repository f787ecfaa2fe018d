#!/usr/bin/env bash
# The real-drive test: each built Vexa.exe (32- and 64-bit), under Wine inside a Debian guest that
# QEMU emulates, locks and unlocks a CD-ROM drive of QEMU's and a USB CD-ROM plugged in while it
# runs, and QEMU itself says whether the drive is locked and refuses an eject (tests/realdrive/).
# Installs what is missing, builds both targets when needed, builds the guest once per machine
# (scripts/realdrive-image.sh, cached outside the clone) and runs the steps in it, once per build.
#
#   VEXA_KEEP_REALDRIVE=1   keep the run's folder (shared folder, logs) and print its path
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh realdrive
bash scripts/build.sh >/dev/null
guest=$(bash scripts/realdrive-image.sh)
# Both builds, each in a guest of its own: the 32-bit one under the guest's 32-bit Wine.
python3 tests/realdrive/judge.py "$guest" build/i686 build/x86_64
