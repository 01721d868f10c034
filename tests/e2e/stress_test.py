#!/usr/bin/env python3
"""The real parlane client fed generated hostile lines by a scripted server.

A seeded generator (PARLANE_STRESS_SEED, or the clock) makes a few hundred
chat lines that any server could pass on: runs of thousands of tabs, words
of 64 KiB without a blank, the markup characters * _ % " $ doubled,
unmatched and nested, stacked combining marks, right-to-left text and bidi
controls, emoji sequences, zero-width characters, invalid UTF-8 and line
feeds; from 1 byte to 64 KiB. They go as TEXT and OOC into the active scene,
one batch per kind. Then a character with a name of a few thousand bytes
enters and speaks, a biography full of tabs is shown in the message box of
"/info" and in the dialog of "/myinfo", and a scene with a name of a few
thousand bytes is announced and switched to with Alt+digit.

After each case the client must still run (no X error, no crash), have
handled every line within a deadline (a freeze fails it; a key press typed
while a batch arrives is held to the same deadline), and answer a key press
with WRITING within 1 s; at the end it has printed no toolkit warning and
quits with status 0. The seed is printed first and in every failure;
PARLANE_STRESS_CASES=tabs,markup,... runs only the named cases. At the end
the window is saved as stress.png in the screenshots folder."""

import math
import os
import random
import re
import signal
import sys
import time

from harness import Failure, Session, WAIT, check, wait_until
from hostile import ScriptedServer, line

GAME = "Stress Game"
SESSION = "Night"
SCENE = "Tavern"
LOG = os.path.join(GAME, "%s-%s.log" % (SESSION, SCENE))
STAMP = r"^\[\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\] "
USER = "GM"
SPEAKERS = ["Alice", "Bob", "Mira"]

LINES_PER_KIND = 30
LONGEST = 64 * 1024
# Seconds a key press may take to be answered with WRITING.
KEY_DEADLINE = 1.0
# Seconds the client may take to handle one batch; a markup reader or a
# layout that grows with the square of a line blows it.
BATCH_DEADLINE = 15.0
# Bytes in the long scene name, the long character name: wide letters
# first, then generated text.
WIDE = 2500
LONG_NAME = 4000

# ---------------------------------------------------------------- pieces

MARKERS = ["*", "_", "%", '"', "$"]
MARKUP_TOKENS = MARKERS + [
    "**", "__", "%%", '""', "$$", "$a$", "$me$", "$Alice$", "$Nobody$", '"a', 'a"', "*a*", "_a_", "%a%",
    '*_%"', '"%_*', "*_a_*", '"*$a$*"', "$*a*$", '_"$me$"_', "$\"", "*$", "$_", "a", "b", " ", "\t",
]
COMBINING = [chr(c) for c in range(0x300, 0x370)] + ["\u20dd", "\u20e3", "\u0489", "\u1dc0", "\ufe20"]
RTL_WORDS = ["שלום", "עולם", "مرحبا", "بالعالم", "سلام", "ܫܠܡܐ", "ދިވެހި"]
BIDI = ["\u202a", "\u202b", "\u202c", "\u202d", "\u202e", "\u2066", "\u2067", "\u2068", "\u2069", "\u200e",
        "\u200f", "\u061c"]
EMOJI = ["😀", "👩\u200d👩\u200d👧\u200d👦", "🏳\ufe0f\u200d🌈", "👍🏽", "🇫🇷", "🇯🇵", "1\ufe0f\u20e3", "❤\ufe0f",
         "🧑🏿\u200d🚀", "🫠", "中文", "𝔸𝕓𝕔", "\U0001F3F4\U000E0067\U000E0062\U000E0073\U000E0063\U000E0074\U000E007F"]
ZERO_WIDTH = ["\u200b", "\u200c", "\u200d", "\u2060", "\ufeff", "\u00ad", "\ufe0f", "\u034f", "\u180e"]
WORD_CHARS = ["a", "W", "é", "ß", "中", "𝔸", "ж", "0", "-", "."]
# Byte sequences that are no UTF-8: stray continuation bytes, overlong
# forms, surrogates, code points past U+10FFFF, cut sequences, 0xFE/0xFF.
INVALID = [b"\x80", b"\xbf", b"\xc0\xaf", b"\xc1\xbf", b"\xe0\x80\xaf", b"\xed\xa0\x80", b"\xed\xbf\xbf",
           b"\xf4\x90\x80\x80", b"\xf8\x88\x80\x80\x80", b"\xfe", b"\xff", b"\xc3", b"\xe2\x82", b"\xf0\x9f\x98"]


def lengths(rng, count):
    """Byte lengths from 1 to LONGEST, spread evenly on a log scale; the two
    ends always among them."""
    out = [1, LONGEST]
    while len(out) < count:
        out.append(min(LONGEST, int(math.exp(rng.uniform(0, math.log(LONGEST))))))
    rng.shuffle(out)
    return out


def fill(rng, size, piece):
    """Text of at most size bytes, cut at a character boundary, made of what
    piece(rng) returns one after another."""
    parts, total = [], 0
    # Every piece holds a character at least.
    for _ in range(size):
        if total >= size:
            break
        p = piece(rng)
        parts.append(p)
        total += len(p.encode())
    data = "".join(parts).encode()[:size]
    return data.decode("utf-8", "ignore").encode() or b"x"


def tabs_piece(rng):
    run = int(math.exp(rng.uniform(0, math.log(4000))))
    return "\t" * run + rng.choice(["", "x", "word", " ", "*", "$a$"])


def long_word_piece(rng):
    # One run of a single character, or a mixed word: never a blank.
    if rng.random() < 0.5:
        return rng.choice(WORD_CHARS) * rng.randint(1, 5000)
    return "".join(rng.choice(WORD_CHARS) for _ in range(rng.randint(1, 2000)))


def markup_piece(rng):
    shape = rng.random()
    if shape < 0.25:
        # One token repeated, as in a dense line of "_a_" or '"a'.
        return rng.choice(MARKUP_TOKENS) * rng.randint(1, 400)
    if shape < 0.4:
        # Nested openers and their closers, or only the openers.
        depth = rng.randint(1, 40)
        opens = [rng.choice(MARKERS) for _ in range(depth)]
        closes = "" if rng.random() < 0.3 else "".join(reversed(opens))
        return "".join(opens) + "a" + closes
    return "".join(rng.choice(MARKUP_TOKENS) for _ in range(rng.randint(1, 60)))


def combining_piece(rng):
    return rng.choice("aeiouxAZ中 ") + "".join(rng.choice(COMBINING) for _ in range(rng.randint(0, 300)))


def rtl_piece(rng):
    if rng.random() < 0.2:
        # Embeddings, overrides and isolates, opened and closed at random
        # between letters of both directions: deep and unbalanced nesting.
        return "".join(rng.choice(BIDI + ["a", "\u05d0"]) for _ in range(rng.randint(1, 4000)))
    out = []
    for _ in range(rng.randint(1, 20)):
        out.append(rng.choice(RTL_WORDS + BIDI + ["abc", "123", " ", "*", '"', "$a$"]))
    return "".join(out)


def emoji_piece(rng):
    return "".join(rng.choice(EMOJI + [" ", "x", "\ufe0f", "\u200d", "🏽"]) for _ in range(rng.randint(1, 40)))


def zero_width_piece(rng):
    if rng.random() < 0.3:
        return rng.choice(ZERO_WIDTH) * rng.randint(1, 3000)
    return "".join(rng.choice(ZERO_WIDTH + ["a", "b", " "]) for _ in range(rng.randint(1, 80)))


def line_feed_piece(rng):
    # A line feed travels as BEL: many short display lines in one.
    return "\a" * rng.randint(1, 50) + rng.choice(["", "x", "*", "\t"])


TEXT_PIECES = [tabs_piece, long_word_piece, markup_piece, combining_piece, rtl_piece, emoji_piece,
               zero_width_piece]


def invalid_line(rng, size):
    """Text broken by bytes that are no UTF-8; never a line feed or NUL."""
    out = b""
    # Two rounds in three add a byte at least.
    for _ in range(4 * size + 16):
        if len(out) >= size:
            break
        if rng.random() < 0.4:
            out += rng.choice(INVALID)
        elif rng.random() < 0.2:
            out += bytes(b for b in rng.randbytes(rng.randint(1, 200)) if b not in (0, 10, 13))
        else:
            out += rng.choice(TEXT_PIECES)(rng).encode()
    return out[:size].rstrip(b"\r") or b"\xff"


def mixed_piece(rng):
    return rng.choice(TEXT_PIECES + [line_feed_piece, markup_piece, markup_piece])(rng)


KINDS = {
    "tabs": tabs_piece,
    "long words": long_word_piece,
    "markup": markup_piece,
    "combining": combining_piece,
    "rtl": rtl_piece,
    "emoji": emoji_piece,
    "zero width": zero_width_piece,
    "invalid utf-8": None,
    "mixed": mixed_piece,
}


def generate(rng, kind, count):
    sizes = lengths(rng, count)
    if kind == "invalid utf-8":
        return [invalid_line(rng, n) for n in sizes]
    return [fill(rng, n, KINDS[kind]) for n in sizes]


def long_name(rng, prefix, alphabet):
    """A name of about LONG_NAME bytes, wider than any window: WIDE letters
    "W", then pieces from the alphabet. No ";", "|" or line feed, which no
    name can hold."""
    tail = fill(rng, LONG_NAME - WIDE, lambda r: r.choice(alphabet)(r)).replace(b";", b"").replace(b"|", b"")
    return prefix + b"W" * WIDE + tail


# ---------------------------------------------------------------- the script


class StressFailure(Failure):
    """A failure that already names the seed and the case."""


class Stress:
    """The scripted server's side of the one connection, and the checks on
    the client after each case."""

    def __init__(self, client, peer, seed):
        self.client = client
        self.peer = peer
        self.seed = seed
        self.case = "start"
        self.syncs = 0
        self.scene = SCENE

    def fail(self, message):
        raise StressFailure("seed %d, case %s: %s (PARLANE_STRESS_SEED=%d repeats it)"
                      % (self.seed, self.case, message, self.seed))

    def send(self, *lines):
        try:
            self.peer.send(b"".join(lines))
        except Failure as e:
            self.alive()
            self.fail(str(e))

    def key(self, *keys, window=None, closes=False):
        """Key presses, failing with the seed and case when they cannot be
        sent or the client died."""
        try:
            self.client.key(*keys, window=window, closes=closes)
        except Failure as e:
            self.alive()
            self.fail(str(e))

    def type(self, text):
        try:
            self.client.type(text)
        except Failure as e:
            self.alive()
            self.fail(str(e))

    def wait(self, what, predicate, timeout=WAIT, interval=0.05):
        """wait_until, failing at once when the client dies meanwhile."""
        def test():
            self.alive()
            return predicate()
        try:
            return wait_until(what, test, timeout, interval)
        except StressFailure:
            raise
        except Failure as e:
            self.alive()
            self.fail(str(e))

    def alive(self):
        """Fails when the client is gone, with what it printed about an X
        error."""
        status = self.client.proc.poll()
        if status is None:
            return
        output = self.client.output()
        reasons = re.findall(r"^.*(?:X Window System error|BadAlloc|BadValue|error_code|Sanitizer|"
                             r"terminate called|Segmentation|Abort).*$", output, re.M)
        how = "by signal %s" % signal.Signals(-status).name if status < 0 else "with status %d" % status
        self.fail("parlane died %s:\n%s" % (how, "\n".join(reasons) or output[-3000:]))

    def sync(self, timeout=BATCH_DEADLINE):
        """Waits until the client has handled everything sent so far: a
        marker line sent last reaches the Tavern's log after the rest."""
        self.syncs += 1
        marker = "sync %d" % self.syncs
        started = time.monotonic()
        self.send(line("*", "TEXT", SCENE, marker))
        pattern = re.compile(STAMP + re.escape(marker) + "$", re.M)
        self.wait("the lines sent so far to be handled (marker %r)" % marker,
                  lambda: pattern.search(self.client.read(LOG)), timeout)
        return time.monotonic() - started

    def key_probe(self, timeout=KEY_DEADLINE):
        """A letter typed into the input box must come back as WRITING for
        the active scene within timeout seconds; Enter then sends the letter
        and ends the writing state. Returns the seconds the answer took."""
        took = self.press("x", "%s;WRITING;%s" % (USER, self.scene), timeout)
        self.press("Return", USER + ";WRITING;", WAIT)
        return took

    def press(self, key, answer, timeout=KEY_DEADLINE):
        """Sends the key; the client must send the line answer before timeout
        seconds pass, and no other WRITING before it. Returns the seconds
        the answer took."""
        seen = len(self.peer.received())
        started = time.monotonic()
        self.alive()
        self.key(key)

        def writing():
            # The end of an earlier writing state may still be on its way.
            return [l for l in self.peer.received()[seen:]
                    if l.startswith(USER + ";WRITING;") and (l != USER + ";WRITING;" or l == answer)]
        try:
            found = wait_until("WRITING", lambda: self.alive() or writing(), timeout, 0.01)
        except StressFailure:
            raise
        except Failure:
            # How late the answer is, for the report.
            late = wait_until("WRITING", lambda: self.alive() or writing() or
                              time.monotonic() - started > timeout + BATCH_DEADLINE, BATCH_DEADLINE + 1, 0.05)
            self.fail("%s was answered %s, not within %.1f s" % (
                key, "after %.1f s" % (time.monotonic() - started) if late is not True else "not at all",
                timeout))
        took = time.monotonic() - started
        if found[0] != answer:
            self.fail("%s was answered with %r, not %r" % (key, found[0][:300], answer[:300]))
        return took

    def announce(self):
        """Game, session, the user and three others in Tavern, the first
        scene and so the active one."""
        self.peer.wait_line(";NAME;" + USER)
        self.send(line("*", "GAME", GAME), line("*", "SESSION", SESSION))
        for who, npc in ((USER, "0"), ("Alice", "0"), ("Bob", "0"), ("Mira", "1")):
            self.send(line("*", "ADDCHAR", who, npc), line(who, "ONLINE", "1"))
        self.send(line("*", "ADDSCENE", SCENE, "0"), line("*", "ADDSCENE", "Cellar", "1"))
        for who in [USER] + SPEAKERS:
            self.send(line(who, "ENTER", SCENE))
        self.sync(WAIT)
        self.key_probe()

    def chat(self, rng, scene, texts, speakers=SPEAKERS):
        """TEXT and OOC lines into the scene, each from one of the speakers."""
        speakers = [s if isinstance(s, bytes) else s.encode() for s in speakers]
        return [b"%s;%s;%s|%s\n" % (rng.choice(speakers), rng.choice([b"TEXT", b"OOC"]), scene, text)
                for text in texts]


def run_batch(stress, rng, kind):
    texts = generate(rng, kind, LINES_PER_KIND)
    started = time.monotonic()
    stress.send(*stress.chat(rng, SCENE.encode(), texts))
    # A key press while the client takes the lines in: a line that blocks
    # the window for long delays the answer.
    during = stress.key_probe(BATCH_DEADLINE)
    stress.sync(BATCH_DEADLINE)
    handled = time.monotonic() - started
    key = stress.key_probe()
    print("%-14s %3d lines, %7d bytes: handled in %.2f s; key answered in %.2f s during, %.2f s after"
          % (kind, len(texts), sum(len(t) for t in texts), handled, during, key))


def run_long_character(stress, rng):
    """A character with a name of a few thousand bytes is announced, comes
    online, enters the active scene, types and speaks."""
    name = long_name(rng, b"Long ", [long_word_piece, tabs_piece, markup_piece, combining_piece, emoji_piece])
    stress.long_character = name
    stress.send(line("*", "ADDCHAR", name, "0"), line(name, "ONLINE", "1"), line(name, "ENTER", SCENE),
                line(name, "WRITING", SCENE), line(name, "AFK", "\t" * 2000))
    stress.send(*stress.chat(rng, SCENE.encode(), [b"$me$ waves", b'$me$: "*Hi*"', b"plain", b"$me$ " * 50],
                             [name]))
    handled = stress.sync()
    key = stress.key_probe()
    print("character name of %d bytes: handled in %.2f s, key answered in %.2f s" % (len(name), handled, key))


def ask_biography(stress, command, name, biography):
    """Types the command, answers the GETBIOGRAPHY it sends with the
    biography, and returns the window that shows it."""
    seen = len(stress.peer.received())
    known = stress.client.windows()
    stress.type(command)
    stress.key("Return")
    stress.wait("GETBIOGRAPHY for %s" % name,
                lambda: any(l.endswith(";GETBIOGRAPHY;" + name) for l in stress.peer.received()[seen:]))
    stress.send(line(name, "BIOGRAPHY", biography))
    window = stress.wait("a window for the biography",
                         lambda: [w for w in stress.client.windows() if w not in known])[0]
    # Time for the text to be laid out and drawn. A message box is modal:
    # the client reads nothing more until it is closed, so no marker line
    # can tell when it is done.
    time.sleep(0.5)
    return window


def close_window(stress, window, key):
    stress.alive()
    stress.key(key, window=window, closes=True)
    stress.wait("the window to close", lambda: window not in stress.client.windows())


def run_biography(stress, rng):
    """A biography of 1,500 tabs, then tabs, long words, line feeds and
    markup: "/info Alice" shows Alice's in a message box (answered with
    Enter), "/myinfo" the user's own in the biography dialog (closed with
    Escape)."""
    biography = b"\t" * 1500 + fill(rng, 16 * 1024, lambda r: r.choice([tabs_piece, long_word_piece,
                                                                         line_feed_piece, markup_piece])(r))
    stress.case = "biography in a box"
    box = ask_biography(stress, "/info Alice", "Alice", biography)
    close_window(stress, box, "Return")
    box_key = stress.key_probe()
    stress.case = "biography in the dialog"
    dialog = ask_biography(stress, "/myinfo", USER, biography)
    stress.sync()
    close_window(stress, dialog, "Escape")
    dialog_key = stress.key_probe()
    print("biography of %d bytes: in the box, key answered in %.2f s; in the dialog, key answered in %.2f s"
          % (len(biography), box_key, dialog_key))


def run_long_scene(stress, rng):
    """A scene with a name of a few thousand bytes is announced; Alt+digit
    walks the scene list until the key probe shows it active. Lines and the
    long-named character (when that case ran) go into it."""
    name = long_name(rng, b"Scene ", [long_word_piece, tabs_piece, markup_piece, combining_piece, emoji_piece,
                                       zero_width_piece])
    shown = name.decode()
    stress.send(line("*", "ADDSCENE", name, "0"), line("*", "SCENEGROUP", name, b"Group " + name[:2000]))
    for who in [USER] + SPEAKERS:
        stress.send(line(who, "ENTER", name))
    if getattr(stress, "long_character", None):
        stress.send(line(stress.long_character, "ENTER", name))
    stress.sync()
    # Tavern, Cellar and the new scene: the list's order is the client's.
    for digit in (1, 2, 3):
        stress.key("alt+%d" % digit)
        try:
            # Showing Tavern again lays out everything the batches sent to
            # it: the switch itself is not held to the key deadline.
            switched = stress.press("x", "%s;WRITING;%s" % (USER, shown), BATCH_DEADLINE)
            break
        except StressFailure as e:
            if "answered with" not in str(e):
                raise
        finally:
            # Enter on what was typed ends the writing state again.
            stress.key("Return")
    else:
        stress.fail("Alt+1 to Alt+3 never made the long scene active")
    stress.scene = shown
    texts = [b"plain", b"$me$ waves", b"*bold* _under_ %italic%"]
    stress.send(*stress.chat(rng, name, texts))
    handled = stress.sync()
    key = stress.key_probe()
    print("scene name of %d bytes: active after Alt+%d in %.2f s, handled in %.2f s, key answered in %.2f s"
          % (len(name), digit, switched, handled, key))


CASES = ["tabs", "long words", "markup", "combining", "rtl", "emoji", "zero width", "invalid utf-8", "mixed",
         "long character", "biography", "long scene"]


def chosen_cases():
    wanted = os.environ.get("PARLANE_STRESS_CASES")
    if not wanted:
        return CASES
    names = [w.strip() for w in wanted.split(",") if w.strip()]
    unknown = [n for n in names if n not in CASES]
    check(not unknown, "unknown cases %s; the cases: %s" % (unknown, ", ".join(CASES)))
    return [c for c in CASES if c in names]


def body(session):
    seed = int(os.environ.get("PARLANE_STRESS_SEED") or time.time_ns() % 10 ** 9)
    print("seed %d (PARLANE_STRESS_SEED=%d repeats this run)" % (seed, seed))
    rng = random.Random(seed)
    server = session.add(ScriptedServer())
    client = session.client("gm")
    client.connect(server.address, USER)
    stress = Stress(client, server.accept(), seed)
    stress.announce()

    for case in chosen_cases():
        stress.case = case
        if case in KINDS:
            run_batch(stress, rng, case)
        elif case == "long character":
            run_long_character(stress, rng)
        elif case == "biography":
            run_biography(stress, rng)
        else:
            run_long_scene(stress, rng)

    stress.case = "end"
    path = os.path.join(session.shots, "stress.png")
    if client.screenshot(path):
        print("screenshot: %s" % path)
    stress.alive()
    stress.key_probe()
    try:
        # No toolkit warning (text the toolkit refused) and no sanitizer report.
        client.check_output()
    except Failure as e:
        stress.fail(str(e))
    check(client.windows() == [client.window], "seed %d: windows left open: %s" % (seed, client.windows()))
    status = client.quit()
    check(status == 0, "seed %d: parlane exited with %d:\n%s" % (seed, status, client.output()[-3000:]))


if __name__ == "__main__":
    sys.exit(Session(sys.argv).run(body))
