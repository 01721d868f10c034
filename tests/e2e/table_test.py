#!/usr/bin/env python3
"""At the table: two players, Anna and Bob, in real parlane programs, and a
game master that is a bare protocol client ("GM") and watches what the server
relays. Anna's program runs on a private session bus with a fake desktop
notification service (fake_notifications.py) that records each call; Bob's
has no notification service at all.

- A line of the game master naming Anna, in a scene that is not on her
  screen, marks that scene "mentioned" in her scene list (its row turns
  magenta in a screenshot); her window has the focus, so nothing pops up.
- Bob types "#an" and Tab: the line the server relays names "$Anna$". Anna's
  window has lost the focus to Bob's, so her notification service is asked
  to show "Bob in Back Alley" with the line as body; the next line for her
  there replaces it, and clicking it brings her window to that scene.
- Lines naming Bob while his window is in the background: his program says
  once that notifications are not available, and goes on.
- Anna's "/roll 1d20+5 attack" reaches Bob and both log it; her "/dice 3d6"
  reaches nobody but her own log.
Screenshots: table-quiet.png and table-mentioned.png (Anna's window)."""

import json
import os
import re
import select
import signal
import subprocess
import sys
import time

from harness import WAIT, Client, Failure, check, stop_process, wait_until, Session

SCENE = "Back Alley"
LOG = os.path.join("Lantern Road", "First Night-%s.log" % SCENE)
STAMP = r"^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] "
MENTIONED = (0xD0, 0x00, 0xD0)  # the scene list's colour for a scene that names the user
UNAVAILABLE = "Desktop notifications are not available"


class BusDisplay:
    """The test's display, with the session bus that a client started on it
    is to use."""

    def __init__(self, display, bus_address):
        self.display = display
        self.name = display.name
        self.bus_address = bus_address

    def env(self):
        env = self.display.env()
        env["DBUS_SESSION_BUS_ADDRESS"] = self.bus_address
        return env


def python_with_dbus():
    """An interpreter that has python3-dbus and python3-gi (a virtual
    environment's python3 may not see Debian's packages)."""
    for candidate in (sys.executable, "/usr/bin/python3"):
        if candidate and os.path.exists(candidate) and subprocess.run(
                [candidate, "-c", "import dbus, dbus.mainloop.glib, gi"], capture_output=True,
                timeout=WAIT).returncode == 0:
            return candidate
    raise Failure("No python3 with the modules dbus and gi (Debian: python3-dbus, python3-gi)")


def read_line(stream, what):
    """One line from a child's pipe, waiting at most WAIT seconds."""
    line = b""
    end = time.monotonic() + WAIT
    while not line.endswith(b"\n"):
        left = end - time.monotonic()
        if left <= 0 or not select.select([stream], [], [], left)[0]:
            raise Failure("Timed out waiting for %s" % what)
        chunk = os.read(stream.fileno(), 1)
        if not chunk:
            raise Failure("No %s: the program ended" % what)
        line += chunk
    return line.decode().strip()


class NotificationBus:
    """A private dbus-daemon on a socket in folder, and the fake notification
    service on it."""

    def __init__(self, source, folder):
        os.makedirs(folder, exist_ok=True)
        self.record = os.path.join(folder, "notifications.jsonl")
        self.service = None
        self.daemon = subprocess.Popen(
            ["dbus-daemon", "--session", "--nofork", "--print-address=1",
             "--address=unix:path=" + os.path.join(folder, "bus")],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
        self.address = read_line(self.daemon.stdout, "the address of the private bus")
        env = dict(os.environ, DBUS_SESSION_BUS_ADDRESS=self.address)
        self.service_log = open(os.path.join(folder, "service.log"), "w")
        self.service = subprocess.Popen(
            [python_with_dbus(), os.path.join(source, "tests", "e2e", "fake_notifications.py"), self.record],
            env=env, stdout=subprocess.PIPE, stderr=self.service_log)
        check(read_line(self.service.stdout, "the notification service") == "ready",
              "the fake notification service did not start")

    def click_newest(self):
        """The user clicks the newest notification."""
        self.service.send_signal(signal.SIGUSR1)

    def calls(self):
        if not os.path.exists(self.record):
            return []
        with open(self.record) as f:
            return [json.loads(line) for line in f if line.strip()]

    def close(self):
        if self.service:
            stop_process(self.service)
            self.service_log.close()
        stop_process(self.daemon)


def shades(path, color, tolerance=24):
    """How many pixels of the PNG are within tolerance of color, per channel."""
    size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True, timeout=WAIT)
    raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, timeout=WAIT)
    check(size.returncode == 0 and raw.returncode == 0, "cannot read the screenshot %s" % path)
    pixels = raw.stdout
    count = 0
    for i in range(0, len(pixels) - 2, 3):
        if all(abs(pixels[i + k] - color[k]) <= tolerance for k in range(3)):
            count += 1
    return count


def focus(client):
    """Gives the keyboard focus to client's main window (there is no window
    manager to do it), and so takes it from every other window."""
    if client.xdotool("windowfocus", "--sync", client.window) is None:
        raise Failure("xdotool windowfocus failed")


def body(session):
    server = session.server(session.demo_state())
    gm = session.observer(server.address, "GM")
    gm.wait_for("*", "GAME", "Lantern Road")

    bus = session.add(NotificationBus(session.source, os.path.join(session.folder, "bus")))
    program = os.path.join(session.build, "parlane")
    anna = session.add(Client(program, session.source, os.path.join(session.folder, "anna"),
                              BusDisplay(session.display, bus.address)))
    no_bus = "unix:path=" + os.path.join(session.folder, "no-such-bus")
    bob = session.add(Client(program, session.source, os.path.join(session.folder, "bob"),
                             BusDisplay(session.display, no_bus)))
    for client, name in ((anna, "Anna"), (bob, "Bob")):
        client.connect(server.address, name)
        gm.wait_for(name, "ONLINE", "1")
        client.wait_title("Parlane - Lantern Road - First Night")

    # A scene without a group, second in the list after OOC (Alt+2), with
    # both players in it. Both stay on OOC for now.
    gm.send("GM", "ADDSCENE", SCENE, "1")
    for name in ("Anna", "Bob"):
        gm.send("GM", "ENTER", SCENE, name)
        gm.wait_for(name, "ENTER", SCENE)
    for client in (anna, bob):
        client.wait_file_line(LOG, STAMP + "Bob entered the scene$")

    # A mention in a scene that is not on screen; Anna's window has the
    # focus, so her notification service hears nothing of it.
    quiet = os.path.join(session.shots, "table-quiet.png")
    have_shots = anna.screenshot(quiet)
    focus(anna)
    gm.send("GM", "TEXT", SCENE, "The door creaks behind Anna.")
    anna.wait_file_line(LOG, STAMP + re.escape("The door creaks behind Anna.") + "$")
    if have_shots:
        mentioned = os.path.join(session.shots, "table-mentioned.png")
        anna.screenshot(mentioned)
        focus(anna)  # the screenshot raised the window; the focus stays
        check(shades(quiet, MENTIONED) == 0, "magenta in the scene list before any mention: " + quiet)
        check(shades(mentioned, MENTIONED) > 20, "%s is not marked mentioned in %s" % (SCENE, mentioned))
        print("screenshots: %s, %s" % (quiet, mentioned))
    else:
        print("no screenshot: neither ImageMagick's import nor xwd with convert is installed")
    time.sleep(0.5)
    check(bus.calls() == [], "a notification while the window had the focus: %s" % bus.calls())

    # Bob completes "#an" with Tab while his window has the focus: Anna's
    # is in the background now and gets a notification.
    bob.key("alt+2")
    focus(bob)
    bob.type("#me nods to #an")
    bob.key("Tab")
    bob.type(", your move.")
    bob.key("Return")
    gm.wait_for("Bob", "TEXT", SCENE, "$me$ nods to $Anna$, your move.")
    calls = wait_until("a notification", bus.calls)
    check(len(calls) == 1, "notifications: %s" % calls)
    check(calls[0]["summary"] == "Bob in " + SCENE, "notification summary %r" % calls[0]["summary"])
    check(calls[0]["body"] == "Bob nods to Anna, your move.", "notification body %r" % calls[0]["body"])
    check(calls[0]["app_name"] == "Parlane", "notification from %r" % calls[0]["app_name"])
    # The next one in the same scene takes the place of the first.
    gm.send("GM", "TEXT", SCENE, "Anna, duck!")
    calls = wait_until("a second notification", lambda: bus.calls()[1:] and bus.calls())
    check(calls[1]["replaces_id"] == calls[0]["id"] and calls[1]["body"] == "Anna, duck!",
          "the second notification: %s" % calls[1])
    # Clicking it brings Anna to the scene: she types there now.
    bus.click_newest()
    wait_until("Anna's window to take the focus",
               lambda: (anna.xdotool("getwindowfocus") or "").strip() == anna.window)
    anna.type("x")
    gm.wait_for("Anna", "WRITING", SCENE)
    anna.key("BackSpace")

    # Bob's window in the background, two lines naming him, no service: one
    # line on standard output, and the program goes on.
    focus(anna)
    for text in ("Bob, roll for it.", "Bob?"):
        gm.send("GM", "TEXT", SCENE, text)
        bob.wait_file_line(LOG, STAMP + re.escape(text) + "$")
    wait_until("Bob's program to say notifications are unavailable", lambda: UNAVAILABLE in bob.output())
    check(bob.output().count(UNAVAILABLE) == 1, "Bob's output:\n" + bob.output())

    # Anna is on the scene since the click.
    anna.say("/roll 1d20+5 attack")

    def relayed_roll():
        for origin, command, params in gm.received():
            if origin == "Anna" and command == "TEXT" and params[0] == SCENE:
                match = re.match(r"\$me\$ rolls 1d20\+5 \(attack\): \[(\d+)\] \+ 5 = (\d+)$", params[1])
                if match:
                    return match
        return None
    relayed = wait_until("the roll relayed", relayed_roll)
    die, total = int(relayed.group(1)), int(relayed.group(2))
    check(1 <= die <= 20 and total == die + 5, "the roll: %s" % relayed.group(0))
    for client in (anna, bob):
        client.wait_file_line(LOG, STAMP + re.escape("Anna rolls 1d20+5 (attack): [%d] + 5 = %d" % (die, total)) + "$")

    anna.say("/dice 3d6")
    anna.wait_file_line(LOG, STAMP + r"3d6 = \d+$")
    anna.say("/ooc That is all.")
    bob.wait_file_line(LOG, STAMP + re.escape("((Anna: That is all.))") + "$")
    check("3d6" not in bob.read(LOG), "the private roll reached Bob's log:\n" + bob.read(LOG))
    check(not any("3d6" in " ".join(p) for _, _, p in gm.received()), "the private roll went to the server")

    for client in (anna, bob):
        client.check_output()
        check(client.windows() == [client.window],
              "unexpected windows: %s" % [client.title(w) for w in client.windows()])
    check("Rejected" not in server.log(), "the server rejected something:\n" + server.log())


if __name__ == "__main__":
    sys.exit(Session(sys.argv).run(body))
