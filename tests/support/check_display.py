#!/usr/bin/env python3
"""The X server that the test programs share must keep a client that is still in its set-up when the
last running client leaves.

Xvfb's default is to reset whenever its last client goes, and a reset drops every connection it has
accepted but not yet set up: a test program that was just opening its window then finds no display
(SDL falls back to its "offscreen" driver), and the busier the machine, the wider that window. `make
test` runs Xvfb with -noreset; this check fails on a display that still resets. Exit 77: no display.
"""
import os
import socket
import struct
import sys

SKIP = 77
TRIES = 20  # clients that come and go while the waiting one waits


def display_number():
    value = os.environ.get("DISPLAY", "")
    if not value.startswith(":"):
        return None
    return value[1:].split(".")[0]


def cookie(number):
    """The MIT-MAGIC-COOKIE-1 for this display from the authority file, or None."""
    path = os.environ.get("XAUTHORITY") or os.path.expanduser("~/.Xauthority")
    try:
        data = open(path, "rb").read()
    except OSError:
        return None
    pos = 0

    def field():
        nonlocal pos
        (size,) = struct.unpack(">H", data[pos:pos + 2])
        pos += 2 + size
        return data[pos - size:pos]

    while pos + 2 <= len(data):
        (family,) = struct.unpack(">H", data[pos:pos + 2])
        pos += 2
        field()  # address
        entry_number, name, secret = field(), field(), field()
        if family in (256, 65535) and entry_number.decode() == number and name == b"MIT-MAGIC-COOKIE-1":
            return secret
    return None


def padded(raw):
    return raw + b"\0" * (-len(raw) % 4)


def connect(number):
    """A connection the server accepts; nothing is said on it yet."""
    for address in ("\0/tmp/.X11-unix/X" + number, "/tmp/.X11-unix/X" + number):
        s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        try:
            s.connect(address)
            return s
        except OSError:
            s.close()
    raise OSError("no X server listens on :" + number)


def receive(s, size):
    data = b""
    while len(data) < size:
        chunk = s.recv(size - len(data))
        if not chunk:
            raise ConnectionError("the server closed the connection")
        data += chunk
    return data


def set_up(s, secret):
    """Sends the connection set-up; True when the server accepts the client."""
    name = b"MIT-MAGIC-COOKIE-1" if secret else b""
    secret = secret or b""
    s.sendall(struct.pack("<BxHHHHxx", ord("l"), 11, 0, len(name), len(secret)) + padded(name) + padded(secret))
    head = receive(s, 8)
    receive(s, 4 * struct.unpack("<H", head[6:8])[0])
    return head[0] == 1


def intern(s, name, only_if_exists):
    """The atom of that name (0: none and only_if_exists)."""
    body = struct.pack("<Hxx", len(name)) + padded(name)
    s.sendall(struct.pack("<BBH", 16, only_if_exists, 1 + len(body) // 4) + body)
    reply = receive(s, 32)
    if reply[0] != 1:
        raise ConnectionError("InternAtom failed")
    return struct.unpack("<I", reply[8:12])[0]


def main():
    number = display_number()
    if number is None:
        print("no X display (DISPLAY is not :N)")
        return SKIP
    secret = cookie(number)
    probe = b"NE_DISPLAY_CHECK_%d" % os.getpid()
    waiting = connect(number)
    try:
        first = connect(number)
        if not set_up(first, secret):
            print("the display refuses our clients")
            return 1
        intern(first, probe, 0)
        first.close()
        # Each client that leaves last resets a resetting server, which empties its atom table.
        for _ in range(TRIES):
            other = connect(number)
            try:
                if not set_up(other, secret):
                    print("the display refused a client")
                    return 1
                gone = intern(other, probe, 1) == 0
            finally:
                other.close()
            if gone:
                break
        if not set_up(waiting, secret):
            print("the display refused the waiting client")
            return 1
    except (ConnectionError, OSError) as e:
        print("FAIL: the display dropped a client in its set-up when the last client left (%s); "
              "run Xvfb with -noreset" % e)
        return 1
    finally:
        waiting.close()
    print("the display keeps clients that are still setting up")
    return 0


if __name__ == "__main__":
    sys.exit(main())
