#!/bin/sh
# Runs inside the real-drive guest, started by its init from the shared folder (/share): brings
# up what a desktop has for drives (the kernel's drivers, udev, udisks on D-Bus), a virtual
# display, and then the steps program under Wine. Its exit code goes to /share/steps.rc; the
# host reads each phase's progress from /share/guest.log.
set -u
phase() { echo "== $*"; }
# The exit code for the host, written whole before the host can see the file: the host reads it
# as soon as the name appears in the shared folder.
result() {
  echo "$1" >/share/steps.rc.tmp
  mv /share/steps.rc.tmp /share/steps.rc
}
# Waits, at most about two minutes, for a condition (a shell command) to hold.
wait_for() {
  what=$1
  shift
  tries=0
  until "$@" >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ $tries -gt 1200 ]; then
      echo "waited 2 minutes for $what, and it did not happen"
      result 1
      exit 1
    fi
    sleep 0.1
  done
}

phase "drivers"
modprobe -a ata_piix sr_mod sg xhci_pci xhci_hcd usb_storage uas
wait_for "the CD-ROM /dev/sr0" test -b /dev/sr0
# Unless told not to, Linux locks the door itself whenever a program opens the drive: then any
# program that looks at it (udisks, Wine) would lock it, and Vexa's unlock would not show.
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
udisks_owned() {
  dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.UDisks2 | grep -q true
}
wait_for "udisks on the system bus" udisks_owned

phase "display"
Xvfb :0 -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
wait_for "the virtual display" test -S /tmp/.X11-unix/X0

# The build the host gave (i686: the 32-bit Vexa.exe and steps program, run by 32-bit Wine).
phase "steps of the $(cat /share/build) build"
# Wine runs the programs from a local folder: it cannot map a program's sections from the
# shared folder. The steps program finds the host's answers in steps/ beside it.
mkdir -p /tmp/run
cp /share/Vexa.exe /share/vexa_realdrive_steps.exe /tmp/run/
ln -s /share/steps /tmp/run/steps
export DISPLAY=:0 WINEPREFIX=/root/.wine WINEDEBUG=-all
# No debugger on a crash: it would wait for a user; the crash ends the program and fails the run.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe,winedbg.exe="
cd /tmp/run
# Wine's own fonts, from the host, as the other tests' prefixes have them: without them every
# font name comes out as a wider one, and a balloon's text runs past its edge in the picture.
[ -d /share/fonts ] && cp /share/fonts/* /root/.wine/drive_c/windows/Fonts/
# Wine's services start first and stay: with udisks running, Wine's mount manager drops D: and
# adds it again, from udisks, without its folder (the d: link goes, d:: stays). A Vexa started
# before that would see D: arrive after its start and take it as a new drive.
wineserver -p
wine reg query 'HKLM\Software\Wine\Drives' >/dev/null 2>&1
wait_for "Wine's mount manager to take D: from udisks" sh -c '! test -L /root/.wine/dosdevices/d:'
wine /tmp/run/vexa_realdrive_steps.exe
code=$?
# For the log of a failed run: the drives as Wine and Linux had them at the end.
phase "drives at the end"
ls -l /root/.wine/dosdevices/
grep -E 'drive name|Can lock' /proc/sys/dev/cdrom/info
result $code
wineserver -k
