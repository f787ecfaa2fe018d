#!/usr/bin/env python3
"""The host's half of the real-drive test (scripts/realdrive-test.sh).

Boots the guest under QEMU with an IDE CD-ROM (D: in Wine), a USB controller, a shared folder and
a QMP socket, and judges each step the steps program inside reports (tests/realdrive/
RealDriveSteps.cpp) by what QEMU itself says of the drive: whether the guest locked the medium,
and whether an eject is refused. Some steps also act on the drives: a medium put back, an unlock
from outside, a USB CD-ROM plugged in and pulled out.

    judge.py GUEST_DIR BUILD_DIR...   GUEST_DIR from scripts/realdrive-image.sh, each BUILD_DIR
                                      holding Vexa.exe and vexa_realdrive_steps.exe of one build
                                      (build/i686: 32-bit Wine in the guest; build/x86_64)

Each build gets a guest of its own, booted afresh, and every line of the log names the build
(its folder's name) it is about. All builds run, even after one failed.

Every wait is bounded and, when it runs out, says what did not happen; a step that fails or does
not come ends the run with exit code 1 and names the step.
"""
import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

# Guards against a hang, not measures of speed: the first step waits for the boot, the daemons
# and Wine's first start on an emulated processor of a busy machine.
FIRST_STEP_GUARD = 900
STEP_GUARD = 300
QMP_GUARD = 120
LOCK_GUARD = 60

CD = "cd0"  # the IDE CD-ROM's device id, D: in the guest's Wine
WINE_FONTS = "/usr/share/wine/fonts"  # fonts-wine's, which the guest has not


class Failure(Exception):
    pass


def wait_until(condition, guard, what):
    end = time.monotonic() + guard
    while not condition():
        if time.monotonic() >= end:
            if condition():
                break
            raise Failure(f"waited {guard} s for {what}, and it did not happen")
        time.sleep(0.2)


class Monitor:
    """QEMU's machine protocol over its unix socket: one command at a time, events set aside."""

    def __init__(self, path, qemu):
        wait_until(lambda: os.path.exists(path) or qemu.poll() is not None, QMP_GUARD,
                   "QEMU's monitor socket")
        if qemu.poll() is not None:
            raise Failure(f"QEMU ended at start with exit code {qemu.returncode}")
        self.socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.socket.settimeout(QMP_GUARD)
        self.socket.connect(path)
        self.stream = self.socket.makefile("rw")
        self.events = []
        self.read()  # the greeting
        self.execute("qmp_capabilities")

    def read(self):
        try:
            line = self.stream.readline()
        except socket.timeout:
            raise Failure(f"QEMU's monitor did not answer within {QMP_GUARD} s") from None
        if not line:
            raise Failure("QEMU's monitor closed")
        return json.loads(line)

    def execute(self, command, **arguments):
        """The command's answer: {"return": ...} or {"error": {"desc": ...}}."""
        self.stream.write(json.dumps({"execute": command, "arguments": arguments}) + "\n")
        self.stream.flush()
        while True:
            answer = self.read()
            if "event" in answer:
                self.events.append(answer)
            else:
                return answer

    def check(self, command, **arguments):
        answer = self.execute(command, **arguments)
        if "error" in answer:
            raise Failure(f"QEMU refused {command}: {answer['error']['desc']}")
        return answer["return"]


class Drives:
    """The drives as QEMU sees them, and what the host does to them."""

    def __init__(self, monitor, disc):
        self.monitor = monitor
        self.disc = disc

    def locked(self, device):
        for block in self.monitor.check("query-block"):
            if block.get("qdev") == device:
                return block.get("locked", False)
        raise Failure(f"QEMU has no drive {device}")

    def expect(self, device, locked):
        if self.locked(device) != locked:
            raise Failure(f"QEMU reports {device} {'unlocked' if locked else 'locked'}")

    def expect_soon(self, device, locked):
        wait_until(lambda: self.locked(device) == locked, LOCK_GUARD,
                   f"{device} to be {'locked' if locked else 'unlocked'}")

    def eject_refused(self, device):
        answer = self.monitor.execute("eject", id=device)
        if "error" not in answer or "is locked" not in answer["error"]["desc"]:
            raise Failure(f"an eject of {device} was not refused as locked: {answer}")

    def eject_accepted(self, device):
        self.monitor.check("eject", id=device)

    def put_back(self, device):
        self.monitor.check("blockdev-change-medium", id=device, filename=self.disc, format="raw",
                           **{"read-only-mode": "read-only"})

    def unlock_from_outside(self, device):
        # A forced eject opens the tray whatever the guest asked for, and the medium goes back.
        self.monitor.check("eject", id=device, force=True)
        self.put_back(device)
        self.expect(device, False)

    def plug(self, name):
        """A USB CD-ROM holding the disc, plugged in while the guest runs; its drive is name-cd."""
        self.monitor.check("blockdev-add", driver="raw",
                           **{"node-name": name + "-disc", "read-only": True},
                           file={"driver": "file", "filename": self.disc, "read-only": True})
        self.monitor.check("device_add", driver="usb-bot", id=name, bus="xhci.0")
        self.monitor.check("device_add", driver="scsi-cd", id=name + "-cd", drive=name + "-disc",
                           bus=name + ".0")
        # A usb-bot added at run time stays detached until told, so that its drive can be added.
        self.monitor.check("qom-set", path="/machine/peripheral/" + name, property="attached",
                           value=True)

    def unplug(self, name):
        self.monitor.check("device_del", id=name)


def keep_picture(share, build, name):
    """Converts a picture the guest took (steps/NAME.bmp) into BUILD_DIR/../screenshots/NAME.png,
    NAME-i686.png for the 32-bit build's."""
    picture = os.path.join(share, "steps", name + ".bmp")
    if not os.path.exists(picture):
        raise Failure(f"the guest took no picture {name}.bmp")
    folder = os.path.join(os.path.dirname(build), "screenshots")
    os.makedirs(folder, exist_ok=True)
    arch = os.path.basename(build)
    kept = name + ("" if arch == "x86_64" else "-" + arch) + ".png"
    subprocess.run(["convert", picture, os.path.join(folder, kept)], check=True)


def steps(drives, share, build):
    """Each step the guest reports, in order, with what the host checks and does then."""
    return [
        ("started", lambda: drives.expect(CD, False)),
        ("lock-d", lambda: (drives.expect(CD, True), drives.eject_refused(CD))),
        # A press on the eject button only brings a balloon: the lock stays.
        ("eject-pressed", lambda: (drives.expect(CD, True), drives.eject_refused(CD),
                                   keep_picture(share, build, "eject-notice"))),
        ("unlock-d", lambda: (drives.expect(CD, False), drives.eject_accepted(CD),
                              drives.put_back(CD))),
        ("lock-all-twice", lambda: drives.expect(CD, True)),
        ("unlock-d-once", lambda: drives.expect(CD, False)),
        ("exit", lambda: (drives.expect(CD, True), drives.unlock_from_outside(CD))),
        ("restart", lambda: drives.expect(CD, True)),
        ("plug", lambda: drives.plug("usb1")),
        ("plugged-remembered", lambda: (drives.expect_soon("usb1-cd", True),
                                        drives.eject_refused("usb1-cd"))),
        ("unplug", lambda: drives.unplug("usb1")),
        ("plug-control", lambda: drives.plug("usb2")),
        ("plugged-unremembered", lambda: (drives.expect("usb2-cd", False),
                                          drives.eject_accepted("usb2-cd"))),
        # The command line: alone, then given to the running Vexa, whose menu follows.
        ("command-unlock-alone", lambda: (drives.expect(CD, False), drives.eject_accepted(CD),
                                          drives.put_back(CD))),
        ("command-lock-alone", lambda: (drives.expect(CD, True), drives.eject_refused(CD))),
        ("command-unlock-running", lambda: (drives.expect(CD, False), drives.eject_accepted(CD),
                                            drives.put_back(CD))),
        ("menu-after-command", lambda: drives.expect(CD, True)),
        # The lock service, with no user's Vexa running, under the machine's policy.
        ("service-started", lambda: (drives.expect(CD, True), drives.eject_refused(CD))),
        ("service-stopped", lambda: (drives.expect(CD, False), drives.eject_accepted(CD),
                                     drives.put_back(CD))),
    ]


def make_disc(work):
    content = os.path.join(work, "disc")
    os.makedirs(content)
    with open(os.path.join(content, "README.TXT"), "w") as readme:
        readme.write("The medium of the real-drive test.\n")
    disc = os.path.join(work, "disc.iso")
    subprocess.run(["xorriso", "-as", "mkisofs", "-quiet", "-V", "VEXA_TEST", "-o", disc, content],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return disc


def start_qemu(guest, work, share, disc):
    command = [
        "qemu-system-x86_64", "-machine", "pc,accel=tcg", "-cpu", "max,smap=off", "-smp", "2",
        "-m", "1536", "-nodefaults", "-display", "none", "-no-reboot",
        "-serial", "file:" + os.path.join(work, "console.log"),
        "-kernel", os.path.join(guest, "vmlinuz"), "-initrd", os.path.join(guest, "initrd.img"),
        "-append", "root=/dev/vda rw init=/vexa-init console=ttyS0 panic=-1 quiet",
        # The guest's writes go to a temporary overlay: the cached image stays as built.
        "-drive", f"file={os.path.join(guest, 'rootfs.img')},if=virtio,format=raw,snapshot=on",
        "-drive", f"if=none,id=cdrom0,media=cdrom,readonly=on,format=raw,file={disc}",
        "-device", f"ide-cd,drive=cdrom0,id={CD},bus=ide.1",
        "-device", "qemu-xhci,id=xhci",
        "-virtfs", f"local,path={share},mount_tag=share,security_model=none,id=share",
        "-qmp", f"unix:{os.path.join(work, 'qmp.sock')},server=on,wait=off",
    ]
    return subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=open(os.path.join(work, "qemu.log"), "w"))


def stop_qemu(qemu):
    if qemu.poll() is None:
        qemu.terminate()
        try:
            qemu.wait(30)
        except subprocess.TimeoutExpired:
            qemu.kill()
            qemu.wait()


def last_words(share):
    """The last line the guest's run wrote, which says what it was doing or waiting for."""
    path = os.path.join(share, "guest.log")
    if not os.path.exists(path):
        return " (the guest wrote nothing)"
    with open(path, errors="replace") as text:
        lines = [line.strip() for line in text if line.strip()]
    return f" (its last words: {lines[-1]})" if lines else " (the guest wrote nothing)"


def tail(path, lines=40):
    if not os.path.exists(path):
        return f"({os.path.basename(path)}: nothing)"
    with open(path, errors="replace") as text:
        return f"--- last lines of {os.path.basename(path)}:\n" + "".join(text.readlines()[-lines:])


def run(guest, build, work):
    arch = os.path.basename(build)
    share = os.path.join(work, "share")
    os.makedirs(os.path.join(share, "steps"))
    # The guest's log names the build too.
    with open(os.path.join(share, "build"), "w") as name:
        name.write(arch + "\n")
    for name in ("Vexa.exe", "vexa_realdrive_steps.exe"):
        shutil.copy(os.path.join(build, name), share)
    shutil.copy(os.path.join(os.path.dirname(os.path.abspath(__file__)), "guest.sh"), share)
    if os.path.isdir(WINE_FONTS):
        shutil.copytree(WINE_FONTS, os.path.join(share, "fonts"))
    disc = make_disc(work)
    result = os.path.join(share, "steps.rc")

    qemu = start_qemu(guest, work, share, disc)
    passed = 0
    try:
        drives = Drives(Monitor(os.path.join(work, "qmp.sock"), qemu), disc)
        for number, (step, judge) in enumerate(steps(drives, share, build)):
            done = os.path.join(share, "steps", step + ".done")
            try:
                def over():
                    return os.path.exists(done) or os.path.exists(result) or qemu.poll() is not None
                wait_until(over, FIRST_STEP_GUARD if number == 0 else STEP_GUARD,
                           "the guest to reach the step")
                if not os.path.exists(done):
                    raise Failure(("the guest ended before it" if qemu.poll() is not None
                                   else "the guest's run ended before it") + last_words(share))
                judge()
            except Failure as failure:
                with open(os.path.join(share, "steps", step + ".failed"), "w") as verdict:
                    verdict.write(str(failure))
                raise Failure(f"step {step}: {failure}") from None
            open(os.path.join(share, "steps", step + ".ok"), "w").close()
            passed += 1
            print(f"real drive ({arch}): {step}: ok", flush=True)
        try:
            wait_until(lambda: os.path.exists(result), STEP_GUARD, "the steps program to end")
        except Failure as failure:
            raise Failure(f"after the last step: {failure}") from None
        with open(result) as code:
            if code.read().strip() != "0":
                raise Failure("the steps program in the guest failed after the last step")
        wait_until(lambda: qemu.poll() is not None, STEP_GUARD, "the guest to power off")
    except Failure as failure:
        # The steps program learns of the failure and ends: its report goes to the log.
        try:
            wait_until(lambda: os.path.exists(result) or qemu.poll() is not None, QMP_GUARD,
                       "the steps program to end")
        except Failure:
            pass
        print(f"real drive ({arch}): FAILED: {failure}", file=sys.stderr)
        for log in ("share/guest.log", "console.log", "qemu.log"):
            print(tail(os.path.join(work, log)), file=sys.stderr)
        return 1
    finally:
        stop_qemu(qemu)
    print(f"real drive ({arch}): all {passed} steps passed", flush=True)
    return 0


def main():
    # Stopped from outside, the run still stops its QEMU and removes its files.
    signal.signal(signal.SIGTERM, lambda number, frame: sys.exit(128 + number))
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    failed = []
    for build in sys.argv[2:]:
        build = os.path.abspath(build)
        arch = os.path.basename(build)
        work = tempfile.mkdtemp(prefix=f"vexa-realdrive-{arch}.")
        try:
            if run(os.path.abspath(sys.argv[1]), build, work) != 0:
                failed.append(arch)
        finally:
            if os.environ.get("VEXA_KEEP_REALDRIVE") == "1":
                print(f"real drive ({arch}): the run's files are kept in {work}", file=sys.stderr)
            else:
                shutil.rmtree(work, ignore_errors=True)
    if failed:
        print(f"real drive: FAILED for {', '.join(failed)}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
