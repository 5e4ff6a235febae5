#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Serial device servers that misbehave, for the network line's tests. Listens on 127.0.0.1 (or --bind),
prints the port on the first line of its output and "connection" for each client, and serves every client in
the way MODE says until it is killed:

  hangup SECONDS   accept and hang up at once for SECONDS, then keep each connection open
  renegotiate      RFC 2217: turn SUPPRESS-GO-AHEAD on and off as fast as it can, never reading
  flood            RFC 2217: never negotiate; send data as fast as the client takes it
  refuse-binary    RFC 2217: agree everything, confirm the line, then refuse binary transmission
  keep BAUD        RFC 2217: agree everything, but keep the line at BAUD bit/s whatever is asked
  refuse-comport   RFC 2217: refuse the serial port control option
  none             close the listening socket at once: nothing serves the port
  deaf             raw: accept and never read, with a small receive buffer
  drain BAUD       raw: read at the speed of a serial line of BAUD bit/s (10 bits a character); print
                   "MS BYTES" for every read, MS counted from the first byte
"""
import socket
import sys
import threading
import time

IAC, WILL, WONT, DO, DONT, SB, SE = 255, 251, 252, 253, 254, 250, 240
BINARY, SGA, COM_PORT = 0, 3, 44


def say(*words):
    print(*words, flush=True)


def telnet(*codes):
    return bytes(codes)


def renegotiate(conn):
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    flips = telnet(IAC, WONT, SGA, IAC, WILL, SGA) * 1000
    while True:
        conn.sendall(flips)


def flood(conn):
    chunk = b"0123456789" * 6553
    while True:
        conn.sendall(chunk)


# Agrees what ser2net agrees and answers each COM-PORT SET command with the value asked for (a speed of its
# own with keep), as requests come; with refuse, refuses binary transmission once the line is confirmed.
def ser2net(conn, keep=None, refuse=False):
    conn.sendall(telnet(IAC, WILL, SGA, IAC, DO, SGA, IAC, DO, BINARY, IAC, WILL, BINARY, IAC, DO, COM_PORT))
    pending = b""
    while True:
        data = conn.recv(4096)
        if not data:
            return
        pending += data
        while True:
            start = pending.find(telnet(IAC, SB, COM_PORT))
            end = pending.find(telnet(IAC, SE), start)
            if start < 0 or end < 0:
                break
            command, value = pending[start + 3], pending[start + 4:end].replace(b"\xff\xff", b"\xff")
            if command == 1 and keep:
                value = keep.to_bytes(4, "big")
            conn.sendall(telnet(IAC, SB, COM_PORT, command + 100) + value.replace(b"\xff", b"\xff\xff") +
                         telnet(IAC, SE))
            pending = pending[end + 2:]
            if command == 4 and refuse:
                time.sleep(0.5)
                conn.sendall(telnet(IAC, WONT, BINARY) + b"00\r")


def drain(conn, baud):
    per_byte = 10.0 / baud
    first = None
    while True:
        data = conn.recv(1)
        if not data:
            return
        now = time.monotonic()
        first = first or now
        say(f"{(now - first) * 1000:.1f} {len(data)}")
        time.sleep(per_byte)


def main():
    args = sys.argv[1:]
    bind = "127.0.0.1"
    if args[:1] == ["--bind"]:
        bind, args = args[1], args[2:]
    mode = args[0]
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    if mode == "deaf":  # before listen(), so that the window stays small
        listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    listener.bind((bind, 0))
    listener.listen(16)
    say(listener.getsockname()[1])
    if mode in ("none", "no-such-host"):
        listener.close()
        while True:
            time.sleep(60)
    started = time.monotonic()
    while True:
        conn, _ = listener.accept()
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        say("connection")
        if mode == "hangup" and time.monotonic() - started < float(args[1]):
            conn.close()
            continue
        serve = {
            "hangup": lambda c: all(iter(lambda: c.recv(4096), b"")),
            "renegotiate": renegotiate,
            "flood": flood,
            "refuse-binary": lambda c: ser2net(c, refuse=True),
            "keep": lambda c: ser2net(c, keep=int(args[1])),
            "refuse-comport": lambda c: c.sendall(telnet(IAC, DONT, COM_PORT)) or all(iter(lambda: c.recv(4096), b"")),
            "drain": lambda c: drain(c, int(args[1])),
            "deaf": lambda c: threading.Event().wait(),
        }[mode]

        def run(c=conn):
            try:
                serve(c)
            except OSError:
                pass
            c.close()

        threading.Thread(target=run, daemon=True).start()


if __name__ == "__main__":
    main()
