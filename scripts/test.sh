#!/usr/bin/env bash
# The test command: installs what is missing, builds both targets, checks the two executables
# (kind, size, DLLs), runs every test of the x86_64 build under Wine, on a virtual display, in a
# throwaway Wine prefix (among them the packages: made with scripts/package.sh, looked into, and
# the 64-bit MSI installed, upgraded and removed), and then takes the screenshots
# (build/screenshots/) to show that the program comes up for a user.
# Arguments go to ctest (for example -R SystemTray).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
bash scripts/check-exe.sh
(
  . scripts/wine-env.sh
  vexa_env_start
  ctest --test-dir build/x86_64 --output-on-failure "$@"
)
bash scripts/screenshots.sh build/screenshots
