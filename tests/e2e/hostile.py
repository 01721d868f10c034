"""Helpers for the hostile-peer tests: a scripted server that the real
parlane client connects to, raw sockets that misbehave towards the real
parlane-server, and process figures read from /proc.

Every wait has a deadline; every socket opened here is closed by close()."""

import os
import socket
import threading
import time

from harness import Failure, WAIT, wait_until


def memory_limit_kb(session, limit_kb):
    """The growth allowed, limit_kb, or None under the sanitizers: their
    allocator keeps freed memory in quarantine (256 MB by default, cut to
    16 MB here) and shadows every byte it hands out, so resident memory says
    little there; the normal build is the one measured."""
    options = os.environ.get("ASAN_OPTIONS")
    os.environ["ASAN_OPTIONS"] = (options + ":" if options else "") + "quarantine_size_mb=16"
    cache = os.path.join(session.build, "CMakeCache.txt")
    sanitized = os.path.exists(cache) and "PARLANE_SANITIZE:BOOL=ON" in open(cache).read()
    return None if sanitized else limit_kb


def resident_kb(pid):
    """The process's resident memory (VmRSS) in kilobytes."""
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise Failure("no VmRSS for process %d" % pid)


def line(*fields):
    """A raw packet line: the fields joined by ";" as bytes, with a line
    feed. Fields may be bytes (sent as they are) or text."""
    raw = [f if isinstance(f, bytes) else f.encode() for f in fields]
    return b";".join(raw) + b"\n"


class Peer:
    """One accepted connection of the scripted server: what the client sends
    is collected, line by line, in a thread of its own."""

    def __init__(self, sock):
        self.sock = sock
        self.sock.settimeout(WAIT * 2)
        self.lines = []
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        buffer = b""
        while True:
            try:
                data = self.sock.recv(65536)
            except socket.timeout:
                continue
            except OSError:
                return
            if not data:
                return
            buffer += data
            while b"\n" in buffer:
                one, buffer = buffer.split(b"\n", 1)
                with self.lock:
                    self.lines.append(one.decode("utf-8", "replace"))

    def send(self, data):
        """Writes the bytes, however long the client takes to read them (it
        reads while no message box is open)."""
        try:
            self.sock.sendall(data)
        except OSError as e:
            raise Failure("sending %d bytes to the client failed: %s" % (len(data), e))

    def received(self):
        with self.lock:
            return list(self.lines)

    def wait_line(self, text, timeout=WAIT):
        try:
            return wait_until("the line %r from the client" % text, lambda: text in self.received(), timeout)
        except Failure as e:
            raise Failure("%s; its last lines: %r" % (e, self.received()[-10:]))

    def close(self):
        try:
            self.sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.sock.close()
        self.thread.join(2)


class ScriptedServer:
    """A listening socket on 127.0.0.1 with a port the kernel picks; the test
    takes each connection with accept() and speaks for the server itself."""

    def __init__(self):
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(4)
        self.address = "127.0.0.1:%d" % self.listener.getsockname()[1]
        self.peers = []

    def accept(self, timeout=WAIT):
        self.listener.settimeout(timeout)
        try:
            sock, _ = self.listener.accept()
        except socket.timeout:
            raise Failure("the client did not connect within %.0f s" % timeout)
        peer = Peer(sock)
        self.peers.append(peer)
        return peer

    def close(self):
        for peer in self.peers:
            peer.close()
        self.listener.close()


def raw_connect(address, timeout=WAIT):
    host, port = address.rsplit(":", 1)
    sock = socket.create_connection((host, int(port)), timeout=timeout)
    return sock


def read_until_closed(sock, limit=WAIT):
    """Everything the peer sends until it closes the socket or limit seconds
    pass."""
    data = b""
    end = time.monotonic() + limit
    sock.settimeout(0.2)
    while time.monotonic() < end:
        try:
            chunk = sock.recv(65536)
        except socket.timeout:
            continue
        except OSError:
            break
        if not chunk:
            break
        data += chunk
    return data


def tree(folder):
    """Every file and directory below folder, as paths relative to it."""
    found = []
    for top, dirs, files in os.walk(folder):
        for name in dirs + files:
            found.append(os.path.relpath(os.path.join(top, name), folder))
    return sorted(found)
