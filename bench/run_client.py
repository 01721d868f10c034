#!/usr/bin/env python3
"""Drives the real client against a real server under a private X display
and prints one table of figures. Called by bench/run-client.sh, which passes
the build directory and the display."""
import os
import re
import socket
import subprocess
import sys
import tempfile
import threading
import time

LINES = int(os.environ.get("FLOOD_LINES", "10000"))
IDLE_SECONDS = int(os.environ.get("IDLE_SECONDS", "30"))
ENTERS = 3


def flood_line(i):
    # About 80 characters a line, as a busy scene sends them.
    return "GM;TEXT;Tavern;Flood line %d of the bench, said by the game master to everyone at the table.\n" % i


class Server:
    def __init__(self, build, workdir):
        self.proc = subprocess.Popen([os.path.join(build, "parlane-server"), "--port", "0"], cwd=workdir,
                                     stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        for line in self.proc.stdout:
            m = re.search(r"Listening on ([\d.]+):(\d+)", line)
            if m:
                self.port = int(m.group(2))
                break
        else:
            sys.exit("server did not start")
        threading.Thread(target=lambda: [None for _ in self.proc.stdout], daemon=True).start()


class Master:
    """The game master's link: makes the scenes, seats the client, floods."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port))
        self.online = threading.Event()
        self.sock.sendall(b";NAME;GM\n;ADDSCENE;Tavern;0\n;ADDSCENE;Cellar;0\n")
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        pending = b""
        while True:
            data = self.sock.recv(1 << 16)
            if not data:
                return
            pending += data
            *lines, pending = pending.split(b"\n")
            for line in lines:
                if line.startswith(b"Alice;ONLINE;1"):
                    self.online.set()

    def seat(self):
        self.sock.sendall(b";ENTER;Tavern;Alice\n;ENTER;Cellar;Alice\n")


class Client:
    def __init__(self, build, workdir, port, display):
        env = dict(os.environ, DISPLAY=display, PARLANE_PROBE="127.0.0.1:%d" % port,
                   PARLANE_PROBE_LINES=str(LINES))
        self.proc = subprocess.Popen([os.path.join(build, "parlane")], cwd=workdir, env=env,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.figures = {}
        self.enters = []
        self.cond = threading.Condition()
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        for line in self.proc.stdout:
            parts = line.split()
            if len(parts) != 3 or parts[0] != "probe":
                continue
            with self.cond:
                if parts[1] == "enter_ms":
                    self.enters.append(float(parts[2]))
                else:
                    self.figures[parts[1]] = parts[2]
                self.cond.notify_all()

    def wait_for(self, key, timeout=120):
        with self.cond:
            if not self.cond.wait_for(lambda: key in self.figures, timeout):
                sys.exit("client gave no %s" % key)
            return self.figures[key]

    def cpu_ns(self):
        total = 0
        for task in os.listdir("/proc/%d/task" % self.proc.pid):
            with open("/proc/%d/task/%s/schedstat" % (self.proc.pid, task)) as f:
                total += int(f.read().split()[0])
        return total


def xdotool(display, *args):
    subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=display), check=False)


def main():
    build, display = sys.argv[1], sys.argv[2]
    source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    workdir = tempfile.mkdtemp(prefix="parlane-bench-")
    for name in os.listdir(os.path.join(source, "data")):
        os.symlink(os.path.join(source, "data", name), os.path.join(workdir, name))
    server = Server(build, workdir)
    master = Master(server.port)
    client = Client(build, workdir, server.port, display)
    try:
        if not master.online.wait(30):
            sys.exit("client did not log in")
        master.seat()
        window = client.wait_for("window")
        client.wait_for("ready")
        xdotool(display, "windowfocus", "--sync", window)
        data = "".join(flood_line(i) for i in range(LINES)).encode()
        xdotool(display, "type", "--delay", "0", "ping")
        sender = threading.Thread(target=master.sock.sendall, args=(data,))
        sender.start()
        # Enters while the lines pour in; "type" would take every later
        # word of one xdotool command as text, so one command per Enter.
        time.sleep(0.01)
        xdotool(display, "key", "Return")
        for _ in range(ENTERS - 1):
            xdotool(display, "key", "p", "i", "n", "g", "Return")
        sender.join()
        client.wait_for("quiet", 300)
        time.sleep(1)
        start_cpu, start = client.cpu_ns(), time.monotonic()
        time.sleep(IDLE_SECONDS)
        idle = (client.cpu_ns() - start_cpu) / 1e9 / (time.monotonic() - start) * 100
        f = client.figures
        rows = [
            ("ingest, lines/s", "%.0f" % float(f["lines_per_s"]), ">= 30000"),
            ("CPU per line, us", "%.1f" % float(f["cpu_us_per_line"]), "<= 1.5x peer"),
            ("scene switch, final frame ms", "%.1f" % float(f["switch_frame_ms"]), "<= 35"),
            ("scene switch, busy tail ms", "%.0f" % float(f["switch_tail_ms"]), "no multi-second tail"),
            ("heap growth per 100k lines, MiB", "%.1f" % (int(f["heap_growth_kib"]) / 1024 * 100000 / LINES), "<= 30"),
            ("peak RSS after flood, MiB", "%.1f" % (int(f["peak_rss_kib"]) / 1024), "small"),
            ("idle CPU over %d s, %% of a core" % IDLE_SECONDS, "%.3f" % idle, "<= 0.2"),
            ("Enter-to-packet in flood, ms (max of %d)" % len(client.enters),
             "%.0f" % max(client.enters) if client.enters else "n/a", "< 5"),
            ("view at the bottom after flood", f.get("at_bottom", "?"), "yes"),
        ]
        print("cores: %d, lines: %d of ~80 characters" % (os.cpu_count(), LINES))
        print("%-44s %12s  %s" % ("figure", "value", "target"))
        for row in rows:
            print("%-44s %12s  %s" % row)
        print("enter samples ms: %s" % client.enters)
    finally:
        client.proc.terminate()
        server.proc.terminate()
        client.proc.wait(10)
        server.proc.wait(10)


if __name__ == "__main__":
    main()
