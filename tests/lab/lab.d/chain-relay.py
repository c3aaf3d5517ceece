#!/usr/bin/env python3
"""Ethernet relay between two TAP devices of the chain lab (chain.up) and the
faults lab (faults.up).

    chain-relay.py TAP_A TAP_B DELAY_MS READY_FILE [CONTROL_FILE FILTER_SOURCE]

Every frame read from one device is written to the other after DELAY_MS
milliseconds (0: at once). With a control file the relay does what the file
says; it is read again whenever it changes, which also restarts any count:

    (empty or missing)  forward everything
    drop                drop every ICMP time-exceeded message whose IP source
                        is FILTER_SOURCE ("-" for none)
    pass N              pass the next N of those, drop the ones after
    loss PERCENT        drop that share of the IPv4 frames, both ways, spread
                        evenly (3 of every 10 for 30: never two in a row, so
                        one retry always gets through)
    hold                forward no IPv4 frame: a dead link
    kill-after N FILE   forward everything, and once N IPv4 frames have come
                        from TAP_B's side kill (SIGKILL) the process whose pid
                        FILE holds: a peer that dies in the middle of a reply

Frames that are not IPv4 (ARP, IPv6) always pass, after the same delay. With a control file the relay
writes "forwarded FORWARDED dropped DROPPED killed KILLED" (IPv4 frames since
it started) to CONTROL_FILE.count after each frame it drops and each kill.

The relay opens both devices in the namespace it starts in; the lab then
moves one of them elsewhere with the relay's file still attached.
"""
import collections
import fcntl
import os
import select
import signal
import socket
import struct
import sys
import time

TUNSETIFF, IFF_TAP, IFF_NO_PI = 0x400454CA, 0x0002, 0x1000


def open_tap(name):
    fd = os.open("/dev/net/tun", os.O_RDWR | os.O_NONBLOCK)
    fcntl.ioctl(fd, TUNSETIFF, struct.pack("16sH", name.encode(), IFF_TAP | IFF_NO_PI))
    return fd


class Control:
    def __init__(self, path, source):
        self.path = path
        self.source = socket.inet_aton(source) if source and source != "-" else None
        self.stamp = None
        self.words = []
        self.left = 0  # time-exceeded messages still to pass, or frames before the kill
        self.debt = 0.0  # of the loss share
        self.forwarded = self.dropped = self.killed = 0

    def refresh(self):
        try:
            st = os.stat(self.path)
            stamp = (st.st_mtime_ns, st.st_size, st.st_ino)
        except OSError:
            stamp = None
        if stamp == self.stamp:
            return
        self.stamp = stamp
        text = ""
        if stamp is not None:
            try:
                with open(self.path) as f:
                    text = f.read().strip()
            except OSError:
                pass
        self.words = text.split()
        self.debt = 0.0
        self.left = 0
        if len(self.words) >= 2 and self.words[0] in ("pass", "kill-after") and self.words[1].isdigit():
            self.left = int(self.words[1])

    def time_exceeded(self, ip):
        header = (ip[0] & 0x0F) * 4
        return (self.source is not None and ip[9] == 1 and ip[12:16] == self.source
                and len(ip) >= header + 8 and ip[header] == 11)

    def drops(self, frame, from_b):
        """True when the frame is not to be forwarded."""
        if len(frame) < 14 + 20 or frame[12:14] != b"\x08\x00":
            return False
        self.refresh()
        drop = self.decide(frame[14:], from_b)
        if drop:
            self.dropped += 1
            self.write_count()
        else:
            self.forwarded += 1
        return drop

    def decide(self, ip, from_b):
        mode = self.words[0] if self.words else ""
        if mode == "loss":
            share = float(self.words[1]) / 100.0 if len(self.words) == 2 else 0.0
            self.debt += share
            if self.debt >= 1.0:
                self.debt -= 1.0
                return True
            return False
        if mode == "hold":
            return True
        if mode == "kill-after":
            if from_b and self.left > 0:
                self.left -= 1
                if self.left == 0:
                    self.kill()
            return False
        counted = mode == "drop" or (mode == "pass" and len(self.words) == 2 and self.words[1].isdigit())
        if counted and self.time_exceeded(ip):
            if self.left > 0:
                self.left -= 1
                return False
            return True
        return False

    def kill(self):
        try:
            with open(self.words[2]) as f:
                os.kill(int(f.read().split()[0]), signal.SIGKILL)
            self.killed += 1
        except (OSError, ValueError, IndexError):
            pass
        # Once per command, until the file changes.
        self.words = ["kill-after", "done"]
        self.write_count()

    def write_count(self):
        temp = self.path + ".count.tmp"
        with open(temp, "w") as f:
            f.write("forwarded %d dropped %d killed %d\n" % (self.forwarded, self.dropped, self.killed))
        os.replace(temp, self.path + ".count")


def main():
    a, b = open_tap(sys.argv[1]), open_tap(sys.argv[2])
    delay = float(sys.argv[3]) / 1000.0
    ready = sys.argv[4]
    control = Control(sys.argv[5], sys.argv[6]) if len(sys.argv) > 6 else None
    open(ready, "w").close()
    other = {a: b, b: a}
    waiting = {a: collections.deque(), b: collections.deque()}  # frames due for writing to fd
    while True:
        due = [q[0][0] for q in waiting.values() if q]
        timeout = max(0.0, min(due) - time.monotonic()) if due else None
        readable, _, _ = select.select([a, b], [], [], timeout)
        for fd in readable:
            while True:
                try:
                    frame = os.read(fd, 65536)
                except BlockingIOError:
                    break
                if control is not None and control.drops(frame, fd == b):
                    continue
                if delay <= 0:
                    try:
                        os.write(other[fd], frame)
                    except OSError:
                        pass
                else:
                    waiting[other[fd]].append((time.monotonic() + delay, frame))
        now = time.monotonic()
        for fd, q in waiting.items():
            while q and q[0][0] <= now:
                try:
                    os.write(fd, q.popleft()[1])
                except OSError:
                    pass


if __name__ == "__main__":
    main()
