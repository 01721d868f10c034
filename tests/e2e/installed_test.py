#!/usr/bin/env python3
"""The programs as a user gets them: the build installed under a scratch
DESTDIR, the installed server, and the installed client started with a
fresh, empty HOME from an empty working directory. The client finds its UI
file and icons beside itself, connects, says a line in the session and
quits; the line is in the scene log below the XDG data folder, the settings
in the XDG config folder, and nothing is written to the working directory.
A client without its data folder, or whose settings folder cannot be made,
shows an error box and exits with status 1; --version answers without a
display."""

import os
import re
import shutil
import subprocess
import sys

from harness import Client, Failure, Server, Session, check, wait_until


class InstalledClient(Client):
    """The installed parlane in an empty folder with the given environment;
    nothing is copied there."""

    def __init__(self, program, folder, display, env, wait_window=True):
        self.folder = folder
        self.display = display
        os.makedirs(folder, exist_ok=True)
        self.out_path = folder + ".out"
        self.out_file = open(self.out_path, "w")
        self.proc = subprocess.Popen([program], cwd=folder, env=env, stdout=self.out_file,
                                     stderr=subprocess.STDOUT)
        if wait_window:
            self.window = self.find_window("^Parlane")


def install(session):
    """DESTDIR install of the build; returns the installed bin folder."""
    root = os.path.join(session.folder, "root")
    env = dict(os.environ, DESTDIR=root)
    done = subprocess.run(["cmake", "--install", session.build], env=env, capture_output=True, text=True)
    check(done.returncode == 0, "cmake --install failed:\n" + done.stdout + done.stderr)
    with open(os.path.join(session.build, "CMakeCache.txt")) as f:
        prefix = re.search(r"^CMAKE_INSTALL_PREFIX:PATH=(.*)$", f.read(), re.M).group(1)
    return os.path.join(root + prefix, "bin")


def user_env(session, home, **extra):
    env = session.display.env()
    for name in ("XDG_CONFIG_HOME", "XDG_DATA_HOME"):
        env.pop(name, None)
    env["HOME"] = home
    env["LSAN_OPTIONS"] = "suppressions=%s:print_suppressions=0" % os.path.join(
        session.source, "tests", "gui", "lsan.supp")
    env.update(extra)
    return env


def refused_start(session, program, name, env, message):
    """The client shows an error box, and after Enter exits with 1 and the
    reason on standard error."""
    client = session.add(InstalledClient(program, os.path.join(session.folder, name), session.display, env,
                                         wait_window=False))
    def box():
        if client.proc.poll() is not None:
            raise Failure("%s: exited with %d without a box:\n%s" % (name, client.proc.returncode, client.output()))
        windows = client.windows()
        return windows[0] if windows else None
    window = wait_until("the error box", box)
    client.screenshot(os.path.join(session.shots, name + ".png"), window)
    client.key("Return", window=window, closes=True)
    status = client.proc.wait(15)
    check(status == 1, "%s: exit status %d" % (name, status))
    check(message in client.output(), "%s: no %r in:\n%s" % (name, message, client.output()))


def body(session):
    bin_dir = install(session)
    client_program = os.path.join(bin_dir, "parlane")
    server_program = os.path.join(bin_dir, "parlane-server")

    for program in (client_program, server_program):
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        done = subprocess.run([program, "--version"], env=env, capture_output=True, text=True, timeout=15)
        check(done.returncode == 0 and re.match(r"^parlane(-server)? \d+\.\d+\.\d+\n$", done.stdout),
              "%s --version: %d %r" % (program, done.returncode, done.stdout + done.stderr))

    server = session.add(Server(server_program, os.path.join(session.folder, "server"), session.demo_state()))

    home = os.path.join(session.folder, "home")
    os.makedirs(home)
    config_home = os.path.join(home, "settings")
    env = user_env(session, home, XDG_CONFIG_HOME=config_home)
    client = session.add(InstalledClient(client_program, os.path.join(session.folder, "work"), session.display,
                                         env))
    client.connect(server.address, "Alice")
    server.wait_log(r"^Login: Alice from 127\.0\.0\.1:\d+$")
    client.wait_title("Parlane - Lantern Road - First Night")
    client.say("The lantern is lit.")
    log = os.path.join(home, ".local", "share", "parlane", "Lantern Road", "First Night-OOC.log")
    wait_until("the line in " + log,
               lambda: os.path.exists(log) and "The lantern is lit." in open(log, errors="replace").read())
    client.screenshot(os.path.join(session.shots, "installed.png"))
    status = client.quit()
    check(status == 0, "parlane exited with %d:\n%s" % (status, client.output()))
    client.check_output()

    with open(os.path.join(config_home, "parlane", "parlane.conf")) as f:
        config = f.read()
    check('connect_name "Alice";' in config, "the settings lack the name:\n" + config)
    for folder in (os.path.join(config_home, "parlane"), os.path.join(home, ".local", "share", "parlane")):
        mode = os.stat(folder).st_mode & 0o777
        check(mode == 0o700, "%s has mode %o" % (folder, mode))
    check(os.listdir(client.folder) == [], "written to the working directory: %s" % os.listdir(client.folder))

    # The program alone, without the data folder beside it.
    bare = os.path.join(session.folder, "bare", "bin")
    os.makedirs(bare)
    shutil.copy(client_program, bare)
    refused_start(session, os.path.join(bare, "parlane"), "no-ui-file", user_env(session, home),
                  "Cannot find the user interface file parlane.glade")
    # A settings folder that cannot be made: a plain file stands in its way.
    blocker = os.path.join(session.folder, "blocker")
    open(blocker, "w").close()
    refused_start(session, client_program, "no-settings-folder",
                  user_env(session, home, XDG_CONFIG_HOME=os.path.join(blocker, "config")),
                  "Cannot create the settings folder " + os.path.join(blocker, "config", "parlane"))


if __name__ == "__main__":
    sys.exit(Session(sys.argv).run(body))
