#!/usr/bin/env python3
"""The host's half of the ReactOS test (scripts/reactos-test.sh).

Boots the ReactOS live CD under QEMU (i386, no KVM) with a second IDE CD-ROM holding a data disc:
the 32-bit Vexa.exe, the steps program (tests/reactos/ReactOSSteps.cpp) and GUEST.CMD, which the
live CD runs at logon. The steps program reports each step on COM2 and waits; the judge asks QEMU
whether the data drive is locked and whether a non-forced eject is refused, and answers on COM2.
COM1 carries ReactOS's debug log: an unhandled exception there fails the run, and the debugger's
prompt (a crash of the system) ends it at once.

    judge.py LIVECD_ISO BUILD_DIR   BUILD_DIR holding the i686 Vexa.exe and vexa_reactos_steps.exe

Every wait is bounded and, when it runs out, says what did not happen.
"""
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "realdrive"))
from judge import Drives, Failure, Monitor, stop_qemu, tail, wait_until  # noqa: E402

# Guards against a hang, not measures of speed: the boot to the desktop takes about a minute on
# an emulated processor, more on a busy machine.
BOOT_GUARD = 900
STEP_GUARD = 400
DATA = "cddata"  # the data disc's drive, as QEMU names it
GUEST_CMD = os.path.join(os.path.dirname(os.path.abspath(__file__)), "GUEST.CMD")


def locked(drives):
    drives.expect(DATA, True)
    drives.eject_refused(DATA)


def unlocked(drives):
    drives.expect(DATA, False)


def picture(drives, work, build):
    """The screen with the menu open, cut to the notification area's corner."""
    drives.expect(DATA, True)
    screen = os.path.join(work, "screen.ppm")
    drives.monitor.check("screendump", filename=screen)
    wait_until(lambda: os.path.exists(screen) and os.path.getsize(screen) > 0, 60,
               "QEMU's screen dump")
    folder = os.path.join(os.path.dirname(build), "screenshots")
    os.makedirs(folder, exist_ok=True)
    subprocess.run(["convert", screen, "-gravity", "SouthEast", "-crop", "320x200+0+0",
                    "+repage", os.path.join(folder, "reactos-tray.png")], check=True)


def opened(drives):
    drives.expect(DATA, False)
    drives.eject_accepted(DATA)


def steps(drives, work, build):
    """Each step the guest reports, in order, with what the host checks then."""
    return [
        ("remembered-start", lambda: locked(drives)),
        ("menu", lambda: picture(drives, work, build)),
        ("status", lambda: locked(drives)),
        ("lock-alone", lambda: locked(drives)),
        ("lock-twice-unlock-once", lambda: unlocked(drives)),
        # Where a start takes a remembered lock again without giving back the one the driver
        # counts already, this one unlock leaves the drive locked.
        ("restart-then-unlock", lambda: unlocked(drives)),
        ("lock-all-twice-unlock-all", lambda: unlocked(drives)),
        ("lock-then-exit", lambda: locked(drives)),
        ("restart-unlock", lambda: opened(drives)),
    ]


def make_disc(work, build):
    content = os.path.join(work, "disc")
    os.makedirs(content)
    for name in ("Vexa.exe", "vexa_reactos_steps.exe"):
        shutil.copy(os.path.join(build, name), content)
    shutil.copy(GUEST_CMD, os.path.join(content, "GUEST.CMD"))
    disc = os.path.join(work, "data.iso")
    subprocess.run(["xorriso", "-as", "mkisofs", "-quiet", "-J", "-r", "-V", "VEXA_DATA",
                    "-o", disc, content], check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return disc


def start_qemu(iso, work, disc):
    command = [
        "qemu-system-i386", "-machine", "pc,accel=tcg", "-m", "768", "-smp", "1",
        "-display", "none", "-vga", "std", "-nic", "none", "-no-reboot", "-rtc", "base=utc",
        "-drive", f"if=none,id=livecd,media=cdrom,readonly=on,format=raw,file={iso}",
        "-device", "ide-cd,drive=livecd,bus=ide.0,unit=0,bootindex=0",
        "-drive", f"if=none,id=data,media=cdrom,readonly=on,format=raw,file={disc}",
        "-device", f"ide-cd,drive=data,bus=ide.1,unit=0,id={DATA}",
        "-chardev", f"file,id=com1,path={os.path.join(work, 'com1.log')}",
        "-serial", "chardev:com1",
        "-chardev", f"socket,id=com2,path={os.path.join(work, 'com2.sock')},server=on,wait=off",
        "-serial", "chardev:com2",
        "-qmp", f"unix:{os.path.join(work, 'qmp.sock')},server=on,wait=off",
    ]
    return subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=open(os.path.join(work, "qemu.log"), "w"))


class GuestLine:
    """COM2: the steps program's output, its step markers, and the host's answers."""

    def __init__(self, path, qemu, debug_log):
        wait_until(lambda: os.path.exists(path) or qemu.poll() is not None, 120,
                   "QEMU's COM2 socket")
        self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.socket.connect(path)
        self.socket.settimeout(1)
        self.qemu = qemu
        self.debug_log = debug_log
        self.pending = b""
        self.lines = []

    def next_marker(self, guard, what):
        """The next "vexa-step NAME" or "vexa-steps-end CODE" line, the others kept."""
        end = time.monotonic() + guard
        while True:
            while b"\n" in self.pending:
                line, self.pending = self.pending.split(b"\n", 1)
                text = line.decode("ascii", "replace").strip()
                if text.startswith("vexa-step"):
                    return text
                if text:
                    self.lines.append(text)
            early = stopped(self.debug_log)
            if early:
                raise Failure(f"{early}, while waiting for {what}")
            if self.qemu.poll() is not None:
                raise Failure(f"QEMU ended (exit code {self.qemu.returncode}) while waiting for "
                              + what)
            if time.monotonic() >= end:
                raise Failure(f"waited {guard} s for {what}, and it did not happen")
            try:
                data = self.socket.recv(4096)
            except socket.timeout:
                continue
            if not data:
                raise Failure("QEMU closed COM2 while waiting for " + what)
            self.pending += data

    def answer(self, text):
        self.socket.sendall(text.encode("ascii", "replace") + b"\n")


def stopped(debug_log):
    """What the debug log says ended the run early: a crash of the system, or a program of the
    disc that could not start (a function its Windows lacks); else None."""
    if not os.path.exists(debug_log):
        return None
    with open(debug_log, "rb") as log:
        text = log.read().decode("ascii", "replace")
    if "kdb:>" in text:
        return "ReactOS stopped at its debugger after a crash"
    for line in text.splitlines():
        if "Process initialization failure" in line or "Failed to snap" in line:
            return "a program could not start: " + line.strip()
    return None


def unhandled_exceptions(debug_log):
    with open(debug_log, "rb") as log:
        lines = log.read().decode("ascii", "replace").splitlines()
    return [i for i, line in enumerate(lines) if "Unhandled exception" in line], lines


def run(iso, build, work):
    disc = make_disc(work, build)
    debug_log = os.path.join(work, "com1.log")
    began = time.monotonic()
    qemu = start_qemu(iso, work, disc)
    guest = None
    passed = 0
    try:
        guest = GuestLine(os.path.join(work, "com2.sock"), qemu, debug_log)
        drives = Drives(Monitor(os.path.join(work, "qmp.sock"), qemu), disc)
        for number, (step, judge) in enumerate(steps(drives, work, build)):
            marker = guest.next_marker(BOOT_GUARD if number == 0 else STEP_GUARD,
                                       f"the guest to reach step {step}")
            if marker != "vexa-step " + step:
                raise Failure(f"the guest reported \"{marker}\" where step {step} was due")
            try:
                judge()
            except Failure as failure:
                guest.answer(f"failed {failure}")
                raise Failure(f"step {step}: {failure}") from None
            guest.answer("ok")
            passed += 1
            print(f"reactos: {step}: ok", flush=True)
        marker = guest.next_marker(STEP_GUARD, "the steps program to end")
        if marker != "vexa-steps-end 0":
            raise Failure(f"the steps program in the guest failed after the last step ({marker})")
        found, lines = unhandled_exceptions(debug_log)
        if found:
            report = "\n".join(lines[found[0]:found[0] + 12])
            raise Failure(f"ReactOS's debug log reports an unhandled exception:\n{report}")
    except Failure as failure:
        if guest is not None:
            try:
                guest.next_marker(60, "the steps program to end")
            except Failure:
                pass
            print("--- the steps program's output:\n" + "\n".join(guest.lines[-60:]),
                  file=sys.stderr)
        print(f"reactos: FAILED: {failure}", file=sys.stderr)
        print(tail(debug_log, 60), file=sys.stderr)
        print(tail(os.path.join(work, "qemu.log")), file=sys.stderr)
        return 1
    finally:
        stop_qemu(qemu)
    print(f"reactos: all {passed} steps passed in {time.monotonic() - began:.0f} s")
    return 0


def main():
    signal.signal(signal.SIGTERM, lambda number, frame: sys.exit(128 + number))
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    work = tempfile.mkdtemp(prefix="vexa-reactos.")
    try:
        return run(os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), work)
    finally:
        if os.environ.get("VEXA_KEEP_REACTOS") == "1":
            print(f"reactos: the run's files are kept in {work}", file=sys.stderr)
        else:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
