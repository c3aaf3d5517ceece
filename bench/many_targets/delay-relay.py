#!/usr/bin/env python3
"""UDP relay with a fixed delay each way, for the many-target benchmark:
agent N on 127.0.78.N:161 is reached at 127.0.79.N:161, DELAY_MS later in
each direction, as a device some way off on the network.

    delay-relay.py COUNT DELAY_MS
"""
import heapq
import select
import socket
import sys
import time

count, delay = int(sys.argv[1]), float(sys.argv[2]) / 1000.0
fronts = {}  # listening socket -> agent address
for n in range(1, count + 1):
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind(("127.0.79.%d" % n, 161))
    fronts[s] = ("127.0.78.%d" % n, 161)
backs = {}  # (front socket, client) -> upstream socket
owners = {}  # upstream socket -> (front socket, client)
queue = []  # (when, sequence, socket, data, address)
sequence = 0
idle_until = time.monotonic() + 600
while time.monotonic() < idle_until:
    timeout = max(0.0, queue[0][0] - time.monotonic()) if queue else 1.0
    ready, _, _ = select.select(list(fronts) + list(owners), [], [], timeout)
    now = time.monotonic()
    for s in ready:
        data, source = s.recvfrom(65535)
        if s in fronts:
            key = (s, source)
            if key not in backs:
                up = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
                backs[key], owners[up] = up, key
            target = (backs[key], fronts[s])
        else:
            front, client = owners[s]
            target = (front, client)
        sequence += 1
        heapq.heappush(queue, (now + delay, sequence, target[0], data, target[1]))
    while queue and queue[0][0] <= time.monotonic():
        _, _, s, data, address = heapq.heappop(queue)
        s.sendto(data, address)
