#!/usr/bin/env python3
"""chain-unknown-frames.py DEVICE COUNT INTERVAL_MS: COUNT frames of an
ethertype nobody handles (0x88b5, local experiments) out of DEVICE, which the
kernel at the link's other end counts as dropped: an interface that discards."""
import socket
import sys
import time

s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
s.bind((sys.argv[1], 0))
for _ in range(int(sys.argv[2])):
    s.send(b"\xff" * 6 + b"\x02\x00\x00\x00\x00\x01\x88\xb5" + b"tesmo lab discard" * 3)
    time.sleep(float(sys.argv[3]) / 1000.0)
