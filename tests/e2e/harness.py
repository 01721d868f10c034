"""Helpers for the end-to-end tests: a private Xvfb display, the real
parlane-server and parlane programs as child processes, xdotool key presses,
screenshots, and a bare protocol client that watches what the server relays.

Every wait has a deadline; every process started here is stopped by
Session.close(), which the tests call in a finally block.
"""

import argparse
import os
import re
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time

# Seconds for any single expected event; PARLANE_E2E_WAIT raises it for
# programs run under a slow checker such as valgrind.
WAIT = float(os.environ.get("PARLANE_E2E_WAIT", "15"))


class Failure(Exception):
    pass


def wait_until(what, predicate, timeout=WAIT, interval=0.05):
    """Polls predicate until it returns something true; returns that value.
    Raises Failure naming what was awaited when the time runs out."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= end:
            raise Failure("Timed out after %.0f s waiting for %s" % (timeout, what))
        time.sleep(interval)


def parse_packet(line):
    """The packet line format: origin;COMMAND;p1;p2, everything after the
    first "|" being one last parameter; BEL stands for a line feed."""
    bar = line.find("|")
    head = line if bar < 0 else line[:bar]
    fields = head.split(";") if head else []
    if len(fields) < 2:
        raise Failure("Malformed packet %r" % line)
    params = fields[2:]
    if bar >= 0:
        params.append(line[bar + 1:])
    params = [p.replace("\a", "\n") for p in params]
    return fields[0], fields[1].upper(), params


def packet_line(origin, command, *params):
    line = origin + ";" + command
    for p in params:
        p = p.replace("\n", "\a")
        line += ("|" if ";" in p or "|" in p else ";") + p
    return line + "\n"


class Display:
    """A private Xvfb server, so that tests running side by side never share
    keyboard focus or windows."""

    def __init__(self, size="1280x1024x24"):
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size, "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        end = time.monotonic() + WAIT
        try:
            while not number.endswith(b"\n"):
                left = end - time.monotonic()
                if left <= 0 or not select.select([read_end], [], [], left)[0]:
                    raise Failure("Xvfb did not report its display number")
                chunk = os.read(read_end, 16)
                if not chunk:
                    raise Failure("Xvfb exited at start-up")
                number += chunk
        finally:
            os.close(read_end)
        self.name = ":" + number.decode().strip()

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.name
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def close(self):
        stop_process(self.proc)


def stop_process(proc, grace=5.0):
    """SIGTERM, then SIGKILL if the process is still there after grace
    seconds. Returns the exit status."""
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(grace)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait(grace)
    return proc.returncode


class Server:
    """parlane-server on 127.0.0.1, a port the kernel picks, and a copy of
    the given state file (the server rewrites it)."""

    def __init__(self, program, folder, state=None, game="Lantern Road", options=()):
        self.folder = folder
        os.makedirs(folder, exist_ok=True)
        self.log_path = os.path.join(folder, "server.log")
        args = [program, "--bind", "127.0.0.1", "--port", "0", "--game", game] + list(options)
        if state:
            shutil.copy(state, os.path.join(folder, "state.conf"))
            args += ["--state", "state.conf"]
        self.log_file = open(self.log_path, "w")
        self.proc = subprocess.Popen(args, cwd=folder, stdout=self.log_file, stderr=subprocess.STDOUT)
        match = wait_until("the server to listen", lambda: self._listening(), WAIT)
        self.host, self.port = match.group(1), int(match.group(2))
        self.address = "%s:%d" % (self.host, self.port)

    def _listening(self):
        if self.proc.poll() is not None:
            raise Failure("parlane-server exited with %d:\n%s" % (self.proc.returncode, self.log()))
        return re.search(r"^Listening on ([0-9.]+):(\d+)$", self.log(), re.M)

    def log(self):
        with open(self.log_path, errors="replace") as f:
            return f.read()

    def wait_log(self, pattern, timeout=WAIT):
        return wait_until("server log line /%s/" % pattern,
                          lambda: re.search(pattern, self.log(), re.M), timeout)

    def close(self):
        status = stop_process(self.proc)
        self.log_file.close()
        return status


class Observer:
    """A bare protocol client on a socket: logs in and records every packet
    the server sends it, in a thread of its own."""

    def __init__(self, address, name):
        host, port = address.rsplit(":", 1)
        self.sock = socket.create_connection((host, int(port)), timeout=WAIT)
        self.sock.settimeout(0.2)
        self.packets = []
        self.lock = threading.Lock()
        self.running = True
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()
        self.send("", "NAME", name)

    def send(self, origin, command, *params):
        self.sock.sendall(packet_line(origin, command, *params).encode())

    def _read(self):
        buffer = b""
        while self.running:
            try:
                data = self.sock.recv(4096)
            except socket.timeout:
                continue
            except OSError:
                break
            if not data:
                break
            buffer += data
            while b"\n" in buffer:
                line, buffer = buffer.split(b"\n", 1)
                packet = parse_packet(line.decode("utf-8", "replace"))
                with self.lock:
                    self.packets.append(packet)

    def received(self):
        with self.lock:
            return list(self.packets)

    def find(self, origin, command, *params):
        """The first packet received with this origin, command and these
        leading parameters, or None."""
        for packet in self.received():
            if packet[0] == origin and packet[1] == command and tuple(packet[2][:len(params)]) == params:
                return packet
        return None

    def wait_for(self, origin, command, *params, timeout=WAIT):
        return wait_until("%s;%s;%s from the server" % (origin, command, ";".join(params)),
                          lambda: self.find(origin, command, *params), timeout)

    def close(self):
        self.running = False
        try:
            self.sock.close()
        except OSError:
            pass
        self.thread.join(2)


class Client:
    """The real parlane program, started in a run folder of its own that
    holds parlane.glade, the icons and optionally a parlane.conf."""

    def __init__(self, program, source, folder, display, config=None):
        self.folder = folder
        self.display = display
        os.makedirs(folder, exist_ok=True)
        data = os.path.join(source, "data")
        for name in os.listdir(data):
            if name == "parlane.glade" or name.endswith(".png"):
                shutil.copy(os.path.join(data, name), folder)
        if config is not None:
            with open(os.path.join(folder, "parlane.conf"), "w") as f:
                f.write(config)
        self.out_path = os.path.join(folder, "client.out")
        self.out_file = open(self.out_path, "w")
        env = display.env()
        suppressions = os.path.join(source, "tests", "gui", "lsan.supp")
        env["LSAN_OPTIONS"] = "suppressions=%s:print_suppressions=0" % suppressions
        self.proc = subprocess.Popen([program], cwd=folder, env=env, stdout=self.out_file,
                                     stderr=subprocess.STDOUT)
        self.window = self.find_window("^Parlane")

    # ---- windows

    def xdotool(self, *args, timeout=WAIT):
        try:
            result = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.display.env(),
                                    capture_output=True, text=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return None
        return result.stdout if result.returncode == 0 else None

    def windows(self):
        """The ids of this program's visible top-level windows."""
        out = self.xdotool("search", "--onlyvisible", "--pid", self.proc.pid)
        return out.split() if out else []

    def find_window(self, title_pattern, timeout=WAIT):
        """Waits for a visible window of this program whose title matches."""
        def search():
            if self.proc.poll() is not None:
                raise Failure("parlane exited with %d:\n%s" % (self.proc.returncode, self.output()))
            # --sync waits for the window; the time-out brings the loop
            # back to notice a program that died.
            out = self.xdotool("search", "--sync", "--all", "--onlyvisible", "--pid", self.proc.pid,
                               "--name", title_pattern, timeout=2)
            return out.split()[0] if out else None
        return wait_until("a window titled /%s/" % title_pattern, search, timeout)

    def find_new_window(self, known, timeout=WAIT):
        """Waits for a visible window other than those in known (message
        boxes have no title to search for)."""
        def search():
            fresh = [w for w in self.windows() if w not in known]
            return fresh[0] if fresh else None
        return wait_until("a new window", search, timeout)

    def title(self, window=None):
        out = self.xdotool("getwindowname", window or self.window)
        return out.rstrip("\n") if out is not None else None

    def wait_title(self, title, timeout=WAIT):
        try:
            return wait_until("the title %r" % title, lambda: self.title() == title, timeout)
        except Failure as e:
            raise Failure("%s; it is %r" % (e, self.title()))

    def key(self, *keys, window=None, closes=False):
        """Sends the key presses to the window. With closes, the keys may
        close the window (or end the program) before the last release has
        been sent, which xdotool then reports as a failure."""
        if self.xdotool("key", "--window", window or self.window, "--delay", 20, *keys) is None and not closes:
            raise Failure("xdotool key %s failed" % " ".join(keys))

    def type(self, text, window=None):
        if self.xdotool("type", "--window", window or self.window, "--delay", 10, text, timeout=60) is None:
            raise Failure("xdotool type %r failed" % text)

    def click(self, x, y, window=None):
        """A real pointer click at (x, y) inside the window, which must be on
        top."""
        target = window or self.window
        self.xdotool("windowraise", target)
        if self.xdotool("mousemove", "--window", target, "--sync", x, y, "click", 1) is None:
            raise Failure("xdotool click at %d,%d failed" % (x, y))
        # Away from every window, so that no tooltip shows up.
        self.xdotool("mousemove", "--sync", 0, 0)

    def say(self, text):
        """Types one line into the input box and presses Enter."""
        self.type(text)
        self.key("Return")

    def screenshot(self, path, window=None):
        """Saves the window as a PNG; returns False when no tool for it is
        installed (ImageMagick's import, or xwd with convert)."""
        target = window or self.window
        env = self.display.env()
        # Without a window manager the windows overlap where they were
        # placed; what lies under another window is not drawn.
        self.xdotool("windowraise", target)
        time.sleep(0.5)
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        if shutil.which("import"):
            shot = subprocess.run(["import", "-window", str(target), path], env=env, capture_output=True,
                                  timeout=WAIT)
            ok = shot.returncode == 0
        elif shutil.which("xwd") and shutil.which("convert"):
            xwd = subprocess.run(["xwd", "-silent", "-id", str(target)], env=env, capture_output=True,
                                 timeout=WAIT)
            ok = xwd.returncode == 0 and subprocess.run(["convert", "xwd:-", "png:" + path], input=xwd.stdout,
                                                        capture_output=True, timeout=WAIT).returncode == 0
        else:
            return False
        if not ok:
            raise Failure("Screenshot of window %s failed" % target)
        return True

    # ---- dialogs

    def connect(self, address, name, screenshot=None, menu=False):
        """Parlane > Connect by its accelerator (or with menu, through the
        menu bar's mnemonics: Alt+P, C), the address and the name typed
        through the labels' mnemonics, confirmed with Enter. With
        screenshot, the filled-in dialog is saved there first."""
        if menu:
            self.key("alt+p")
            self.key("c")
        else:
            self.key("ctrl+o")
        dialog = self.find_window("^Connect to a Server$")
        self.key("alt+a", "ctrl+a", window=dialog)
        self.type(address, window=dialog)
        self.key("alt+n", "ctrl+a", window=dialog)
        self.type(name, window=dialog)
        if screenshot:
            self.screenshot(screenshot, dialog)
        self.key("Return", window=dialog, closes=True)
        wait_until("the connect dialog to close", lambda: dialog not in self.windows())

    def answer(self, keys, known, screenshot=None):
        """Answers the message box that appears next with the given keys;
        with screenshot, saves the box there first."""
        box = self.find_new_window(known)
        if screenshot:
            self.screenshot(screenshot, box)
        self.key(*keys, window=box, closes=True)
        wait_until("the message box to close", lambda: box not in self.windows())

    def quit(self, timeout=WAIT):
        """Parlane > Quit by Ctrl+Q and Yes (Alt+Y) in "Really quit?";
        returns the exit status."""
        known = self.windows()
        self.key("ctrl+q")
        self.answer(["alt+y"], known)
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("parlane did not exit after Quit")

    # ---- files

    def output(self):
        self.out_file.flush()
        with open(self.out_path, errors="replace") as f:
            return f.read()

    def check_output(self):
        """Fails on a sanitizer report or a toolkit warning in what the
        program has printed so far."""
        found = re.findall(r"^.*(?:Sanitizer|runtime error|-CRITICAL|-WARNING).*$", self.output(), re.M)
        check(not found, "parlane in %s printed:\n%s" % (self.folder, self.output()))

    def read(self, relative):
        path = os.path.join(self.folder, relative)
        if not os.path.exists(path):
            return ""
        with open(path, errors="replace") as f:
            return f.read()

    def wait_file_line(self, relative, pattern, timeout=WAIT):
        return wait_until("/%s/ in %s" % (pattern, relative),
                          lambda: re.search(pattern, self.read(relative), re.M), timeout)

    def close(self):
        status = stop_process(self.proc)
        self.out_file.close()
        return status


class Session:
    """What one test starts: a scratch folder, a display, a server, clients,
    observers. close() stops all of it, newest first."""

    def __init__(self, argv):
        self.args = parse_arguments(argv)
        self.build, self.source = self.args.build, self.args.source
        self.folder = tempfile.mkdtemp(prefix="parlane-e2e-")
        self.shots = self.args.screenshots or os.path.join(self.build, "e2e-screenshots")
        self.started = time.monotonic()
        self.parts = []
        self.display = self.add(Display())

    def add(self, part):
        self.parts.append(part)
        return part

    def server(self, state=None, options=()):
        return self.add(Server(os.path.join(self.build, "parlane-server"), os.path.join(self.folder, "server"),
                               state, options=options))

    def demo_state(self):
        return os.path.join(self.source, "data", "demo", "state.conf")

    def client(self, name, config=None):
        return self.add(Client(os.path.join(self.build, "parlane"), self.source, os.path.join(self.folder, name),
                               self.display, config))

    def observer(self, address, name):
        return self.add(Observer(address, name))

    def report(self):
        """Everything a failed run leaves to read: logs and client output."""
        lines = ["--- scratch folder %s" % self.folder]
        for part in self.parts:
            if isinstance(part, Server):
                lines += ["--- server log", part.log()]
            elif isinstance(part, Client):
                lines += ["--- output of parlane in %s" % part.folder, part.output()]
                lines += ["--- its windows: %s" % ", ".join("%s %r" % (w, part.title(w)) for w in part.windows())]
            elif isinstance(part, Observer):
                lines += ["--- packets received by the observer"]
                lines += ["%s;%s;%s" % (o, c, ";".join(p)) for o, c, p in part.received()]
        return "\n".join(lines)

    def close(self, failed):
        for part in reversed(self.parts):
            try:
                part.close()
            except Exception as e:  # teardown goes on whatever one part does
                print("teardown: %s" % e, file=sys.stderr)
        if not failed and not self.args.keep:
            shutil.rmtree(self.folder, ignore_errors=True)

    def run(self, body):
        """Runs body(session), prints the outcome, returns the exit status.
        A SIGTERM (a test driver's time-out) ends the body as a failure, so
        the teardown still runs."""
        def interrupted(number, frame):
            raise Failure("Stopped by signal %d" % number)
        signal.signal(signal.SIGTERM, interrupted)
        failed = True
        try:
            body(self)
            failed = False
        except Failure as e:
            print("FAILED: %s" % e)
            print(self.report())
        finally:
            self.close(failed)
        print("%s in %.1f s" % ("FAILED" if failed else "PASSED", time.monotonic() - self.started))
        return 1 if failed else 0


def parse_arguments(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description="An end-to-end test of parlane and parlane-server.")
    parser.add_argument("--source", default=os.path.dirname(os.path.dirname(here)), help="the checkout")
    parser.add_argument("--build", help="the build folder with the programs (default: SOURCE/build/release)")
    parser.add_argument("--keep", action="store_true", help="keep the scratch folder")
    parser.add_argument("--screenshots",
                        help="save the screenshots in this folder (default: BUILD/e2e-screenshots)")
    args = parser.parse_args(argv[1:])
    args.source = os.path.abspath(args.source)
    args.build = os.path.abspath(args.build or os.path.join(args.source, "build", "release"))
    return args


def check(condition, message):
    if not condition:
        raise Failure(message)
