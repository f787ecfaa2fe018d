#!/usr/bin/env bash
# The test command: installs what is missing, builds both targets, checks the two executables
# (kind, size, DLLs), runs every test of the x86_64 build under Wine, on a virtual display, in a
# throwaway Wine prefix (among them the packages: made with scripts/package.sh, looked into, and
# the 64-bit MSI installed, upgraded and removed), and then takes the screenshots
# (build/screenshots/) to show that the program comes up for a user. Last comes the real-drive
# test (scripts/realdrive-test.sh): Vexa.exe locking a drive that QEMU emulates, in a guest;
# and then the ReactOS test (scripts/reactos-test.sh): the 32-bit Vexa.exe on Windows' own CD-ROM
# class driver, where the ReactOS live CD image is at hand.
# Arguments go to ctest (for example -R SystemTray).
#
#   scripts/test.sh --stress   instead of the above run of ctest: two suites side by side, each
#                              on its own display and prefix, each running the three GoogleTest
#                              programs with --gtest_shuffle --gtest_repeat=2 (test order and
#                              state left behind must not matter); their output goes to
#                              build/stress/
set -euo pipefail
cd "$(dirname "$0")/.."
stress=0
if [ "${1:-}" = --stress ]; then
  stress=1
  shift
fi
bash scripts/install-deps.sh
bash scripts/build.sh
bash scripts/check-exe.sh

if [ $stress = 0 ]; then
  (
    . scripts/wine-env.sh
    vexa_env_start
    ctest --test-dir build/x86_64 --output-on-failure "$@"
  )
  bash scripts/screenshots.sh build/screenshots
  # A run narrowed to some tests (arguments for ctest) leaves the guests out.
  if [ $# -eq 0 ]; then
    bash scripts/realdrive-test.sh
    bash scripts/reactos-test.sh
  fi
  exit 0
fi

# One suite: every test program once, in a shuffled order, twice over, in an environment of its
# own. The packages the installer tests use are made once, before both suites start.
stress_suite() {
  . scripts/wine-env.sh
  vexa_env_start
  cd build/x86_64
  local program
  for program in vexa_tests vexa_e2e_tests vexa_install_tests; do
    echo "== $program"
    wine "$program.exe" --gtest_shuffle --gtest_repeat=2 || return 1
  done
}
mkdir -p build/stress
(
  . scripts/wine-env.sh
  vexa_env_start
  ctest --test-dir build/x86_64 --output-on-failure -R '^Packages\.Build$'
)
(stress_suite >build/stress/first.log 2>&1) &
first=$!
(stress_suite >build/stress/second.log 2>&1) &
second=$!
failed=0
wait $first || { echo "The first suite failed: see build/stress/first.log" >&2; failed=1; }
wait $second || { echo "The second suite failed: see build/stress/second.log" >&2; failed=1; }
grep -h -E '^\[  (PASSED|FAILED) +\]' build/stress/first.log build/stress/second.log | sort | uniq -c
exit $failed
