#!/usr/bin/env bash
# Builds, once per machine, the guest system of the real-drive test (scripts/realdrive-test.sh):
# Debian bookworm with Wine (64- and 32-bit), a virtual X server, udev, udisks and a kernel, a
# Wine prefix in which D: is the CD-ROM /dev/sr0, and a tiny init of its own. It is cached outside the clone, in
# $VEXA_REALDRIVE_CACHE (default /var/cache/vexa-realdrive), in a folder named after the guest's
# version; a second run finds it there. The build goes to a temporary folder that is renamed
# only when complete, so a build that is killed leaves no half guest behind.
# Prints the folder of the guest: rootfs.img (ext4), vmlinuz, initrd.img.
#
# The guest comes from the Debian archive this machine's apt uses for bookworm, or from another:
#   VEXA_REALDRIVE_ARCHIVE=URI   the archive to build the guest from, instead of apt's
#   VEXA_APT_DIR=DIR             apt's configuration folder to read it from (default /etc/apt)
#   --print-archive              print the archive the guest would come from, and stop
set -euo pipefail
cd "$(dirname "$0")/.."
print_archive=0
case ${1:-} in
  --print-archive) print_archive=1 ;;
  "") ;;
  *) echo "usage: $0 [--print-archive]" >&2; exit 2 ;;
esac

# Raise whenever what goes into the guest changes: a new number builds a new guest.
guest_version=6
cache=${VEXA_REALDRIVE_CACHE:-/var/cache/vexa-realdrive}
target=$cache/$guest_version
# A cached guest needs no archive.
if [ "$print_archive" = 0 ] && [ -s "$target/rootfs.img" ]; then
  echo "$target"
  exit 0
fi

# apt's source files, in the order apt reads them: sources.list, then sources.list.d by name.
apt_dir=${VEXA_APT_DIR:-/etc/apt}
sources=()
for file in "$apt_dir/sources.list" "$apt_dir"/sources.list.d/*; do
  case $file in
    *.list | *.sources) [ -f "$file" ] && sources+=("$file") ;;
  esac
done

# A one-line entry: "deb [ options ] URI SUITE COMPONENT..." ("#" lines are comments).
one_line='$1 == "deb" { i = 2; if ($i ~ /^\[/) { while (i < NF && $i !~ /\]$/) i++; i++ }
                if ($(i + 1) == "bookworm") { print $i; exit } }'
# A deb822 stanza: fields up to a blank line, names in any case, values split by white space
# over continuation lines, "#" lines left out; it counts when its Types hold deb, its Suites
# bookworm, and it is not disabled. Its first URI is taken.
deb822='function stanza_end() {
    if (!found && f["types"] ~ / deb / && f["suites"] ~ / bookworm / && f["uris"] != "" &&
        f["enabled"] !~ /^ *(no|false|off|without|disable|0) *$/) {
      split(f["uris"], uri, " "); print uri[1]; found = 1 }
    delete f; name = "" }
  /^#/ { next }
  { gsub(/\t/, " ") }
  /^ *$/ { stanza_end(); next }
  /^ / { if (name != "") f[name] = f[name] $0 " "; next }
  { name = tolower(substr($0, 1, index($0, ":") - 1))
    f[name] = " " substr($0, length(name) + 2) " " }
  END { stanza_end() }'
apt_archive() {
  local file found
  for file in ${sources[@]+"${sources[@]}"}; do
    case $file in
      *.sources) found=$(awk "$deb822" "$file") ;;
      *) found=$(awk "$one_line" "$file") ;;
    esac
    if [ -n "$found" ]; then echo "$found"; return; fi
  done
}

# The archive is the user's or apt's; without one, nothing is made.
mirror=${VEXA_REALDRIVE_ARCHIVE:-$(apt_archive)}
if [ -z "$mirror" ]; then
  {
    none="none ($apt_dir/sources.list and $apt_dir/sources.list.d/*.list, *.sources)"
    echo "No Debian archive to build the real-drive guest from: apt's sources name no \"deb\""
    echo "entry for bookworm. Files read: ${sources[*]:-$none}."
    echo "Set VEXA_REALDRIVE_ARCHIVE to the address of a Debian archive that holds bookworm;"
    echo "README.md and docs/testing.md (\"The real-drive test\") say so."
  } >&2
  exit 1
fi
if [ "$print_archive" = 1 ]; then
  echo "$mirror"
  exit 0
fi

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

# The i386 architecture for 32-bit Wine (wine32), which runs the 32-bit Vexa.exe: it must be
# there before the prefix is made, so that the prefix gets its 32-bit system folder (syswow64).
in_guest dpkg --add-architecture i386
in_guest apt-get update -qq
DEBIAN_FRONTEND=noninteractive in_guest apt-get install -y -qq --no-install-recommends \
  wine wine64 wine32:i386 xvfb linux-image-amd64 kmod dbus udev udisks2 >"$work/apt.log" 2>&1 || {
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

# The Wine prefix: D: is the CD-ROM, by its device (d::) and by a folder of its own (d:). It is
# made in the guest itself, at one boot of its own (below): with 32-bit Wine installed, Wine starts
# through its 32-bit loader, which this machine's kernel may not run; the guest's kernel does.
mkdir -p "$root/media/cdrom" "$root/share"
# The file systems the programs need, for both of the guest's own inits (the kernel's initial
# RAM disk hands over /dev and /sys already mounted).
cat >"$root/vexa-mounts" <<'EOF'
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sys /sys
mountpoint -q /dev || mount -t devtmpfs dev /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /run
mount -t tmpfs tmpfs /tmp
EOF
cat >"$root/vexa-prefix" <<'EOF'
#!/bin/sh
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root WINEPREFIX=/root/.wine WINEDEBUG=-all
export WINEDLLOVERRIDES=mscoree,mshtml,winemenubuilder.exe=
. /vexa-mounts
{
  wineboot -i
  # Debian's wine runs the 32-bit reg.exe, whose HKLM\Software is the 32-bit view: the
  # 64-bit one is where Wine's mount manager reads the drives' kinds.
  wine reg add 'HKLM\Software\Wine\Drives' /v d: /t REG_SZ /d cdrom /f /reg:64
  # On a display of its own there is no window manager: Wine draws the frames itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
  wineserver -w
} >/dev/console 2>&1
ln -sfn /media/cdrom /root/.wine/dosdevices/d:
ln -sfn /dev/sr0 /root/.wine/dosdevices/d::
# Both halves of Wine are in the prefix, whole: its 64-bit and its 32-bit system folder each hold
# the libraries every program needs (a prefix made on a full disk lacked most of them).
ready=1
for dll in kernel32 msvcrt advapi32 user32 gdi32 shell32; do
  for folder in system32 syswow64; do
    [ -s /root/.wine/drive_c/windows/$folder/$dll.dll ] || ready=0
  done
done
# D:'s kind where the mount manager reads it.
grep -qx '\[Software\\\\Wine\\\\Drives\] [0-9]*' /root/.wine/system.reg || ready=0
[ $ready = 1 ] && echo "vexa-prefix: the prefix is ready" >/dev/console
sync
mount -o remount,ro /
echo 1 >/proc/sys/kernel/sysrq
echo o >/proc/sysrq-trigger
sleep 60
EOF
chmod +x "$root/vexa-prefix"

# The guest's init: the file systems, the shared folder, and then the run's own script from
# there (tests/realdrive/guest.sh); the machine powers off when it ends.
cat >"$root/vexa-init" <<'EOF'
#!/bin/sh
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root
. /vexa-mounts
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
# The Wine prefix, made later in the guest, needs about 1 GB of its own, both halves of Wine.
size_mb=$(( $(du -sm "$root" | cut -f1) * 5 / 4 + 2560 ))
mkfs.ext4 -q -F -L vexa-guest -d "$root" "$work/rootfs.img" "${size_mb}M" >/dev/null
rm -rf "$root"

# The boot that makes the Wine prefix, bounded: an emulated processor on a busy machine.
echo "Making the guest's Wine prefix in the guest (a few minutes)" >&2
timeout 1800 qemu-system-x86_64 -machine pc,accel=tcg -cpu max,smap=off -smp 2 -m 1536 \
  -nodefaults -display none -no-reboot -serial "file:$work/prefix.log" \
  -kernel "$work/vmlinuz" -initrd "$work/initrd.img" \
  -append "root=/dev/vda rw init=/vexa-prefix console=ttyS0 panic=-1 quiet" \
  -drive "file=$work/rootfs.img,if=virtio,format=raw" </dev/null >/dev/null 2>&1 || true
if ! grep -q "vexa-prefix: the prefix is ready" "$work/prefix.log"; then
  tail -n 20 "$work/prefix.log" >&2
  echo "the guest did not make its Wine prefix" >&2
  exit 1
fi
rm -f "$work"/*.log
chmod 755 "$work"
# A run beside this one may have finished the same guest first: then that one is used.
mv -T "$work" "$target" 2>/dev/null || [ -s "$target/rootfs.img" ]
# Guests of other versions are no longer wanted (a guest running from one keeps its open file).
for old in "$cache"/*; do
  [[ "$old" != "$target" && "$(basename "$old")" =~ ^[0-9]+$ ]] && rm -rf "$old"
done
echo "$target"
