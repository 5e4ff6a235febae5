#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The Windows programs end to end under Wine, as a person would use them; run by scripts/windows-test.

  e2e.py ports DIR   holds two pseudo-terminals for COM1 and COM2: writes "COM1 /dev/pts/N" lines to DIR/ports
                     and copies what is written to each into DIR/COM1.bytes, DIR/COM2.bytes until killed
  e2e.py run ...     the checks (see --help): the installer, the panel on Xvfb against a native q7sim over
                     socket://, q7ctl.exe beside the native q7ctl, COM1 writing and a missing COM port, and
                     the uninstaller. One line per check; exit 1 if any failed.

Every expected value is a literal from the design or the protocol: the frame on the wire, the label's text.
"""
import argparse
import glob
import json
import os
import pty
import re
import select
import shutil
import subprocess
import sys
import time

WINE = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"
# Form1's client area is the X window's (no window manager on Xvfb), at 15 twips to a pixel: the design's
# twips of each control's centre.
POWER_ON = (36, 66)  # Command17 in Frame1: (120 + 120 + 615 / 2, 240 + 600 + 300 / 2) twips
STATUS = (464, 384)  # Command44: (6480 + 975 / 2, 5640 + 255 / 2) twips, shown once Ctrl+J unlocks
CAPTION = "VELM   Q7 & Q7L    CONTROL   Ver.1.41a"

failures = []


def check(name, ok, detail=""):
    print(("ok    " if ok else "FAIL  ") + name + ("" if ok or not detail else f": {detail}"), flush=True)
    if not ok:
        failures.append(name)
    return ok


def wait_for(predicate, seconds, step=0.1):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    return predicate()


def hold_ports(work):
    """Masters and slaves both held: a master whose slave is closed by Wine would read EIO, and the
    bytes Wine writes must land somewhere that the checks can read."""
    held, lines = [], []
    for name in ("COM1", "COM2"):
        master, slave = pty.openpty()
        held.append((master, slave, open(os.path.join(work, name + ".bytes"), "ab", buffering=0)))
        lines.append(f"{name} {os.ttyname(slave)}")
    with open(os.path.join(work, "ports.tmp"), "w") as f:
        f.write("\n".join(lines) + "\n")
    os.rename(os.path.join(work, "ports.tmp"), os.path.join(work, "ports"))
    sinks = {master: out for master, _, out in held}
    while True:
        ready, _, _ = select.select(list(sinks), [], [])
        for master in ready:
            try:
                sinks[master].write(os.read(master, 4096))
            except OSError:
                time.sleep(0.1)


class Simulator:
    """A native q7sim serving raw TCP on a free port, its log of the wire in a file."""

    def __init__(self, program, work, name):
        self.log = os.path.join(work, name + ".log")
        self.process = subprocess.Popen([program, "--tcp", "0", "--log", self.log], stdout=subprocess.PIPE,
                                        text=True)
        self.url = self.process.stdout.readline().strip()

    def received(self):
        try:
            with open(self.log) as f:
                return re.findall(r' RX "([^"]*)"', f.read())
        except FileNotFoundError:
            return []

    def stop(self):
        self.process.terminate()
        self.process.wait(5)


def records(path):
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return [tuple(line.rstrip("\n").split("\t", 1)) for line in f if "\t" in line]
    except FileNotFoundError:
        return []


def run_ctl(command, args, timeout=60):
    done = subprocess.run(command + args, capture_output=True, timeout=timeout)
    # Windows ends lines with CR LF; what is said is compared.
    return (done.returncode, done.stdout.decode("utf-8", "replace").replace("\r\n", "\n"),
            done.stderr.decode("utf-8", "replace").replace("\r\n", "\n"))


def xdotool(display, *args):
    return subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=display), capture_output=True,
                          text=True).stdout.strip()


def start_xvfb(work):
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-nolisten",
                             "tcp"], pass_fds=[write], stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read, 16)
        if not chunk:
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(read)
    with open(os.path.join(work, "xvfb.pid"), "w") as f:
        f.write(str(xvfb.pid))
    return xvfb, ":" + number.decode().strip()


def registry_keys(prefix):
    """The machine's registry keys named after the program (Wine writes them out when its server ends)."""
    with open(os.path.join(prefix, "system.reg"), encoding="utf-8", errors="replace") as f:
        return [line.strip() for line in f if line.startswith("[") and "q7panel" in line.lower()]


def start_menu(prefix):
    found = []
    for menu in ("users/*/AppData/Roaming/Microsoft/Windows/Start Menu", "ProgramData/Microsoft/Windows/Start Menu"):
        found += glob.glob(os.path.join(prefix, "drive_c", menu, "**", "*q7*"), recursive=True)
    return found


def install(args, prefix):
    installers = sorted(glob.glob(os.path.join(args.root, "q7panel-*-win64.exe")))
    if not installers:
        print("note  no installer at the top of the work tree: the programs of the build tree run instead")
        return None
    subprocess.run([WINE, installers[-1], "/S"], check=False)
    subprocess.run([WINESERVER, "-w"], check=False)
    found = glob.glob(os.path.join(prefix, "drive_c", "Program Files", "*", "q7panel.exe"))
    check("the installer puts q7panel.exe into Program Files", bool(found), os.path.basename(installers[-1]))
    if not found:
        return None
    folder = os.path.dirname(found[0])
    check("the installer registers its uninstaller", bool(registry_keys(prefix)))
    check("the installer makes a Start-menu entry", bool(start_menu(prefix)))
    for name in ("q7ctl.exe", "Qt6Core.dll", "Qt6SerialPort.dll", os.path.join("platforms", "qwindows.dll")):
        check(f"the installer puts {name} beside it", os.path.exists(os.path.join(folder, name)))
    return folder


def uninstall(folder, prefix):
    uninstallers = [p for p in glob.glob(os.path.join(folder, "*.exe")) if "uninst" in os.path.basename(p).lower()]
    if not check("an uninstaller sits in the program's folder", bool(uninstallers), folder):
        return
    # The uninstaller copies itself away and returns at once: Wine is waited for.
    subprocess.run([WINE, uninstallers[0], "/S"], check=False)
    subprocess.run([WINESERVER, "-w"], check=False)
    left = [p for p in [folder] if os.path.exists(p)]
    left += start_menu(prefix)
    left += registry_keys(prefix)
    check("the uninstaller leaves nothing behind", not left, " ".join(left))


def panel_checks(args, wine_panel, display):
    """A click on the real window, its frame at the simulator, and the TXD, RXD and STATUS lines."""
    sim = Simulator(args.sim, args.work, "panel-sim")
    record = os.path.join(args.work, "labels.txt")
    env = dict(os.environ, DISPLAY=display, Q7PANEL_LABEL_RECORD="Z:" + record)
    panel = subprocess.Popen(wine_panel + ["--com1", sim.url, "--com2", "socket://127.0.0.1:1"], env=env,
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = wait_for(lambda: xdotool(display, "search", "--onlyvisible", "--name", "Q7 & Q7L"), 90, 0.5)
        if not check("the panel shows its window", bool(window)):
            return
        window = window.split()[0]
        check("the window's caption is the design's", xdotool(display, "getwindowname", window) == CAPTION)
        check("the panel connects to the simulator", bool(wait_for(lambda: "CLIENT CONNECTED" in open(
            sim.log).read() if os.path.exists(sim.log) else False, 20)))
        shot = os.path.join(args.work, "panel.png")
        subprocess.run(["import", "-window", "root", shot], env=env, check=False)
        if args.keep_screenshot:
            shutil.copy(shot, args.keep_screenshot)

        def click(at):
            xdotool(display, "mousemove", "--window", window, str(at[0]), str(at[1]), "click", "1")

        def labels_after(start, wanted):
            got = records(record)[start:]
            return all(item in got for item in wanted)

        # The STATUS button is below the compact window: Ctrl+J unlocks the taller one, as on the original.
        xdotool(display, "mousemove", "--window", window, "5", "5", "click", "1")
        xdotool(display, "key", "--window", window, "ctrl+j")
        time.sleep(1)
        start = len(records(record))
        click(STATUS)
        check("STATUS: its frame reaches the simulator", bool(wait_for(lambda: "CR0" in sim.received(), 10)),
              str(sim.received()))
        wanted = [("Label11", " C R 0 CR "), ("Label12", " 8 0 CR "), ("Label22", " Stand by")]
        check("STATUS: TXD ' C R 0 CR ', RXD ' 8 0 CR ', STATUS ' Stand by'",
              bool(wait_for(lambda: labels_after(start, wanted), 10)), str(records(record)[start:]))

        # The lines clear after their one-second display; a reply within it would join the last one.
        wait_for(lambda: labels_after(start, wanted + [("Label12", "")]), 5)
        start = len(records(record))
        click(POWER_ON)
        check("POWER ON: its frame reaches the simulator", bool(wait_for(lambda: "C00" in sim.received(), 10)),
              str(sim.received()))
        wanted = [("Label11", " C 0 0 CR "), ("Label12", " ACK CR ")]
        check("POWER ON: TXD ' C 0 0 CR ', RXD ' ACK CR '", bool(wait_for(lambda: labels_after(start, wanted), 10)),
              str(records(record)[start:]))
    finally:
        panel.terminate()
        try:
            panel.wait(10)
        except subprocess.TimeoutExpired:
            panel.kill()
        sim.stop()


def ctl_checks(args, wine_ctl):
    """q7ctl.exe answers as the native q7ctl does, against one simulator, one after the other."""
    sim = Simulator(args.sim, args.work, "ctl-sim")
    try:
        cases = [
            ("send CR0", ["--port", sim.url, "--json", "send", "CR0"], 0,
             '{"frame":"CR0\\r","hex":"38 30 0D","name":"send","outcome":"reply","reply":" 8 0 CR "}\n'),
            ("status", ["--port", sim.url, "--json", "status"], 0, None),
            ("a port nobody listens on", ["--port", "socket://127.0.0.1:1", "--json", "send", "CR0"], 1,
             '{"error":"Cannot open socket://127.0.0.1:1: the server refused the connection (is the port number '
             'right, is the server running?).","outcome":"failed"}\n'),
        ]
        for name, argv, status, literal in cases:
            native = run_ctl([args.native_ctl], argv)
            windows = run_ctl(wine_ctl, argv)
            check(f"q7ctl.exe {name}: exit {status} as on Linux", windows[0] == status == native[0],
                  f"Windows {windows[0]}, Linux {native[0]}")
            check(f"q7ctl.exe {name}: the native q7ctl's output", windows[1] == native[1],
                  f"Windows {windows[1]!r}, Linux {native[1]!r}")
            if literal is not None:
                check(f"q7ctl.exe {name}: the expected output", windows[1] == literal, repr(windows[1]))
        status = run_ctl(wine_ctl, ["--port", sim.url, "--json", "status"])
        try:
            power = json.loads(status[1]).get("power", {})
        except ValueError:
            power = {}
        check("q7ctl.exe status: power ' 8 0 CR ' decoded ' Stand by'",
              power.get("reply") == " 8 0 CR " and power.get("text") == " Stand by", status[1])
        check("q7ctl.exe status: each query reached the simulator",
              sorted(set(sim.received())) == ["CR PRESSURE", "CR0", "CR1", "CR3", "CR4", "CR6", "CR7", "CR9", "CRA"],
              str(sorted(set(sim.received()))))
    finally:
        sim.stop()


def com_checks(args, wine_ctl, prefix):
    """What Wine's COM ports can show: a frame written to COM1, and a port that is not there. Wine 8.0 does
    not deliver received bytes to Qt SerialPort, so no reply is sent back."""
    ports = dict(line.split() for line in open(os.path.join(args.work, "ports")))
    links = {n: os.readlink(os.path.join(prefix, "dosdevices", n.lower())) for n in ports
             if os.path.islink(os.path.join(prefix, "dosdevices", n.lower()))}
    if not check("COM1 and COM2 lead to the test's pseudo-terminals", links == ports, f"{links} {ports}"):
        return  # never let a program open a port that may be the console
    com1 = os.path.join(args.work, "COM1.bytes")
    before = os.path.getsize(com1)
    status, out, err = run_ctl(wine_ctl, ["--port", "COM1", "--timeout", "500", "--json", "send", "CR0"])
    with open(com1, "rb") as f:
        f.seek(before)
        written = wait_for(lambda: f.read(), 5) or b""
    check("q7ctl.exe --port COM1 send CR0 writes 'CR0' CR to COM1", written == b"CR0\r", repr(written))
    check("q7ctl.exe --port COM1: no reply comes back, exit 3", status == 3, f"{status} {out!r}")
    missing = "COM9"
    if not check(f"{missing} is not mapped", not os.path.lexists(os.path.join(prefix, "dosdevices", "com9"))):
        return
    status, out, err = run_ctl(wine_ctl, ["--port", missing, "--json", "send", "CR0"])
    try:
        said = json.loads(out)
    except ValueError:
        said = {}
    check(f"q7ctl.exe --port {missing}: exit 1, outcome failed", status == 1 and said.get("outcome") == "failed",
          f"{status} {out!r}")
    check(f"q7ctl.exe --port {missing}: says it cannot open {missing}",
          said.get("error", "").startswith(f"Cannot open {missing}: ") and err.startswith(f"q7ctl: Cannot open {missing}: "),
          f"{out!r} {err!r}")


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "ports":
        hold_ports(sys.argv[2])
        return 0
    parser = argparse.ArgumentParser(description="The Windows programs end to end under Wine.")
    parser.add_argument("run")
    parser.add_argument("--work", required=True, help="the stage's folder: the Wine prefix, the ports")
    parser.add_argument("--root", required=True, help="the work tree, where the installer lies")
    parser.add_argument("--tree", required=True, help="the Windows build tree, used without an installer")
    parser.add_argument("--sim", required=True, help="the native q7sim")
    parser.add_argument("--native-ctl", required=True, help="the native q7ctl")
    parser.add_argument("--keep-screenshot", help="copy the screenshot of the window here")
    args = parser.parse_args()
    prefix = os.environ["WINEPREFIX"]

    folder = install(args, prefix)
    if folder:
        # The installed copy alone: no DLL of the build machine on its path.
        os.environ.pop("WINEPATH", None)
        wine_panel = [WINE, os.path.join(folder, "q7panel.exe")]
        wine_ctl = [WINE, os.path.join(folder, "q7ctl.exe")]
    else:
        os.environ["QT_PLUGIN_PATH"] = "Z:" + os.environ["Q7_WINDOWS_SDK_DIR"] + "/plugins"
        run = os.path.join(args.root, "scripts", "wine-run")
        wine_panel = [run, os.path.join(args.tree, "q7panel.exe")]
        wine_ctl = [run, os.path.join(args.tree, "q7ctl.exe")]

    xvfb, display = start_xvfb(args.work)
    try:
        panel_checks(args, wine_panel, display)
    finally:
        xvfb.terminate()
        xvfb.wait(10)
    ctl_checks(args, wine_ctl)
    com_checks(args, wine_ctl, prefix)
    if folder:
        uninstall(folder, prefix)
    print(f"windows end to end: {len(failures)} failed" + (": " + ", ".join(failures) if failures else ""))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
