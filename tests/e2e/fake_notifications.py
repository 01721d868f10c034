#!/usr/bin/env python3
"""A stand-in desktop notification service for the end-to-end tests: it owns
org.freedesktop.Notifications on the session bus named by
DBUS_SESSION_BUS_ADDRESS and appends every Notify call to a file as one JSON
object a line ({"app_name", "replaces_id", "summary", "body", "actions", "id"}).
It prints "ready" once it owns the name, and ends on SIGTERM or when the bus
goes away. SIGUSR1 clicks the newest notification: it emits ActionInvoked
with the action "default" for it.

Needs python3-dbus and python3-gi."""

import argparse
import json
import signal
import sys

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

NAME = "org.freedesktop.Notifications"
PATH = "/org/freedesktop/Notifications"


class Notifications(dbus.service.Object):
    def __init__(self, bus, record):
        super().__init__(dbus.service.BusName(NAME, bus, do_not_queue=True), PATH)
        self.record = record
        self.last_id = 0

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app_name, replaces_id, icon, summary, body, actions, hints, timeout):
        if replaces_id:
            note_id = int(replaces_id)
        else:
            self.last_id += 1
            note_id = self.last_id
        entry = {"app_name": str(app_name), "replaces_id": int(replaces_id), "summary": str(summary),
                 "body": str(body), "actions": [str(a) for a in actions], "id": note_id}
        with open(self.record, "a") as f:
            f.write(json.dumps(entry) + "\n")
        return dbus.UInt32(note_id)

    @dbus.service.method(NAME, in_signature="", out_signature="as")
    def GetCapabilities(self):
        return ["actions", "body"]

    @dbus.service.method(NAME, in_signature="", out_signature="ssss")
    def GetServerInformation(self):
        return ("fake-notifications", "Parlane tests", "1.0", "1.2")

    @dbus.service.method(NAME, in_signature="u", out_signature="")
    def CloseNotification(self, note_id):
        self.NotificationClosed(note_id, 3)

    @dbus.service.signal(NAME, signature="uu")
    def NotificationClosed(self, note_id, reason):
        pass

    @dbus.service.signal(NAME, signature="us")
    def ActionInvoked(self, note_id, action):
        pass

    def click_newest(self):
        if self.last_id:
            self.ActionInvoked(self.last_id, "default")
        return True


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("record", help="the file that each Notify call is appended to")
    args = parser.parse_args()

    DBusGMainLoop(set_as_default=True)
    loop = GLib.MainLoop()
    bus = dbus.SessionBus()
    bus.call_on_disconnection(lambda connection: loop.quit())
    service = Notifications(bus, args.record)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGTERM, loop.quit)
    GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, service.click_newest)
    print("ready", flush=True)
    loop.run()
    del service
    return 0


if __name__ == "__main__":
    sys.exit(main())
