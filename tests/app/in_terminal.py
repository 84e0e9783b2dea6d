#!/usr/bin/env python3
"""Runs a program on a pseudo-terminal of the given width and copies all it
writes to standard output; exits with the program's exit code.
usage: in_terminal.py COLUMNS PROGRAM [ARGUMENT...]"""
import fcntl
import os
import pty
import struct
import sys
import termios

columns = int(sys.argv[1])
pid, terminal = pty.fork()
if pid == 0:
    fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))
    os.execv(sys.argv[2], sys.argv[2:])
while True:
    try:
        chunk = os.read(terminal, 65536)
    except OSError:  # the program closed its side
        break
    if not chunk:
        break
    sys.stdout.buffer.write(chunk)
_, status = os.waitpid(pid, 0)
sys.exit(os.waitstatus_to_exitcode(status))
