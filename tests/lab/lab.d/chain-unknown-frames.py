#!/usr/bin/env python3
"""Sends Ethernet frames of an ethertype nobody handles (0x88b5, for local
experiments) out of a device, which the kernel on the other end of the link
counts as dropped on receipt: a router interface made to discard.

    chain-unknown-frames.py DEVICE COUNT INTERVAL_MS

Ends after COUNT frames, INTERVAL_MS apart.
"""
import socket
import sys
import time


def main():
    device, count, interval = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]) / 1000.0
    s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW)
    s.bind((device, 0))
    frame = b"\xff" * 6 + b"\x02\x00\x00\x00\x00\x01" + b"\x88\xb5" + b"tesmo lab discard" * 3
    for _ in range(count):
        s.send(frame)
        time.sleep(interval)


if __name__ == "__main__":
    main()
