#!/usr/bin/env python3
"""The real parlane client against a server that lies, floods and breaks
the protocol: a script on a plain socket speaks for the server.

Among ordinary traffic it sends game, session and scene names that try to
leave the log folder; lines of 2 MiB; NUL bytes and invalid UTF-8; every
server command with missing parameters and with flags other than "0" and
"1"; unknown commands and commands meant for the server; REMOVECHAR of the
characters in the active scene and of the user's own character; 5,000
ADDSCENE and 5,000 ADDCHAR packets in one burst; a flood of ERROR packets,
whose boxes are answered with Enter; and finally a disconnect in the middle
of a line. The client must survive all of it: it still answers a key press
with WRITING (after connecting again by itself), wrote no file outside its game
folders, grew by less than 50 MB, reported each bad line on standard output
in one line, and quits with status 0."""

import os
import random
import re
import sys
import time

from harness import Failure, Session, check
from hostile import ScriptedServer, line, memory_limit_kb, resident_kb, tree

GAME = "Hostile Game"
SESSION = "Night"
LOG = os.path.join(GAME, "%s-Tavern.log" % SESSION)
STAMP = r"^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] "
MEMORY_LIMIT_KB = 50 * 1024
BURST = 5000
ERRORS = 12

# A word in every name that tries to leave the log folder, so that whatever
# got out can be found.
TOKEN = "escape%d" % random.randrange(10 ** 9)

HOSTILE_GAMES = [
    "../" + TOKEN, "../../" + TOKEN, "../../../../../../../../tmp/" + TOKEN, "/tmp/" + TOKEN, "..", ".", "",
    "a/../../../" + TOKEN, "..\\" + TOKEN, "." + TOKEN, b"nul\0/../../" + TOKEN.encode(), "x" * 300,
]
HOSTILE_SESSIONS = ["../../" + TOKEN, "/tmp/" + TOKEN, "..", ""]
HOSTILE_SCENES = ["../../../" + TOKEN, "/tmp/" + TOKEN + "-scene", "..", "." + TOKEN + "-hidden"]

# Every server command with a parameter missing; each makes the client
# report "Parameter index out of range".
MISSING = [
    ("*", "GAME"), ("*", "SESSION"), ("*", "ERROR"), ("*", "ADDSCENE"), ("*", "ADDSCENE", "Cellar2"),
    ("*", "ADDCHAR"), ("*", "ADDCHAR", "Carl"), ("*", "REMOVECHAR"), ("Alice", "ENTER"), ("Alice", "LEAVE"),
    ("Alice", "ONLINE"), ("Alice", "WRITING"), ("Alice", "AFK"), ("Alice", "TEXT"), ("Alice", "TEXT", "Tavern"),
    ("Alice", "OOC"), ("Alice", "OOC", "Tavern"), ("Alice", "BIOGRAPHY"), ("*", "SCENEGROUP"),
    ("*", "SCENEGROUP", "Tavern"),
]
# Flags that are not "0" or "1"; each makes the client report "Conversion failure".
BAD_FLAGS = ["2", "-1", "10", "yes", "true", "", " 1", "1 ", "0x1", b"\xff", b"1\0"]
# Lines that are no packet at all: "Malformed packet".
MALFORMED = [b"", b"GARBAGE", b"\0\0\0", b"|", b"\xff\xfe", b"TEXT|Tavern;x"]
# Words the client does not handle, some of them meant for the server.
UNKNOWN = [
    ("*", "DANCE", "now"), ("*", "", "empty"), ("x", "PING"), ("*", "NAME", "GM"), ("*", "STARTSESSION", "x"),
    ("*", "QUERY", "x"), ("*", "GETBIOGRAPHY", "GM"), ("*", "ADDNPC", "x"), ("*", "RENAMESCENE", "Tavern", "Gone"),
    ("*", "REMOVESCENE", "Tavern"), ("*", "SETSCENEGROUP", "Tavern", "x"), ("*", "ENDSESSION"),
]


class Script:
    """The server's side of one connection, and the client's log as the way
    to know that everything sent so far has been handled: a TEXT line sent
    last shows up in the scene's log file only after the lines before it."""

    def __init__(self, client, peer):
        self.client = client
        self.peer = peer
        self.count = 0

    def send(self, *lines):
        self.peer.send(b"".join(lines))

    def sync(self, timeout=15.0):
        self.count += 1
        marker = "sync %d" % self.count
        self.send(line("*", "TEXT", "Tavern", marker))
        self.client.wait_file_line(LOG, STAMP + re.escape(marker) + "$", timeout)

    def announce(self, name):
        """What a server says after login: game, session, characters, the
        scene Tavern with everybody in it."""
        self.peer.wait_line(";NAME;" + name)
        self.send(line("*", "GAME", GAME), line("*", "SESSION", SESSION))
        for who, npc in ((name, "0"), ("Alice", "0"), ("Bob", "0"), ("Mira", "1")):
            self.send(line("*", "ADDCHAR", who, npc), line(who, "ONLINE", "1"))
        self.send(line("*", "ADDSCENE", "Tavern", "0"), line("*", "ADDSCENE", "Cellar", "1"))
        for who in (name, "Alice", "Bob", "Mira"):
            self.send(line(who, "ENTER", "Tavern"))
        self.send(line("Bob", "ENTER", "Cellar"), line("Alice", "TEXT", "Tavern", "Good evening."))
        self.sync()


def escape_names(script):
    for game in HOSTILE_GAMES:
        script.send(line("*", "GAME", game))
        for session in HOSTILE_SESSIONS:
            script.send(line("*", "SESSION", session))
            for scene in HOSTILE_SCENES:
                script.send(line("*", "ADDSCENE", scene, "1"), line("Alice", "TEXT", scene, "out " + TOKEN))
    script.send(line("*", "GAME", GAME), line("*", "SESSION", SESSION))
    script.sync()


def long_lines(script, client):
    started = time.monotonic()
    noise = random.Random(1).randbytes(2 << 20).replace(b"\n", b"")
    script.send(b"Alice;TEXT;Tavern;" + b"y" * (2 << 20) + b"\n", noise + b"\n")
    script.sync(60)
    print("two lines of 2 MiB dropped in %.1f s" % (time.monotonic() - started))
    check("y" * 100 not in client.read(LOG), "a line of 2 MiB reached the log")


def foreign_bytes(script):
    script.send(
        line("Alice", "TEXT", "Tavern", b"nul \0 inside"),
        line("Alice", "TEXT", "Tavern", b"bad \xff\xfe \xc0\xaf \xed\xa0\x80 *bold \xe2\x82* \"said \xfe\" $Bo\xffb$"),
        line(b"Al\xffice", "TEXT", "Tavern", "from a name that is no UTF-8"),
        line("*", "ADDCHAR", b"Bad\xffName", "0"), line(b"Bad\xffName", "ENTER", "Tavern"),
        line(b"Bad\xffName", "ONLINE", "1"), line(b"Bad\xffName", "AFK", b"gone \xff"),
        line(b"Bad\xffName", "WRITING", "Tavern"),
        line("*", "ADDSCENE", b"Bad\xc3Scene\0x", "0"), line("*", "SCENEGROUP", b"Bad\xc3Scene\0x", b"Gr\xffoup"),
        line("Alice", "TEXT", b"Bad\xc3Scene\0x", b"in a scene with a bad name \xff"),
        line("*", "GAME", b"Ga\xffme\0"), line("*", "GAME", GAME),
        line("Alice", "BIOGRAPHY", b"Bio \xff\0 " + b"z" * 500000),
        line("Alice", "AFK", ""), line(b"Bad\xffName", "WRITING", ""))
    script.sync()


def broken_commands(script, client):
    for fields in MISSING:
        script.send(line(*fields))
    for value in BAD_FLAGS:
        script.send(line("*", "ADDSCENE", "Flagged", value), line("*", "ADDCHAR", "Flagged", value),
                    line("Alice", "ONLINE", value))
    script.send(line("Alice", "TEXT", "Flagged", "only if the scene was made"))
    for fields in UNKNOWN:
        script.send(line(*fields))
    for raw in MALFORMED:
        script.send(raw + b"\n")
    script.sync()
    check(not os.path.exists(os.path.join(client.folder, GAME, "%s-Flagged.log" % SESSION)),
          "a scene announced with a bad flag was made")


def remove_characters(script, client):
    # Bob is in Tavern (the active scene) and in Cellar; Mira is an NPC in
    # Tavern; GM is the user.
    for who in ("Bob", "Mira", "Nobody", "alice", "GM"):
        script.send(line("*", "REMOVECHAR", who))
    script.send(line("Bob", "ENTER", "Tavern"), line("Bob", "WRITING", "Tavern"), line("Mira", "AFK", "x"),
                line("Bob", "TEXT", "Tavern", "a ghost speaks"), line("GM", "LEAVE", "Tavern"))
    script.sync()
    # Name completion and the lists walk the characters that are left.
    client.key("Tab", "Tab")
    script.sync()
    log = client.read(LOG)
    for text in ("Bob left the scene", "Mira left the scene", "GM left the scene", "-" * 40, "a ghost speaks"):
        check(re.search(STAMP + re.escape(text) + "$", log, re.M), "%r is not in the log:\n%s" % (text, log))
    check(not re.search("Bob entered the scene", log.split("Bob left the scene")[-1]),
          "a removed character entered again:\n" + log)


def burst(script):
    started = time.monotonic()
    script.send(b"".join(line("*", "ADDSCENE", "Burst %04d" % i, str(i % 2)) for i in range(BURST)),
                b"".join(line("*", "ADDCHAR", "Crowd %04d" % i, str(i % 2)) for i in range(BURST)))
    try:
        script.sync(60)
    except Failure as e:
        raise Failure("%d ADDSCENE and %d ADDCHAR were not handled within a minute: %s" % (BURST, BURST, e))
    print("%d ADDSCENE and %d ADDCHAR handled in %.1f s" % (BURST, BURST, time.monotonic() - started))


def error_flood(script, client):
    """Each ERROR opens a modal box, which stops the client reading until it
    is closed: every box is answered with Enter."""
    started = time.monotonic()
    texts = ["Error number %d" % i for i in range(ERRORS - 1)] + ["A long error " + "w " * 30000]
    script.send(b"".join(line("*", "ERROR", text) for text in texts))
    for _ in texts:
        client.answer(["Return"], [client.window])
    script.sync()
    check(client.windows() == [client.window], "boxes left open: %s" % client.windows())
    print("%d error boxes answered in %.1f s" % (len(texts), time.monotonic() - started))


def check_reports(client, address):
    """One line on standard output for each bad line, with the server's
    address."""
    output = client.output()
    counts = {
        "Parameter index out of range": len(MISSING),
        "Conversion failure": 3 * len(BAD_FLAGS),
        "Malformed packet": len(MALFORMED),
        "Line too long": 2,
    }
    for text, expected in counts.items():
        found = len(re.findall("^%s from %s$" % (re.escape(text), re.escape(address)), output, re.M))
        check(found == expected, "%d lines %r in the output, not %d:\n%s" % (found, text, expected, output))


def check_files(session, client):
    """Log files only in game folders right inside the client's folder;
    nothing with the token anywhere above it."""
    outside = [p for p in tree(session.folder)
               if not (client.folder + os.sep).startswith(os.path.join(session.folder, p) + os.sep)
               and not os.path.join(session.folder, p).startswith(client.folder + os.sep)]
    check(not outside, "files beside the client's folder: %s" % outside)
    own = {"parlane.glade", "client.out", "parlane.conf"}
    for path in tree(client.folder):
        parts = path.split(os.sep)
        if len(parts) == 1 and (path in own or path.endswith(".png")):
            continue
        check(not any(p.startswith(".") for p in parts), "hidden file or folder: %r" % path)
        if len(parts) == 1:
            check(os.path.isdir(os.path.join(client.folder, path)), "a file beside the game folders: %r" % path)
        else:
            check(len(parts) == 2 and os.path.isfile(os.path.join(client.folder, path)),
                  "more than a log file in a game folder: %r" % path)
    for folder in ("/tmp", "/", os.path.expanduser("~"), os.path.dirname(session.folder)):
        found = [n for n in os.listdir(folder) if TOKEN in n]
        check(not found, "escaped into %s: %s" % (folder, found))


def body(session):
    limit_kb = memory_limit_kb(session, MEMORY_LIMIT_KB)
    server = session.add(ScriptedServer())
    client = session.client(os.path.join("run", "deep", "gm"))
    client.connect(server.address, "GM")
    script = Script(client, server.accept())
    script.announce("GM")
    start_kb = resident_kb(client.proc.pid)

    escape_names(script)
    long_lines(script, client)
    foreign_bytes(script)
    broken_commands(script, client)
    remove_characters(script, client)
    error_flood(script, client)
    check_reports(client, server.address)
    burst(script)
    peak_kb = resident_kb(client.proc.pid)

    # A key press in the input line still announces typing.
    client.key("x")
    script.peer.wait_line("GM;WRITING;Tavern")

    # The server goes away in the middle of a line: the client connects
    # again by itself, without a box, and still works. The indicator went
    # with the link: the next key press announces it to the new one.
    script.send(b"Alice;TEXT;Tavern;half a li")
    time.sleep(0.2)
    script.peer.close()
    client.wait_file_line("client.out", r"^Connection from %s terminated$" % re.escape(server.address))
    script = Script(client, server.accept())
    script.announce("GM")
    client.key("z")
    script.peer.wait_line("GM;WRITING;Tavern")
    check("half a li" not in client.read(LOG), "the half line was taken")
    end_kb = resident_kb(client.proc.pid)
    print("resident memory: %d kB at the start, %d kB after the burst, %d kB at the end"
          % (start_kb, peak_kb, end_kb))
    check(limit_kb is None or end_kb - start_kb < limit_kb,
          "the client grew from %d kB to %d kB" % (start_kb, end_kb))

    client.check_output()
    check(client.windows() == [client.window], "unexpected windows: %s" % client.windows())

    status = client.quit()
    check(status == 0, "parlane exited with %d:\n%s" % (status, client.output()))
    client.check_output()
    check_files(session, client)


if __name__ == "__main__":
    sys.exit(Session(sys.argv).run(body))
