#!/usr/bin/env python3
"""A game master and a player, two real parlane programs on one real server
with the demo game, every action typed with key presses.

The game master adds a scene through the Add Scene dialog, brings the player,
a watching protocol client and an NPC in, speaks as the NPC (Tab) and as the
narrator. The player switches to the scene (Alt+2) and types speech, an emote
with "#me", an OOC remark, "/info" for an NPC's biography and a dice roll.
The watcher checks what the server relays; the scene logs of both clients are
read while the session runs. Screenshots: both main windows (session-gm.png,
session-player.png) and the biography box (biography.png)."""

import os
import re
import sys

from harness import Session, check

SCENE = "Back Alley"
LOG = os.path.join("Lantern Road", "First Night-%s.log" % SCENE)
STAMP = r"^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] "

# What the clients send for what is typed, as the watcher receives it.
NPC_LINE = '$me$: "Welcome to the Back Alley, $Alice$. Mind the puddles."'
NARRATION = "Rain drums on the tin roofs."
SPEECH = '$me$: "Hello there!"'
EMOTE = "$me$ shakes the rain off her cloak and nods to $Mira Vell$."
OOC = "back in 5, getting tea"


def check_demo_game(watcher):
    """The committed demo game: two NPCs with biographies, scenes in two
    groups."""
    for npc in ("Mira Vell", "Captain Harrow"):
        watcher.wait_for("*", "ADDCHAR", npc, "1")
        watcher.send("Watcher", "GETBIOGRAPHY", npc)
        biography = watcher.wait_for(npc, "BIOGRAPHY")[2][0]
        check(len(biography.splitlines()) >= 2, "the biography of %s: %r" % (npc, biography))
    groups = {p[1] for _, c, p in watcher.received() if c == "SCENEGROUP"}
    check(groups == {"Blue Lantern Inn", "The Wilds"}, "scene groups: %s" % groups)


def body(session):
    server = session.server(session.demo_state())
    watcher = session.observer(server.address, "Watcher")
    watcher.wait_for("*", "GAME", "Lantern Road")
    check_demo_game(watcher)

    settings = 'connect_host "%s";\n' % server.address
    gm = session.client("gm", settings)
    alice = session.client("alice", settings)
    gm.connect(server.address, "GM")
    server.wait_log(r"^Login: GM from ")
    alice.connect(server.address, "Alice", menu=True)
    watcher.wait_for("Alice", "ONLINE", "1")
    gm.wait_title("Parlane - Lantern Road - First Night")
    alice.wait_title("Parlane - Lantern Road - First Night")

    # The game master adds a temporary scene without a group (Ctrl+N); the
    # client makes it the active one when the server announces it.
    gm.key("ctrl+n")
    dialog = gm.find_window("^Add a Scene$")
    gm.key("alt+n", window=dialog)
    gm.type(SCENE, window=dialog)
    gm.key("Return", window=dialog, closes=True)
    watcher.wait_for("*", "ADDSCENE", SCENE, "1")

    # The first key press announces where the game master is typing: the
    # new scene, or the test would send its commands to the wrong one.
    gm.type("/enter Alice")
    watcher.wait_for("GM", "WRITING", SCENE)
    scenes = [p[0] for o, c, p in watcher.received() if o == "GM" and c == "WRITING" and p and p[0]]
    check(scenes[0] == SCENE, "the game master started typing in %s" % scenes[0])
    gm.key("Return")
    for name in ("Watcher", "Mira_Vell"):
        gm.say("/enter " + name)
    for name in ("Alice", "Watcher", "Mira Vell"):
        watcher.wait_for(name, "ENTER", SCENE)
    # Tab cycles through the NPCs the game master's client knows are here.
    gm.wait_file_line(LOG, STAMP + "Mira Vell entered the scene$")

    gm.key("Tab")  # from GM to the one NPC present
    gm.say("Welcome to the Back Alley, #alice. Mind the puddles.")
    watcher.wait_for("Mira Vell", "TEXT", SCENE, NPC_LINE)
    gm.key("Tab")  # back to the narrator
    gm.say(NARRATION)
    watcher.wait_for("GM", "TEXT", SCENE, NARRATION)

    # The player's client knows the scene once it logs her entering it.
    alice.wait_file_line(LOG, STAMP + "Alice entered the scene$")
    alice.key("alt+2")  # OOC first, then the scenes without a group
    alice.type("Hello there!")
    watcher.wait_for("Alice", "WRITING", SCENE)
    alice.key("Return")
    watcher.wait_for("Alice", "TEXT", SCENE, SPEECH)
    alice.say("#me shakes the rain off her cloak and nods to #mira_vell.")
    watcher.wait_for("Alice", "TEXT", SCENE, EMOTE)
    alice.say("/ooc " + OOC)
    watcher.wait_for("Alice", "OOC", SCENE, OOC)
    # A biography from the demo game, shown in a box that Enter closes.
    known = alice.windows()
    alice.say("/info mira_vell")
    alice.answer(["Return"], known, os.path.join(session.shots, "biography.png"))
    alice.say("/dice 2d6")
    roll = alice.wait_file_line(LOG, STAMP + r"2d6 = (\d+)$")
    check(2 <= int(roll.group(1)) <= 12, "2d6 rolled %s" % roll.group(1))

    # Both logs, read while the session runs: the server's relays, the
    # speaker's name for "$me$", OOC in double brackets; the roll is the
    # player's alone, and the server never heard of it.
    expected = [
        "Alice entered the scene",
        'Mira Vell: "Welcome to the Back Alley, $Alice$. Mind the puddles."',
        NARRATION,
        'Alice: "Hello there!"',
        "Alice shakes the rain off her cloak and nods to $Mira Vell$.",
        "((Alice: %s))" % OOC,
    ]
    for client in (gm, alice):
        for text in expected:
            client.wait_file_line(LOG, STAMP + re.escape(text) + "$")
    check("2d6" not in gm.read(LOG), "the roll reached the game master's log:\n" + gm.read(LOG))
    check(not any("2d6" in " ".join(p) for _, _, p in watcher.received()), "the roll went to the server")
    lines = [l for l in alice.read(LOG).splitlines() if not l.endswith("entered the scene")]
    check(len(lines) == 6, "the player's scene log holds other lines than expected:\n" + alice.read(LOG))

    # No error box popped up anywhere, nothing went wrong inside.
    for client in (gm, alice):
        client.check_output()
        check(client.windows() == [client.window],
              "unexpected windows: %s" % [client.title(w) for w in client.windows()])

    # The player opens both scene groups (their expanders, top left) so
    # that the screenshot shows the grouped scene list.
    alice.click(8, 143)
    alice.click(8, 118)
    for client, name in ((gm, "session-gm.png"), (alice, "session-player.png")):
        path = os.path.join(session.shots, name)
        if client.screenshot(path):
            print("screenshot: %s" % path)
        else:
            print("no screenshot: neither ImageMagick's import nor xwd with convert is installed")

    check("Rejected" not in server.log(), "the server rejected something:\n" + server.log())


if __name__ == "__main__":
    sys.exit(Session(sys.argv).run(body))
