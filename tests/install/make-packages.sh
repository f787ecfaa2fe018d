#!/usr/bin/env bash
# Makes the packages the installer tests use, with the project's own packaging script: those of
# this build into DIR/current, and a 64-bit package of an older version into DIR/older.
#   make-packages.sh DIR OLDER-VERSION
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bash "$root/scripts/package.sh" --out "$1/current"
bash "$root/scripts/package.sh" --version "$2" --arch x64 --out "$1/older"
