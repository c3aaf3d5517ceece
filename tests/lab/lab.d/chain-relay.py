#!/usr/bin/env python3
"""Ethernet relay between two TAP devices of the chain lab (chain.up).

    chain-relay.py TAP_A TAP_B DELAY_MS READY_FILE [CONTROL_FILE FILTER_SOURCE]

Every frame read from one device is written to the other after DELAY_MS
milliseconds (0: at once). With a control file, ICMP time-exceeded messages
whose IP source is FILTER_SOURCE are dropped as the file says:

    (empty or missing)  pass them all
    drop                drop them all
    pass N              pass the next N, drop the ones after

The file is read again whenever it changes, which also restarts the count, so
a test switches the filter by writing the file. The relay opens both devices
in the namespace it starts in; chain.up then moves one of them elsewhere with
the relay's file still attached.
"""
import collections
import fcntl
import os
import select
import socket
import struct
import sys
import time

TUNSETIFF, IFF_TAP, IFF_NO_PI = 0x400454CA, 0x0002, 0x1000


def open_tap(name):
    fd = os.open("/dev/net/tun", os.O_RDWR | os.O_NONBLOCK)
    fcntl.ioctl(fd, TUNSETIFF, struct.pack("16sH", name.encode(), IFF_TAP | IFF_NO_PI))
    return fd


class Filter:
    def __init__(self, path, source):
        self.path = path
        self.source = socket.inet_aton(source) if source else None
        self.stamp = None
        self.mode = "pass"
        self.left = 0

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
            with open(self.path) as f:
                text = f.read().strip()
        words = text.split()
        if not words:
            self.mode = "pass"
        elif words[0] == "drop":
            self.mode, self.left = "count", 0
        elif words[0] == "pass" and len(words) == 2 and words[1].isdigit():
            self.mode, self.left = "count", int(words[1])
        else:
            self.mode = "pass"

    def drops(self, frame):
        """True when the frame is a time-exceeded message to drop."""
        if self.source is None or len(frame) < 14 + 20 + 8:
            return False
        if frame[12:14] != b"\x08\x00":
            return False
        ip = frame[14:]
        header = (ip[0] & 0x0F) * 4
        if ip[9] != 1 or ip[12:16] != self.source or len(ip) < header + 8 or ip[header] != 11:
            return False
        self.refresh()
        if self.mode == "pass":
            return False
        if self.left > 0:
            self.left -= 1
            return False
        return True


def main():
    a, b = open_tap(sys.argv[1]), open_tap(sys.argv[2])
    delay = float(sys.argv[3]) / 1000.0
    ready = sys.argv[4]
    control = Filter(sys.argv[5], sys.argv[6]) if len(sys.argv) > 6 else None
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
                if control is not None and control.drops(frame):
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
