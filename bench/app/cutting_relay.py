#!/usr/bin/env python3
"""A TCP relay on a free port of 127.0.0.1 in front of a local server. The
first CUTS connections are closed after BYTES bytes of the server's answer,
as a dropped connection would be; later ones pass everything. Prints its port,
then relays until killed.

usage: cutting_relay.py TARGET_PORT CUTS BYTES
"""
import socket
import sys
import threading


def pump(source, sink, limit):
    sent = 0
    try:
        while limit is None or sent < limit:
            block = source.recv(65536 if limit is None else min(65536, limit - sent))
            if not block:
                break
            sink.sendall(block)
            sent += len(block)
    except OSError:
        pass
    for end in (source, sink):
        try:
            end.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def main():
    target, cuts, limit = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    accepted = 0
    while True:
        client, _ = listener.accept()
        server = socket.create_connection(("127.0.0.1", target))
        accepted += 1
        answer_limit = limit if accepted <= cuts else None
        threading.Thread(target=pump, args=(client, server, None), daemon=True).start()
        threading.Thread(target=pump, args=(server, client, answer_limit), daemon=True).start()


if __name__ == "__main__":
    main()
