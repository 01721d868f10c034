#!/usr/bin/env python3
"""A new user's first connection, with the real programs: the client starts
without settings, Ctrl+O opens the connect dialog, the address and a name are
typed and confirmed with Enter. The server logs the login, the window title
names the game and session, F1 shows the guide to playing, and Quit (Ctrl+Q, Yes) ends the client with
status 0 and saves the address and name in parlane.conf."""

import os
import sys

from harness import Session, check, wait_until


def body(session):
    server = session.server(session.demo_state())
    client = session.client("alice")
    check(client.title() == "Parlane", "title before connecting: %r" % client.title())

    client.connect(server.address, "Alice", os.path.join(session.shots, "connect.png"))
    server.wait_log(r"^Login: Alice from 127\.0\.0\.1:\d+$")
    client.wait_title("Parlane - Lantern Road - First Night")

    # F1 shows the guide to playing beside the main window; Escape hides it.
    client.key("F1")
    guide = client.find_window("^How to Play$")
    client.screenshot(os.path.join(session.shots, "help.png"), guide)
    client.key("Escape", window=guide, closes=True)
    wait_until("the guide to close", lambda: guide not in client.windows())

    status = client.quit()
    check(status == 0, "parlane exited with %d:\n%s" % (status, client.output()))
    client.check_output()
    server.wait_log(r"^Logout: Alice from ")

    config = client.read("parlane.conf")
    check('connect_host "%s";' % server.address in config, "parlane.conf lacks the address:\n" + config)
    check('connect_name "Alice";' in config, "parlane.conf lacks the name:\n" + config)
    # The game's folder for scene logs is made when the game is announced.
    wait_until("the game's log folder", lambda: os.path.isdir(os.path.join(client.folder, "Lantern Road")))


if __name__ == "__main__":
    sys.exit(Session(sys.argv).run(body))
