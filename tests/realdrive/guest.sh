#!/bin/sh
# Runs inside the real-drive guest, started by its init from the shared folder (/share): brings
# up what a desktop has for drives (the kernel's drivers, udev, udisks on D-Bus), a virtual
# display, and then the steps program under Wine. Its exit code goes to /share/steps.rc; the
# host reads each phase's progress from /share/guest.log.
set -u
phase() { echo "== $*"; }
# Waits, at most about two minutes, for a condition (a shell command) to hold.
wait_for() {
  what=$1
  shift
  tries=0
  until "$@" >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ $tries -gt 1200 ]; then
      echo "waited 2 minutes for $what, and it did not happen"
      echo 1 >/share/steps.rc
      exit 1
    fi
    sleep 0.1
  done
}

phase "drivers"
modprobe -a ata_piix sr_mod sg xhci_pci xhci_hcd usb_storage uas
wait_for "the CD-ROM /dev/sr0" test -b /dev/sr0
# Linux locks the door itself while the device is open unless told not to, and would unlock it
# on the last close: only the requests Vexa sends may move the lock.
echo 0 >/proc/sys/dev/cdrom/lock

phase "udev and udisks"
mkdir -p /run/dbus
dbus-daemon --system --fork
/lib/systemd/systemd-udevd --daemon
udevadm trigger --type=subsystems --action=add
udevadm trigger --type=devices --action=add
udevadm settle
/usr/libexec/udisks2/udisksd --no-debug >/tmp/udisksd.log 2>&1 &
# A call to udisks before it owns its name would start a second one.
wait_for "udisks on the system bus" sh -c 'dbus-send --system --print-reply --dest=org.freedesktop.DBus \
  /org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:org.freedesktop.UDisks2 | grep -q true'

phase "display"
Xvfb :0 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
wait_for "the virtual display" test -S /tmp/.X11-unix/X0

phase "steps"
export DISPLAY=:0 WINEPREFIX=/root/.wine WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
cd /share
wine /share/vexa_realdrive_steps.exe
echo $? >/share/steps.rc
wineserver -k
