#!/usr/bin/env python3
"""A player's link survives the server going away: a real parlane-server
with a state file is stopped twice and started again on the same port.

The player's client opens the Connect dialog by itself (its settings name
the server) and connects with one Enter. While the server is gone the
window says "(reconnecting)" and shows no box; once it is back the client
logs in again by itself, the text left unsent in the entry is still there
and reaches another client, and the scene's log file holds nothing doubled
or invented. A second client with "auto_reconnect false;" shows the
"Connection Lost" box instead. A typed line with a fault stays in the entry
and shows no box: typing on replaces it and sends only what was meant; a
roll followed at once by more typing sends only that typing.
Screenshot: the reconnecting window (reconnecting.png)."""

import os
import subprocess
import sys

from harness import Server, Session, check, stop_process, wait_until

LOG = os.path.join("Lantern Road", "First Night-OOC.log")


def restart(session, server):
    """A new server process on the port and state file of the last one."""
    server.log_file = open(server.log_path, "a")
    server.proc = subprocess.Popen(
        [os.path.join(session.build, "parlane-server"), "--bind", "127.0.0.1", "--port", str(server.port),
         "--game", "Lantern Road", "--state", "state.conf"],
        cwd=server.folder, stdout=server.log_file, stderr=subprocess.STDOUT)


def stop(server):
    stop_process(server.proc)
    server.log_file.close()


def body(session):
    server = session.server(session.demo_state())
    alice = session.client("alice", 'connect_host "%s";\nconnect_name "Alice";\n' % server.address)
    # The dialog is up at start with the address and name filled in.
    dialog = alice.find_window("^Connect to a Server$")
    alice.key("Return", window=dialog, closes=True)
    wait_until("the connect dialog to close", lambda: dialog not in alice.windows())
    alice.wait_title("Parlane - Lantern Road - First Night")

    carol = session.client("carol", "auto_reconnect false;\n")
    carol.connect(server.address, "Carol")
    carol.wait_title("Parlane - Lantern Road - First Night")

    watcher = session.observer(server.address, "Watcher")
    watcher.wait_for("*", "GAME", "Lantern Road")
    alice.say("before the storm")
    watcher.wait_for("Alice", "TEXT", "OOC", '$me$: before the storm')

    # A faulty line stays, selected: typing on replaces it, no box appears.
    known = alice.windows()
    alice.say("/dice 0d6")
    alice.say("/frobnicate")
    alice.say("after the fault")
    watcher.wait_for("Alice", "TEXT", "OOC", "$me$: after the fault")
    check(alice.windows() == known, "a box appeared: %s" % [alice.title(w) for w in alice.windows()])
    sent = [p for o, c, p in watcher.received() if o == "Alice" and c == "TEXT"]
    check(len(sent) == 2, "Alice sent %s" % sent)

    # A roll, then typing straight on: no box takes the keys, the roll stays
    # with Alice and only the next line is said.
    alice.type("/dice 4d6kh3")
    alice.key("Return")
    alice.type(" and so on")
    alice.key("Return")
    said = lambda: [p[-1] for o, c, p in watcher.received() if o == "Alice" and c == "TEXT"]
    wait_until("the line after the roll", lambda: len(said()) > 2)
    check(alice.windows() == known, "a box appeared: %s" % [alice.title(w) for w in alice.windows()])
    check(len(said()) == 3 and said()[2].endswith(" and so on") and "4d6" not in said()[2],
          "Alice sent %s" % said())
    alice.wait_file_line(LOG, r"after the fault")
    before = alice.read(LOG)

    for round_number in (1, 2):
        alice.type("kept %d" % round_number)
        known_carol = carol.windows()
        watcher.close()
        stop(server)
        alice.wait_title("Parlane - Lantern Road - First Night (reconnecting)")
        if round_number == 1:
            # Carol does not try again: today's box.
            box = carol.find_new_window(known_carol)
            carol.key("Return", window=box, closes=True)
            path = os.path.join(session.shots, "reconnecting.png")
            if alice.screenshot(path):
                print("screenshot: %s" % path)
        check(alice.windows() == known, "a box appeared while reconnecting")
        restart(session, server)
        server.wait_log(r"^Login: Alice from ", timeout=40)
        alice.wait_title("Parlane - Lantern Road - First Night", timeout=40)
        watcher = session.observer(server.address, "Watcher")
        watcher.wait_for("*", "GAME", "Lantern Road")
        alice.key("Return")
        watcher.wait_for("Alice", "TEXT", "OOC", "$me$: kept %d" % round_number)
        alice.wait_file_line(LOG, r"kept %d" % round_number)

    log = alice.read(LOG)
    added = log[len(before):].splitlines() if log.startswith(before) else log.splitlines()
    for line in added:
        check("Alice entered" not in line and "Carol entered" not in line and "Alice logged" not in line,
              "invented after reconnecting: %r\nlog:\n%s" % (line, log))
    for said in ("before the storm", "after the fault", "kept 1", "kept 2"):
        check(log.count(said) == 1, "%r logged %d times:\n%s" % (said, log.count(said), log))
    alice.check_output()
    check(alice.windows() == known, "unexpected windows at the end")


if __name__ == "__main__":
    sys.exit(Session(sys.argv).run(body))
