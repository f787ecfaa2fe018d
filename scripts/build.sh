#!/usr/bin/env bash
# Builds Vexa for both targets: build/i686/Vexa.exe (32-bit) and build/x86_64/Vexa.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
for preset in i686 x86_64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
