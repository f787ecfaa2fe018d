#!/usr/bin/env bash
# The ReactOS test: the 32-bit Vexa.exe on Windows' own CD-ROM class driver. ReactOS, booted from
# its live CD under QEMU (i386, no KVM), runs Vexa from a data disc in a second CD-ROM drive, and
# QEMU itself says after each step whether the driver locked that drive (tests/reactos/).
#
# The live CD image comes from VEXA_REACTOS_ISO (an .iso, or an .iso.xz), else from
# ../shared/reactos/reactos-livecd.iso.xz beside the clone when that exists; nothing is
# downloaded. Without either the test is skipped. An .xz image is unpacked once into
# $VEXA_REACTOS_CACHE (default /var/cache/vexa-reactos), named after its checksum.
# docs/testing.md says how to build the image from ReactOS's source.
#
#   VEXA_KEEP_REACTOS=1   keep the run's folder (logs, disc, screen) and print its path
set -euo pipefail
cd "$(dirname "$0")/.."
image=${VEXA_REACTOS_ISO:-}
if [ -z "$image" ] && [ -f ../shared/reactos/reactos-livecd.iso.xz ]; then
  image=$(realpath ../shared/reactos/reactos-livecd.iso.xz)
fi
if [ -z "$image" ]; then
  echo "reactos: skipped: no ReactOS live CD image; set VEXA_REACTOS_ISO to one (see docs/testing.md)"
  exit 0
fi
[ -f "$image" ] || { echo "reactos: VEXA_REACTOS_ISO names no file: $image" >&2; exit 1; }

bash scripts/install-deps.sh realdrive
bash scripts/build.sh >/dev/null
if [[ "$image" == *.xz ]]; then
  cache=${VEXA_REACTOS_CACHE:-/var/cache/vexa-reactos}
  iso=$cache/$(sha256sum "$image" | cut -c1-16).iso
  if [ ! -f "$iso" ]; then
    mkdir -p "$cache"
    xz -dc "$image" >"$iso.part"
    mv "$iso.part" "$iso"
  fi
else
  iso=$image
fi
python3 tests/reactos/judge.py "$iso" build/i686
