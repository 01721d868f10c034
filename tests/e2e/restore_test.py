#!/usr/bin/env python3
"""A player's client quits mid-session and starts again in the same folder:
the real programs, every action typed. The first start shows the welcome
(welcome.png); Alice says three lines in the OOC scene; after the restart
and a new login the scene shows them again, dimmed below a rule
(restored.png), and the scene's log file holds each of them once, followed
by what is said after the restart."""

import os
import re
import subprocess
import sys

from harness import Session, check, wait_until

LOG = os.path.join("Lantern Road", "First Night-OOC.log")
SAID = ["one fish", "two fish", "red fish"]
# The restored lines' colour: halfway between the default text colour
# #005000 and the default white background.
DIM = "#7FA87F"


def pixels_of(path, colour):
    """How many pixels of the PNG have exactly this colour."""
    histogram = subprocess.run(["convert", path, "-format", "%c", "histogram:info:-"], capture_output=True,
                               text=True, check=True).stdout
    for line in histogram.splitlines():
        if re.search(r"\s%s\b" % colour, line, re.I):
            return int(line.split(":")[0])
    return 0


def body(session):
    server = session.server(session.demo_state())
    watcher = session.observer(server.address, "Watcher")
    watcher.wait_for("*", "GAME", "Lantern Road")

    alice = session.client("alice")
    alice.screenshot(os.path.join(session.shots, "welcome.png"))
    alice.connect(server.address, "Alice")
    alice.wait_title("Parlane - Lantern Road - First Night")
    alice.key("alt+1")  # the OOC scene heads the list
    for line in SAID:
        alice.say("/ooc " + line)
        watcher.wait_for("Alice", "OOC", "OOC", line)
    alice.wait_file_line(LOG, r"\(\(Alice: red fish\)\)$")
    check(alice.quit() == 0, "parlane exited with an error:\n" + alice.output())
    alice.check_output()
    before = alice.read(LOG)

    # The same folder, so the same settings and scene logs.
    again = session.client("alice", 'connect_host "";\nconnect_name "";\n')
    again.connect(server.address, "Alice")
    again.wait_title("Parlane - Lantern Road - First Night")
    again.key("alt+1")
    again.say("/ooc blue fish")
    watcher.wait_for("Alice", "OOC", "OOC", "blue fish")
    again.wait_file_line(LOG, r"\(\(Alice: blue fish\)\)$")
    shot = os.path.join(session.shots, "restored.png")
    if again.screenshot(shot):
        check(pixels_of(shot, DIM) > 50, "no text in the dimmed colour %s in %s" % (DIM, shot))

    after = again.read(LOG)
    check(after.startswith(before), "the log file changed what was there:\n" + after)
    for line in SAID + ["blue fish"]:
        count = after.count("((Alice: %s))" % line)
        check(count == 1, "%r is in the log file %d times:\n%s" % (line, count, after))
    again.check_output()


if __name__ == "__main__":
    sys.exit(Session(sys.argv).run(body))
