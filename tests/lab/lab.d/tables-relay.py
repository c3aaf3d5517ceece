#!/usr/bin/env python3
"""UDP relay of the table pages' lab: listens on an address of the lab
namespace (IPv4 or IPv6) and hands every datagram to an agent on the loopback of another
namespace, and the agent's answers back. The agents' own namespaces thus keep
exactly the interfaces, addresses, routes and ARP entries the harness gave
them: no link to the lab namespace shows up in their tables.

    tables-relay.py LISTEN_ADDRESS LISTEN_PORT AGENT_NETNS AGENT_PORT

Started inside the lab namespace: the listening socket is made there, then
the relay moves into AGENT_NETNS, where every upstream socket is made.
"""
import ctypes
import os
import select
import socket
import sys
import time

CLONE_NEWNET = 0x40000000
IDLE_SECONDS = 60


def enter_netns(name):
    libc = ctypes.CDLL(None, use_errno=True)
    fd = os.open("/var/run/netns/" + name, os.O_RDONLY)
    if libc.setns(fd, CLONE_NEWNET) != 0:
        raise OSError(ctypes.get_errno(), "setns " + name)
    os.close(fd)


def main():
    listen_address, listen_port, agent_netns, agent_port = sys.argv[1:5]
    family = socket.AF_INET6 if ":" in listen_address else socket.AF_INET
    listener = socket.socket(family, socket.SOCK_DGRAM)
    listener.bind((listen_address, int(listen_port)))
    enter_netns(agent_netns)
    agent = ("127.0.0.1", int(agent_port))
    upstream = {}  # client address -> [socket, last use]
    client_of = {}  # upstream socket -> client address
    while True:
        sockets = [listener] + [entry[0] for entry in upstream.values()]
        readable, _, _ = select.select(sockets, [], [], 5.0)
        now = time.monotonic()
        for s in readable:
            if s is listener:
                data, client = listener.recvfrom(65535)
                entry = upstream.get(client)
                if entry is None:
                    u = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
                    u.connect(agent)
                    entry = upstream[client] = [u, now]
                    client_of[u] = client
                entry[1] = now
                try:
                    entry[0].send(data)
                except OSError:
                    pass
            else:
                try:
                    data = s.recv(65535)
                except OSError:
                    continue
                client = client_of[s]
                upstream[client][1] = now
                listener.sendto(data, client)
        for client, (u, last) in list(upstream.items()):
            if now - last > IDLE_SECONDS:
                del upstream[client]
                del client_of[u]
                u.close()


if __name__ == "__main__":
    main()
