#!/usr/bin/env bash
# Installs, non-interactively, the Debian packages Vexa needs to build, run and test:
# the MinGW-w64 cross compilers, CMake and Ninja, Wine with its own fonts (fonts-wine, a
# recommendation of wine's that --no-install-recommends leaves out), a font with Japanese,
# Chinese and Korean glyphs (fonts-wqy-microhei) and one with Hebrew (fonts-dejavu-core), a
# virtual X server with the
# tools the tests use to look at it, ImageMagick for the icons and screenshots, GoogleTest's
# sources, and the packaging tools: msitools and wixl for the MSIs (run at the build's time by
# faketime), zip, osslsigncode and openssl for signing, and jq to read back the Scoop manifest.
# Packages already present are left alone; nothing is installed when nothing is missing.
#
#   install-deps.sh realdrive   also what the real-drive test needs on the host: QEMU, the
#                               tools that build its guest and discs, and Python for its judge
set -euo pipefail

packages=(
  cmake ninja-build
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  python3
  wine wine64 fonts-wine fonts-wqy-microhei fonts-dejavu-core
  xvfb xdotool x11-utils
  imagemagick
  googletest
  msitools wixl zip faketime
  osslsigncode openssl jq
)
if [ "${1:-}" = realdrive ]; then
  packages+=(qemu-system-x86 qemu-utils debootstrap e2fsprogs xorriso)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
