#!/usr/bin/env python3
"""The real parlane-server against clients that misbehave, while a watcher
stays logged in throughout: random bytes, lines cut off half way (and held
open, or closed, or trickled in one byte at a time), floods of good and of
bad lines from clients that read and from clients that never read, and 600
connections opened at once and dropped at once; names and chat text that
no client should have to draw are refused. Afterwards the server still
runs, serves a newcomer, has not grown past a bound, and stops with status
0. (Lines over the limit and the login time-out are tested in
tests/server/chatserver_test.cpp.)"""

import os
import random
import selectors
import shutil
import socket
import struct
import sys
import threading
import time

from harness import Server, Session, check
from hostile import memory_limit_kb, raw_connect, read_until_closed, resident_kb

CROWD = 600
MEMORY_LIMIT_KB = 100 * 1024


def garbage(server):
    """Random bytes, before and after a login: the server answers bad lines
    with ERROR and goes on reading."""
    noise = random.Random(2).randbytes(1 << 20)
    stranger = raw_connect(server.address)
    try:
        stranger.sendall(noise)
    except (ConnectionResetError, BrokenPipeError):
        pass  # a first line that is not NAME gets ERROR and the link closed, maybe mid-send
    stranger.close()
    babbler = raw_connect(server.address)
    babbler.sendall(b";NAME;Babbler\n" + noise + b"\nBabbler;TEXT;OOC;still me\n")
    return babbler


def half_lines(server, watcher):
    """One client holds half a line for the rest of the test, one closes
    after half a line, one trickles a login in one byte at a time."""
    holder = raw_connect(server.address)
    holder.sendall(b";NAME;Hol")
    quitter = raw_connect(server.address)
    quitter.sendall(b";NAME;Quitter\nQuitter;TEXT;OOC;never fini")
    watcher.wait_for("Quitter", "ONLINE", "1")
    quitter.close()
    watcher.wait_for("Quitter", "ONLINE", "0")
    check(not watcher.find("Quitter", "TEXT"), "the half line was relayed")
    trickler = raw_connect(server.address)
    for byte in b";NAME;Trickler\nTrickler;TEXT;OOC;one by one\n":
        trickler.sendall(bytes([byte]))
        time.sleep(0.005)
    watcher.wait_for("Trickler", "TEXT", "OOC", "one by one")
    return [holder, trickler]


def floods(server, watcher):
    """A client that sends 20,000 lines and reads its echoes; one that sends
    bad lines, earning an ERROR for each, and never reads; one that asks for
    a long biography over and over and never reads."""
    sockets = []
    talker = raw_connect(server.address)
    echoes = {"data": b""}

    def read_echoes():
        talker.settimeout(0.5)
        end = time.monotonic() + 60
        while time.monotonic() < end and echoes["data"].count(b"flood 19999\n") == 0:
            try:
                chunk = talker.recv(65536)
            except socket.timeout:
                continue
            except OSError:
                return
            if not chunk:
                return
            echoes["data"] += chunk
    reader = threading.Thread(target=read_echoes, daemon=True)
    reader.start()
    talker.sendall(b";NAME;Talker\n" + b"".join(b"Talker;TEXT;OOC;flood %d\n" % i for i in range(20000)))
    reader.join(65)
    check(b"Talker;TEXT;OOC;flood 19999\n" in echoes["data"], "the talker's flood was not echoed in full")
    watcher.wait_for("Talker", "TEXT", "OOC", "flood 19999", timeout=30)
    sockets.append(talker)

    def send_unread(name, payload):
        sock = raw_connect(server.address)
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
        sock.settimeout(20)
        try:
            sock.sendall(b";NAME;" + name + b"\n" + payload)
        except OSError:
            pass  # the server may stop reading it, or drop it
        sockets.append(sock)

    bad = b"".join(b"Spammer;NOSUCH;%d\n" % i for i in range(150000))
    spammer = threading.Thread(target=send_unread, args=(b"Spammer", bad), daemon=True)
    spammer.start()
    # The longest biography the server takes, asked for far past its output limit.
    biography = b"Hoarder;SETBIOGRAPHY|" + b"b" * 16384 + b"\n"
    asks = b"".join(b"Hoarder;GETBIOGRAPHY;Hoarder\n" for _ in range(1000))
    hoarder = threading.Thread(target=send_unread, args=(b"Hoarder", biography + asks), daemon=True)
    hoarder.start()
    spammer.join(30)
    hoarder.join(30)
    server.wait_log(r"^Disconnecting 127\.0\.0\.1:\d+: Too much output waiting$", timeout=30)
    return sockets


def crowd(server, watcher):
    """600 connections at once, each logging in as soon as it is connected;
    then all of them gone at once, without a goodbye."""
    host, port = server.address.rsplit(":", 1)
    selector = selectors.DefaultSelector()
    socks = []
    for i in range(CROWD):
        sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        sock.setblocking(False)
        sock.connect_ex((host, int(port)))
        selector.register(sock, selectors.EVENT_WRITE, i)
        socks.append(sock)
    data = [b""] * CROWD
    done = set()
    end = time.monotonic() + 60
    while len(done) < CROWD and time.monotonic() < end:
        for key, events in selector.select(0.2):
            i, sock = key.data, key.fileobj
            if events & selectors.EVENT_WRITE:
                check(sock.getsockopt(socket.SOL_SOCKET, socket.SO_ERROR) == 0, "connection %d failed" % i)
                try:
                    sock.send(b";NAME;Crowd%03d\n" % i)
                except OSError:
                    pass  # already told the server is full and closed
                selector.modify(sock, selectors.EVENT_READ, i)
                continue
            try:
                chunk = sock.recv(65536)
            except BlockingIOError:
                continue
            except OSError:
                chunk = b""
            data[i] += chunk
            if not chunk or b"Server full" in data[i] or b"Crowd%03d;ONLINE;1" % i in data[i]:
                done.add(i)
                selector.unregister(sock)
    selector.close()
    full = [i for i in range(CROWD) if b"*;ERROR;Server full\n" in data[i]]
    logged = [i for i in range(CROWD) if b"Crowd%03d;ONLINE;1" % i in data[i]]
    print("%d connections at once: %d logged in, %d told the server is full" % (CROWD, len(logged), len(full)))
    check(len(full) >= CROWD - 512 and len(full) + len(logged) == CROWD,
          "of %d connections %d logged in and %d were told the server is full" % (CROWD, len(logged), len(full)))
    server.wait_log(r"^Rejected connection from 127\.0\.0\.1:\d+: Server full$")
    for sock in socks:
        # An abortive close: a reset instead of an orderly end.
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        sock.close()
    watcher.wait_for("Crowd%03d" % logged[-1], "ONLINE", "0", timeout=30)
    return "Crowd%03d" % logged[0]


# Names the server accepts although they hold bytes that a state file, a
# terminal or a path would treat specially, and names no client should have
# to draw, which it refuses.
STRANGE = [b'Ev"il\\x', b"../../etc", b"quote'", b"#hash", b"B\xc3\xb6rk"]
REFUSED = [b"Nul\0name", b"Bad\xff\xfe", b"ctrl\x1b[31m", b"C1\xc2\x9b", b"x" * 3000]
BIOGRAPHY = 'bio "\\ \t caf\u00e9\nsecond line; end'


def strange_names(server, watcher):
    """Each strange name logs in and sets a biography with quotes, a
    backslash, a tab, a line feed and non-ASCII text; the server must keep
    them in its state file and read them back. Refused names get ERROR and
    are closed; chat text with NUL, escapes or bad UTF-8 gets ERROR and
    reaches nobody."""
    socks = []
    for name in STRANGE:
        sock = raw_connect(server.address)
        sock.sendall(b";NAME;" + name + b"\n" + name + b";SETBIOGRAPHY|"
                     + BIOGRAPHY.replace("\n", "\a").encode() + b"\n")
        socks.append(sock)
    for name in REFUSED:
        sock = raw_connect(server.address)
        sock.sendall(b";NAME;" + name + b"\n")
        check(b"*;ERROR;" in read_until_closed(sock, 10), "the name %r was not refused" % name[:20])
        sock.close()
    watcher.wait_for("quote'", "ONLINE", "1")
    speaker = raw_connect(server.address)
    speaker.sendall(b";NAME;Speaker\n")
    for text in [b"\0" * 1000, b"\x1b[2J", b"caf\xe9", b"\t" * 20000, b"\xc2\x85"]:
        speaker.sendall(b"Speaker;TEXT;OOC;" + text + b"\n")
        speaker.sendall(b"Speaker;SETBIOGRAPHY;" + text + b"\n")
    speaker.sendall(b"Speaker;TEXT;OOC;" + b"\t" * 100 + b"clean\n")
    watcher.wait_for("Speaker", "TEXT", "OOC", "\t" * 100 + "clean")
    check(not watcher.find("Speaker", "TEXT", "OOC", "\0" * 1000), "a line of NUL bytes was relayed")
    check(len([f for f in watcher.received() if f[0] == "Speaker" and f[1] == "TEXT"]) == 1,
          "a refused line was relayed")
    speaker.close()
    watcher.send("Watcher", "GETBIOGRAPHY", "quote'")
    watcher.wait_for("quote'", "BIOGRAPHY")
    return socks


def restart(session, server, known):
    """The server stopped; a new one starts from the state file it left."""
    saved = os.path.join(session.folder, "saved.conf")
    shutil.copy(os.path.join(server.folder, "state.conf"), saved)
    again = session.add(Server(os.path.join(session.build, "parlane-server"), os.path.join(session.folder, "again"),
                               saved))
    reader = session.observer(again.address, "Reader")
    for name in ('Ev"il\\x', "../../etc", "quote'", "#hash", "B\u00f6rk", "Trickler", known):
        reader.wait_for("*", "ADDCHAR", name, "0")
    reader.send("Reader", "GETBIOGRAPHY", "quote'")
    biography = reader.wait_for("quote'", "BIOGRAPHY")[2][0]
    check(biography == BIOGRAPHY, "the biography read back: %r" % biography)
    reader.send("Reader", "GETBIOGRAPHY", "Speaker")
    biography = reader.wait_for("Speaker", "BIOGRAPHY")[2][0]
    check(biography == "", "a refused biography was stored: %r" % biography[:40])


def body(session):
    limit_kb = memory_limit_kb(session, MEMORY_LIMIT_KB)
    # Every connection comes from 127.0.0.1: lift the per-address limit to
    # reach the server's own.
    server = session.server(session.demo_state(), options=["--max-per-address", "512"])
    watcher = session.observer(server.address, "Watcher")
    watcher.wait_for("Watcher", "ONLINE", "1")
    start_kb = resident_kb(server.proc.pid)

    babbler = garbage(server)
    watcher.wait_for("Babbler", "TEXT", "OOC", "still me", timeout=30)
    check(b";ERROR;" in read_until_closed(babbler, 1), "the babbler got no ERROR")
    open_sockets = [babbler]
    open_sockets += half_lines(server, watcher)
    open_sockets += strange_names(server, watcher)
    open_sockets += floods(server, watcher)
    one_of_the_crowd = crowd(server, watcher)
    peak_kb = resident_kb(server.proc.pid)

    # A newcomer is served, and the watcher, there all along, hears it.
    newcomer = session.observer(server.address, "Newcomer")
    newcomer.wait_for("*", "GAME", "Lantern Road")
    newcomer.send("Newcomer", "TEXT", "OOC", "hello after all that")
    newcomer.wait_for("Newcomer", "TEXT", "OOC", "hello after all that")
    watcher.wait_for("Newcomer", "TEXT", "OOC", "hello after all that")
    for sock in open_sockets:
        sock.close()
    end_kb = resident_kb(server.proc.pid)
    print("server resident memory: %d kB at the start, %d kB after the crowd, %d kB at the end"
          % (start_kb, peak_kb, end_kb))
    check(limit_kb is None or end_kb - start_kb < limit_kb,
          "the server grew from %d kB to %d kB" % (start_kb, end_kb))
    check(server.proc.poll() is None, "the server has stopped")
    log = server.log()
    check("Sanitizer" not in log and "runtime error" not in log, "the server printed:\n" + log[-5000:])
    status = server.close()
    check(status == 0, "the server stopped with status %d" % status)
    restart(session, server, one_of_the_crowd)


if __name__ == "__main__":
    sys.exit(Session(sys.argv).run(body))
