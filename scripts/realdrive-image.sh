#!/usr/bin/env bash
# Builds, once per machine, the guest system of the real-drive test (scripts/realdrive-test.sh):
# Debian bookworm with Wine, a virtual X server, udev, udisks and a kernel, a Wine prefix in which
# D: is the CD-ROM /dev/sr0, and a tiny init of its own. It is cached outside the clone, in
# $VEXA_REALDRIVE_CACHE (default /var/cache/vexa-realdrive), in a folder named after the guest's
# version; a second run finds it there. The build goes to a temporary folder that is renamed
# only when complete, so a build that is killed leaves no half guest behind.
# Prints the folder of the guest: rootfs.img (ext4), vmlinuz, initrd.img.
set -euo pipefail
cd "$(dirname "$0")/.."

# Raise whenever what goes into the guest changes: a new number builds a new guest.
guest_version=2
cache=${VEXA_REALDRIVE_CACHE:-/var/cache/vexa-realdrive}
target=$cache/$guest_version
if [ -s "$target/rootfs.img" ]; then
  echo "$target"
  exit 0
fi

# The Debian archive this machine's apt uses for bookworm (one-line or deb822 sources).
archive() {
  local file
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    awk '$1 == "deb" { i = 2; if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
                       if ($(i + 1) == "bookworm") { print $i; exit } }' "$file"
  done
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    awk 'BEGIN { RS = ""; FS = "\n" }
         { uri = ""; suite = 0
           for (n = 1; n <= NF; n++) {
             if ($n ~ /^URIs:/) { split($n, f, " "); uri = f[2] }
             if ($n ~ /^Suites:/ && $n ~ /[ \t]bookworm([ \t]|$)/) suite = 1 }
           if (uri != "" && suite) print uri }' "$file"
  done
}
mirror=$(archive | head -n 1)
mirror=${mirror:-http://deb.debian.org/debian}

mkdir -p "$cache"
work=$(mktemp -d "$cache/.build.XXXXXX")
root=$work/root
mounted=()
cleanup() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    umount -l "${mounted[$i]}" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "Building the real-drive guest $guest_version from $mirror (once per machine)" >&2
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 || {
  tail -n 20 "$work/debootstrap.log" >&2
  echo "debootstrap failed" >&2
  exit 1
}
mount -t proc proc "$root/proc" && mounted+=("$root/proc")
mount --bind /dev "$root/dev" && mounted+=("$root/dev")
in_guest() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }

in_guest apt-get update -qq
DEBIAN_FRONTEND=noninteractive in_guest apt-get install -y -qq --no-install-recommends \
  wine wine64 xvfb linux-image-amd64 kmod dbus udev udisks2 >"$work/apt.log" 2>&1 || {
  tail -n 20 "$work/apt.log" >&2
  echo "apt-get in the guest failed" >&2
  exit 1
}
in_guest apt-get clean
rm -rf "$root/var/lib/apt/lists/"*

# udev's CD-ROM rule without its two actions of its own on the tray: the stock rule locks every
# CD-ROM when it appears (--lock-media) and unlocks and ejects it when the drive passes on an
# eject request; either would decide the test instead of Vexa. The drive stays marked as
# optical, with cdrom_id's properties, which udisks and through it Wine need.
cat >"$root/etc/udev/rules.d/60-cdrom_id.rules" <<'EOF'
ACTION=="remove", GOTO="cdrom_end"
SUBSYSTEM!="block", GOTO="cdrom_end"
KERNEL!="sr[0-9]*|vdisk*|xvd*", GOTO="cdrom_end"
ENV{DEVTYPE}!="disk", GOTO="cdrom_end"
KERNEL=="sr[0-9]*", ENV{ID_CDROM}="1"
IMPORT{program}="cdrom_id $devnode"
LABEL="cdrom_end"
EOF

# The Wine prefix: D: is the CD-ROM, by its device (d::) and by a folder of its own (d:).
in_wine() {
  in_guest WINEPREFIX=/root/.wine WINEDEBUG=-all \
    WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe= "$@" >>"$work/wine.log" 2>&1
}
in_wine wineboot -i
in_wine wine reg add 'HKLM\Software\Wine\Drives' /v d: /t REG_SZ /d cdrom /f
# On a display of its own there is no window manager: Wine draws the frames itself.
in_wine wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
in_wine wineserver -w
mkdir -p "$root/media/cdrom" "$root/share"
ln -sfn /media/cdrom "$root/root/.wine/dosdevices/d:"
ln -sfn /dev/sr0 "$root/root/.wine/dosdevices/d::"

# The guest's init: the file systems the programs need, the shared folder, and then the run's
# own script from there (scripts/realdrive-guest.sh); the machine powers off when it ends.
cat >"$root/vexa-init" <<'EOF'
#!/bin/sh
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
# The kernel's initial RAM disk hands over /dev and /sys already mounted.
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sys /sys
mountpoint -q /dev || mount -t devtmpfs dev /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /run
mount -t tmpfs tmpfs /tmp
modprobe -a 9pnet_virtio 9p
if mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 share /share; then
  sh /share/guest.sh >/share/guest.log 2>&1
else
  echo "vexa-init: the shared folder could not be mounted" >/dev/console
fi
echo 1 >/proc/sys/kernel/sysrq
echo o >/proc/sysrq-trigger
sleep 60
EOF
chmod +x "$root/vexa-init"

for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount "${mounted[$i]}"; done
mounted=()
cp "$root"/boot/vmlinuz-* "$work/vmlinuz"
cp "$root"/boot/initrd.img-* "$work/initrd.img"
size_mb=$(( $(du -sm "$root" | cut -f1) * 5 / 4 + 256 ))
mkfs.ext4 -q -F -L vexa-guest -d "$root" "$work/rootfs.img" "${size_mb}M" >/dev/null
rm -rf "$root"
rm -f "$work"/*.log
chmod 755 "$work"
# A run beside this one may have finished the same guest first: then that one is used.
mv -T "$work" "$target" 2>/dev/null || [ -s "$target/rootfs.img" ]
# Guests of other versions are no longer wanted (a guest running from one keeps its open file).
for old in "$cache"/*; do
  [[ "$old" != "$target" && "$(basename "$old")" =~ ^[0-9]+$ ]] && rm -rf "$old"
done
echo "$target"
