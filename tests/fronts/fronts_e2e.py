#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""The bridge's PJLink and passthrough fronts end to end: the real q7-bridge (without a broker) on a line to a
real q7sim --fast, and clients on real sockets. Every expected value is PJLink's or the projector's bytes.

Usage: fronts_e2e.py PART BRIDGE Q7SIM [NPM_CLIENT_DIR]
  client       the npm pjlink client: no password; then a password, right and wrong (needs NPM_CLIENT_DIR,
               where the pinned client was installed)
  class2       a class 2 controller on a raw socket: literal replies, framing, several connections
  passthrough  two raw clients on the line at once, and one that never reads
  udp          search and notification in a network namespace of the test's own (exit 77: not permitted here)
"""
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SKIP = 77


def fail(text):
    raise AssertionError(text)


def check(what, got, want):
    if got != want:
        fail(f"{what}: got {got!r}, expected {want!r}")
    print(f"ok {what}: {got!r}", flush=True)


def free_port(host="127.0.0.1"):
    with socket.socket() as s:
        s.bind((host, 0))
        return s.getsockname()[1]


class Programs:
    """q7sim and q7-bridge of one run, ended and their output shown when a check failed."""

    def __init__(self, bridge, sim, work):
        self.bridge, self.sim, self.work = bridge, sim, work
        self.procs = []

    def start_sim(self, name="sim"):
        log = os.path.join(self.work, name + ".log")
        proc = self._spawn(name, [self.sim, "--tcp", "0", "--fast", "--log", log], stdout=subprocess.PIPE)
        url = proc.stdout.readline().decode().strip()
        if not url.startswith("socket://"):
            fail(f"q7sim printed {url!r} first")
        return url, log

    def start_bridge(self, args, wait_for, env=None, name="bridge"):
        proc = self._spawn(name, [self.bridge, *args], env=dict(os.environ, **(env or {})))
        end = time.monotonic() + 10
        while True:
            if proc.poll() is not None:
                fail(f"q7-bridge ended with {proc.returncode} at start")
            try:
                socket.create_connection(wait_for, timeout=1).close()
                return proc
            except OSError:
                if time.monotonic() > end:
                    fail(f"q7-bridge does not accept on {wait_for} after 10 s")
                time.sleep(0.1)

    def _spawn(self, name, cmd, **kw):
        err = open(os.path.join(self.work, name + ".err"), "wb")
        proc = subprocess.Popen(cmd, stderr=err, stdin=subprocess.DEVNULL, **kw)
        proc.name = name
        self.procs.append(proc)
        return proc

    def stop(self, show):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        if show:
            for f in sorted(os.listdir(self.work)):
                with open(os.path.join(self.work, f), errors="replace") as text:
                    tail = text.read()[-3000:]
                print(f"--- {f} (end) ---\n{tail}", file=sys.stderr)


def run(part_fn, *args):
    with tempfile.TemporaryDirectory(prefix="fronts-e2e-") as work:
        programs = Programs(args[0], args[1], work)
        ok = False
        try:
            part_fn(programs, *args[2:])
            ok = True
        except (AssertionError, OSError) as e:
            print(f"FAIL: {e!r}" if isinstance(e, OSError) else f"FAIL: {e}", file=sys.stderr)
        finally:
            programs.stop(show=not ok)
    print("PASS" if ok else "FAILED")
    return 0 if ok else 1


# --- the npm client -----------------------------------------------------------------------------------------


def node_client(client_dir, port, password, *flags):
    node = shutil.which("node") or fail("node is not installed (scripts/bootstrap installs it)")
    cmd = [node, os.path.join(HERE, "pjlink_client.js"), *flags, "127.0.0.2", str(port)] + ([password] if password else [])
    env = dict(os.environ, NODE_PATH=os.path.join(client_dir, "node_modules"))
    print("$ node", " ".join(cmd[1:]), flush=True)
    done = subprocess.run(cmd, env=env, timeout=60, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    print(done.stdout.decode(errors="replace"), end="", flush=True)
    return done.returncode


def part_client(programs, client_dir):
    if not os.path.isdir(os.path.join(client_dir, "node_modules", "pjlink")):
        fail(f"no pjlink client in {client_dir}: the fronts_npm_client fixture installs it")
    url, _ = programs.start_sim("sim-open")
    port = free_port("127.0.0.2")
    programs.start_bridge(["--line", "hall=" + url, "--pjlink", f"hall/single=127.0.0.2:{port}", "--poll", "1",
                           "--pjlink-udp-port", "0"], ("127.0.0.2", port), name="bridge-open")
    check("client without a password", node_client(client_dir, port, None, "--name", "hall single"), 0)

    # With a password, from the configuration file, whose projector also has a name with a blank in it.
    url, _ = programs.start_sim("sim-password")
    port = free_port("127.0.0.2")
    config = os.path.join(programs.work, "bridge.toml")
    with open(config, "w") as f:
        f.write(f'poll = 1\npjlink_udp_port = 0\n[[line]]\nname = "hall"\nport = "{url}"\n'
                f'pjlink = {{ "single" = "127.0.0.2:{port}" }}\npjlink_name = {{ "single" = "Hall left" }}\n')
    programs.start_bridge(["--config", config], ("127.0.0.2", port), env={"Q7_PJLINK_PASSWORD": "JBMIAProjectorLink"},
                          name="bridge-password")
    check("client with a wrong password", node_client(client_dir, port, "JBMIAProjectorLinq", "--refused"), 0)
    check("client without the password", node_client(client_dir, port, None, "--refused"), 0)
    check("client with the password", node_client(client_dir, port, "JBMIAProjectorLink", "--name", "Hall left"), 0)


# --- class 2 on a raw socket --------------------------------------------------------------------------------


def connect(port, source, host="127.0.0.2"):
    s = socket.socket()
    s.bind((source, 0))
    s.settimeout(5)
    s.connect((host, port))
    return s


def greeted(port, source):
    s = connect(port, source)
    check(f"greeting to {source}", reply_to(s, "the connection"), b"PJLINK 0\r")
    return s


def reply_to(s, what):
    try:
        return s.recv(4096)
    except socket.timeout:
        fail(f"no reply to {what} within 5 s")


def ask(s, line, reply):
    s.sendall(line)
    check(f"{line!r}", reply_to(s, line), reply)


def replies(s, count):
    """count lines, checking that no read ends inside a line (a reply is written whole)."""
    got = b""
    while got.count(b"\r") < count:
        chunk = reply_to(s, f"{count} commands") or fail(f"closed after {got!r}")
        if not chunk.endswith(b"\r"):
            fail(f"a read ended inside a reply: {chunk!r}")
        got += chunk
    return got


def part_class2(programs):
    url, _ = programs.start_sim()
    port = free_port("127.0.0.2")
    programs.start_bridge(["--line", "hall=" + url, "--pjlink", f"hall/single=127.0.0.2:{port}", "--poll", "1",
                           "--pjlink-udp-port", "0"], ("127.0.0.2", port))
    s = greeted(port, "127.0.0.3")
    end = time.monotonic() + 15
    while True:  # ERR3 until the bridge has polled the projector once
        s.sendall(b"%1POWR ?\r")
        reply = reply_to(s, "%1POWR ?")
        if reply != b"%1POWR=ERR3\r" or time.monotonic() > end:
            break
        time.sleep(0.25)
    check("%1POWR ? once polled", reply, b"%1POWR=0\r")
    for line, reply in [
        (b"%2CLSS ?\r", b"%2CLSS=2\r"),
        (b"%1CLSS ?\r", b"%1CLSS=2\r"),
        (b"%2POWR ?\r", b"%2POWR=0\r"),
        (b"%2FREZ 1\r", b"%2FREZ=OK\r"),
        (b"%2FREZ ?\r", b"%2FREZ=1\r"),
        (b"%2FREZ 0\r", b"%2FREZ=OK\r"),
        (b"%2FREZ ?\r", b"%2FREZ=0\r"),
        (b"%2INST ?\r", b"%2INST=11 21 31\r"),
        (b"%1INST ?\r", b"%1INST=11 21 31\r"),
        (b"%2INPT ?\r", b"%2INPT=11\r"),
        (b"%1INPT 41\r", b"%1INPT=ERR2\r"),
        (b"%2SVOL 1\r", b"%2SVOL=OK\r"),  # a step of VOL +
        (b"%2MVOL 1\r", b"%2MVOL=ERR1\r"),  # no microphone
        (b"%2SNUM ?\r", b"%2SNUM=ERR1\r"),
        (b"%1XXXX ?\r", b"%1XXXX=ERR1\r"),
        (b"%1POWR 7\r", b"%1POWR=ERR2\r"),
    ]:
        ask(s, line, reply)

    s.sendall(b"%1CLSS ?\r%2INST ?\r")
    check("two commands in one send", replies(s, 2), b"%1CLSS=2\r%2INST=11 21 31\r")
    s.sendall(b"%2CL")
    time.sleep(0.2)
    s.sendall(b"SS ?\r")
    check("a command in two sends", replies(s, 1), b"%2CLSS=2\r")
    long_line = b"%1POWR " + b"1" * 129 + b"\r"
    check("the long line's length", len(long_line), 137)
    s.sendall(long_line)
    check("a 137-byte line", replies(s, 1), b"%1POWR=ERR2\r")
    ask(s, b"%1CLSS ?\r", b"%1CLSS=2\r")  # the line after it is read as one

    # Several controllers at once, from two addresses, each asking in turn with the others' requests open.
    clients = [greeted(port, source) for source in ["127.0.0.2", "127.0.0.3"] * 3]
    for c in clients:
        c.sendall(b"%2INPT ?\r")
    for c in clients:
        check("each of several connections", reply_to(c, "%2INPT ?"), b"%2INPT=11\r")
    for c in clients + [s]:
        c.close()


# --- passthrough --------------------------------------------------------------------------------------------

# A fresh q7sim --fast stays in stand by: its status replies, CR included.
STANDBY = {b"CR0\r": b"80\r", b"CR1\r": b"1\r"}


def exchange(port, source, rounds, pause, result):
    """rounds of frames, each sent in one send and its replies read before the next; the replies seen."""
    try:
        with connect(port, source, "127.0.0.1") as s:
            for frames in rounds:
                s.sendall(b"".join(frames))
                want = b"".join(STANDBY[f] for f in frames)
                got = b""
                while len(got) < len(want):
                    got += s.recv(4096) or fail(f"{source}: closed after {got!r}")
                if got != want:
                    fail(f"{source}: {b''.join(frames)!r} answered {got!r}, expected {want!r}")
                time.sleep(pause)
        result.append("ok")
    except (AssertionError, OSError) as e:
        result.append(f"{source}: {e}")


def interleaved(count):
    """CR0 and CR1 alternating, count of each, sent 1, 2 or 3 frames together."""
    frames = [b"CR0\r", b"CR1\r"] * count
    rounds, at, size = [], 0, 1
    while at < len(frames):
        rounds.append(frames[at : at + size])
        at += size
        size = size % 3 + 1
    return rounds


def both_at_once(port, pause, also=None):
    results = {"127.0.0.2": [], "127.0.0.3": []}
    threads = [threading.Thread(target=exchange, args=(port, src, interleaved(20), pause, r)) for src, r in results.items()]
    for t in threads:
        t.start()
    if also:
        also()
    for t in threads:
        t.join(60)
    for source, result in results.items():
        check(f"passthrough client {source}", result, ["ok"])


def part_passthrough(programs):
    url, sim_log = programs.start_sim()
    port = free_port()
    programs.start_bridge(["--line", "hall=" + url, "--passthrough", f"hall=127.0.0.1:{port}", "--poll", "1",
                           "--pjlink-udp-port", "0"], ("127.0.0.1", port))
    both_at_once(port, 0.0)

    # One client that sends 100 frames and never reads is closed; the other goes on being answered.
    flood = {}

    def flooder():
        with connect(port, "127.0.0.3", "127.0.0.1") as s:
            s.sendall(b"CR0\r" * 100)
            got, end = b"", time.monotonic() + 10
            try:
                while time.monotonic() < end:
                    chunk = s.recv(4096)
                    if not chunk:
                        flood["closed"] = "end of stream"
                        break
                    got += chunk
            except ConnectionResetError:
                flood["closed"] = "reset"
            except socket.timeout:
                pass
            flood["replies"] = got.count(b"\r")

    both_at_once(port, 0.02, also=flooder)
    if "closed" not in flood:
        fail(f"a client with 100 frames waiting is still open after 10 s ({flood.get('replies')} replies)")
    if flood["replies"] >= 100:
        fail("a client with 100 frames waiting had them all answered")
    print(f"ok a flooding client is closed ({flood['closed']}, {flood['replies']} replies before)", flush=True)
    exchange(port, "127.0.0.2", [[b"CR0\r"]], 0, result := [])
    check("passthrough after the flood", result, ["ok"])

    # The projector saw whole frames only: every frame the simulator logged is one of ours or one of the
    # bridge's polls (a status query C R ...), never two run together or one cut.
    time.sleep(0.5)
    with open(sim_log, errors="replace") as f:
        frames = re.findall(r' RX "(.*)" to ', f.read())
    torn = [f for f in frames if not re.fullmatch(r"(A\d{3}|AFFF)?CR([0-9A-Z]+| [A-Z]+)", f) or f.count("CR") != 1]
    if torn:
        fail(f"frames torn or interleaved at the projector: {torn[:10]!r}")
    ours = frames.count("CR0") + frames.count("CR1")
    if ours < 2 * 2 * 40 + 1:
        fail(f"the projector saw {ours} of the clients' frames, expected at least {2 * 2 * 40 + 1}")
    print(f"ok the projector's log: {len(frames)} whole frames, {ours} CR0/CR1", flush=True)


# --- UDP, in a network namespace of the test's own ----------------------------------------------------------

UDP = 4352


def part_udp(programs):
    unshare = shutil.which("unshare")
    tried = subprocess.run([unshare, "-rn", "true"], capture_output=True, text=True) if unshare else None
    if not tried or tried.returncode != 0:
        why = tried.stderr.strip() if tried else "no unshare (util-linux)"
        print(f"SKIP: a user and network namespace of the test's own (unshare -rn) is not permitted here: {why}")
        sys.exit(SKIP)
    # Re-run as root of a namespace of its own; its result is this part's.
    done = subprocess.run([unshare, "-rn", sys.executable, __file__, "udp-inside", programs.bridge, programs.sim],
                          timeout=90)
    if done.returncode != 0:
        fail(f"the part inside the namespace failed ({done.returncode})")


def sh(*cmd):
    done = subprocess.run(cmd, capture_output=True, text=True)
    if done.returncode != 0:
        fail(f"{' '.join(cmd)}: {done.stderr.strip()}")


def part_udp_inside(programs):
    """The bridge's side 10.77.0.1, a controller's 10.77.0.2 in a second namespace, a veth pair between: the
    controller's socket on UDP 4352 is then not the bridge's."""
    sh("ip", "link", "set", "lo", "up")
    sh("ip", "link", "add", "v0", "type", "veth", "peer", "name", "v1")
    holder = subprocess.Popen(["unshare", "-n", "sleep", "120"])
    programs.procs.append(holder)
    holder.name = "namespace"
    time.sleep(0.2)
    other = f"/proc/{holder.pid}/ns/net"
    sh("ip", "link", "set", "v1", "netns", str(holder.pid))
    sh("ip", "addr", "add", "10.77.0.1/24", "brd", "+", "dev", "v0")
    sh("ip", "link", "set", "v0", "up")
    for cmd in (["ip", "link", "set", "lo", "up"], ["ip", "addr", "add", "10.77.0.2/24", "brd", "+", "dev", "v1"],
                ["ip", "link", "set", "v1", "up"]):
        sh("nsenter", "--net=" + other, *cmd)

    controller = subprocess.Popen(["nsenter", "--net=" + other, sys.executable, __file__, "udp-controller"],
                                  stdout=subprocess.PIPE, text=True)
    programs.procs.append(controller)
    controller.name = "controller"
    check("the controller's socket", controller.stdout.readline().strip(), "listening")

    url, _ = programs.start_sim()
    port = 4353
    programs.start_bridge(["--line", "hall=" + url, "--pjlink", f"hall/single=10.77.0.1:{port}", "--poll", "1",
                           "--pjlink-udp-port", str(UDP), "--pjlink-notify", "10.77.0.2"], ("10.77.0.1", port))
    try:
        out, _ = controller.communicate(timeout=30)
    except subprocess.TimeoutExpired:
        fail("the controller did not end within 30 s")
    print(out, end="", flush=True)
    if controller.returncode != 0:
        fail("the controller's checks failed")


def part_udp_controller():
    """In the controller's namespace: the LKUP at the bridge's start, then a search; exit status is the result."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    s.bind(("0.0.0.0", UDP))
    print("listening", flush=True)

    def wait_for(body, seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            s.settimeout(max(0.01, end - time.monotonic()))
            try:
                data, (source, sport) = s.recvfrom(4096)
            except socket.timeout:
                break
            if source == "10.77.0.2":
                continue  # our own broadcast, looped back
            print(f"from {source}:{sport}: {data!r}", flush=True)
            if data.startswith(b"%2" + body + b"="):
                check(f"{body.decode()}'s sender", source, "10.77.0.1")
                return data
        fail(f"no %2{body.decode()} from 10.77.0.1 within {seconds} s")

    def mac_of(data, body):
        m = re.fullmatch(rb"%2" + body + rb"=([0-9A-Fa-f]{2}(?::[0-9A-Fa-f]{2}){5})\r", data)
        if not m or len(data) != 25:
            fail(f"{data!r} is not %2{body.decode()}=XX:XX:XX:XX:XX:XX and CR (25 bytes)")
        first = int(m.group(1)[:2], 16)
        if first & 0x02 != 0x02 or first & 0x01:
            fail(f"{m.group(1)!r} is not a locally administered unicast address")
        return m.group(1).upper()

    try:
        lkup = mac_of(wait_for(b"LKUP", 15), b"LKUP")
        print(f"ok %2LKUP at start: {lkup.decode()}", flush=True)
        s.sendto(b"%2SRCH\r", ("10.77.0.255", UDP))
        ackn = mac_of(wait_for(b"ACKN", 5), b"ACKN")
        check("%2ACKN's address is the LKUP's", ackn, lkup)
        with socket.create_connection(("10.77.0.1", 4353), timeout=5) as t:
            check("PJLink on 10.77.0.1 from the controller's namespace", t.recv(4096), b"PJLINK 0\r")
    except (AssertionError, OSError) as e:
        print(f"FAIL: {e}", flush=True)
        return 1
    return 0


PARTS = {"client": part_client, "class2": part_class2, "passthrough": part_passthrough, "udp": part_udp,
         "udp-inside": part_udp_inside}

if __name__ == "__main__":
    if sys.argv[1:2] == ["udp-controller"]:
        sys.exit(part_udp_controller())
    if len(sys.argv) < 4 or sys.argv[1] not in PARTS:
        print(__doc__, file=sys.stderr)
        sys.exit(2)
    sys.exit(run(PARTS[sys.argv[1]], *sys.argv[2:]))
