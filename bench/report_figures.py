"""The figures bench/report prints: which benchmark each one comes from, how
its value is read from Google Benchmark's JSON output, and the target it is
held to.

Kept apart from the runner so that the extraction and the pass rules can be
checked against canned JSON without building or running anything.
"""

import json
import math
import re

MS = "ms"

# Parts of a run name that describe how it ran rather than what it measured:
# "Append/100/0/iterations:1000/manual_time" is the case "Append/100/0".
_RUN_OPTION = re.compile(r"^(iterations|repeats|min_time|threads|manual_time|real_time|process_time)\b")


def case_name(run_name):
    """The benchmark case a run name belongs to, without its run options."""
    parts = [p for p in run_name.split("/") if not _RUN_OPTION.match(p)]
    return "/".join(parts)


def load_json(text):
    """Google Benchmark's JSON output, also when the program died before it
    could close the document: runs written so far still count."""
    for tail in ("", "\n  ]\n}\n", "\n}\n  ]\n}\n"):
        try:
            return json.loads(text + tail)
        except ValueError:
            pass
    # A run cut off half-way: keep every complete run before it.
    cut = text.rfind("\n    },")
    if cut >= 0:
        try:
            return json.loads(text[: cut + 6] + "\n  ]\n}\n")
        except ValueError:
            pass
    return None


class Results:
    """The runs of one benchmark program, by case name.

    When a case ran several times, its median aggregate stands for it; a
    case that reported an error keeps only the error."""

    def __init__(self, document, cut_short=None):
        # Why a case may have no result although others have: the program
        # "timed out" or "crashed" before it got there.
        self.cut_short = cut_short
        self.cases = {}
        self.errors = {}
        for run in (document or {}).get("benchmarks", []):
            name = case_name(run.get("run_name", run.get("name", "")))
            if run.get("error_occurred"):
                self.errors[name] = run.get("error_message", "error")
                continue
            if run.get("run_type") == "aggregate":
                if run.get("aggregate_name") == "median":
                    self.cases[name] = run
            elif name not in self.cases:
                self.cases[name] = run

    def get(self, case, field):
        """A field of a case; raises Unavailable when it cannot be had."""
        if case in self.errors:
            raise Unavailable("failed: " + self.errors[case])
        run = self.cases.get(case)
        if run is None:
            raise Unavailable(self.cut_short or "failed: no result for " + case)
        if field not in run:
            raise Unavailable("failed: %s has no %s" % (case, field))
        return float(run[field])

    def rate(self, case, clock):
        """Items per second of a case by the "real_time" or the "cpu_time"
        clock, whichever clock the benchmark itself counted by."""
        items = self.get(case, "items_per_second")
        run_name = self.cases[case].get("run_name", "")
        counted_by = "real_time" if ("/real_time" in run_name or "/manual_time" in run_name) else "cpu_time"
        per_iteration = items * self.time(case, counted_by) / 1e3
        return per_iteration / (self.time(case, clock) / 1e3)

    def time(self, case, field="real_time"):
        """A case's time per iteration in milliseconds."""
        scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
        value = self.get(case, field)
        unit = self.cases[case].get("time_unit", "ns")
        return value * scale[unit]


class Unavailable(Exception):
    """A figure that has no value: its benchmark is missing or failed."""


class Figure:
    """One row of the table.

    `value` and `peer` read the results (peer may be None). `kind` says how
    the target applies:
      "ratio<=", "ratio>="  value / peer against `target`
      "<", "<=", ">=", "==" value against `target` (ratio: value / target)
      "info"                reported only, no target
    """

    def __init__(self, name, stem, unit, value, kind="info", target=None, peer=None, peer_label="",
                 percent=None):
        self.name = name
        self.stem = stem
        self.unit = unit
        self.value = value
        self.kind = kind
        self.target = target
        self.peer = peer
        self.peer_label = peer_label
        # Whether the ratio reads better as a share of the peer.
        self.percent = kind == "ratio>=" if percent is None else percent

    def checked(self):
        return self.kind != "info"


class Row:
    """A figure evaluated: texts for the table and whether it passed
    (None: not checked, or no value)."""

    def __init__(self, figure, value=None, peer=None, ratio=None, passed=None, status=""):
        self.figure = figure
        self.value = value
        self.peer = peer
        self.ratio = ratio
        self.passed = passed
        self.status = status


def evaluate(figure, results):
    """The row for one figure. `results` is a Results, or a string saying
    why the program gave none ("missing", "build failed", ...)."""
    if isinstance(results, str):
        return Row(figure, status=results)
    try:
        value = figure.value(results)
        peer = figure.peer(results) if figure.peer else None
    except Unavailable as e:
        return Row(figure, status=str(e))
    ratio = None
    if peer is not None:
        ratio = value / peer if peer else float("inf")
    elif figure.target:
        ratio = value / figure.target
    kind, target = figure.kind, figure.target
    compared = ratio if kind.startswith("ratio") else value
    tests = {
        "ratio<=": lambda: compared <= target,
        "ratio>=": lambda: compared >= target,
        "<": lambda: compared < target,
        "<=": lambda: compared <= target,
        ">=": lambda: compared >= target,
        "==": lambda: compared == target,
    }
    passed = tests[kind]() if kind in tests else None
    status = "info" if passed is None else ("pass" if passed else "FAIL")
    return Row(figure, value, peer, ratio, passed, status)


def number(value):
    """A value with three significant digits, thousands grouped."""
    if value is None:
        return "-"
    magnitude = abs(value)
    if magnitude >= 100:
        return "{:,.0f}".format(value)
    if magnitude >= 10:
        return "{:.1f}".format(value)
    if magnitude >= 1:
        return "{:.2f}".format(value)
    return "{:.3g}".format(value)


def target_text(figure):
    if figure.kind == "info":
        return "-"
    symbol = {"ratio<=": "<=", "ratio>=": ">=", "<": "<", "<=": "<=", ">=": ">=", "==": "="}[figure.kind]
    if figure.kind.startswith("ratio"):
        if figure.target < 1 and figure.kind == "ratio>=":
            return "%s %g%% of peer" % (symbol, figure.target * 100)
        return "%s %gx peer" % (symbol, figure.target)
    return "%s %s %s" % (symbol, number(figure.target), figure.unit)


def cells(row):
    """The table cells of a row: figure, value, target, floor or peer,
    ratio, result."""
    f = row.figure
    if row.value is None:
        return [f.name, "-", target_text(f), "-", "-", row.status]
    value = "%s %s" % (number(row.value), f.unit)
    peer = "-"
    if row.peer is not None:
        peer = "%s %s" % (number(row.peer), f.unit)
        if f.peer_label:
            peer += " (%s)" % f.peer_label
    ratio = "-"
    if row.ratio is not None:
        # Cut, not rounded: 49.96% must not read as 50.0%.
        ratio = ("%.1f%%" % (math.floor(row.ratio * 1000) / 10)) if f.percent else ("%.2fx" % row.ratio)
    return [f.name, value, target_text(f), peer, ratio, row.status]


HEADERS = ["Figure", "Value", "Target", "Floor or peer", "Ratio", "Result"]


def table(rows, markdown=False):
    lines = [cells(r) for r in rows]
    if markdown:
        out = ["| " + " | ".join(HEADERS) + " |", "|" + "---|" * len(HEADERS)]
        out += ["| " + " | ".join(c.replace("|", "\\|") for c in line) + " |" for line in lines]
        return "\n".join(out)
    widths = [max(len(str(c)) for c in column) for column in zip(HEADERS, *lines)]
    def fmt(line):
        return "  ".join(str(c).ljust(w) for c, w in zip(line, widths)).rstrip()
    out = [fmt(HEADERS), "  ".join("-" * w for w in widths)]
    out += [fmt(line) for line in lines]
    return "\n".join(out)


# ---------------------------------------------------------------- the figures

def _cpu_ns(case):
    return lambda r: r.time(case, "cpu_time") * 1e6


def _rate(case, field="items_per_second", scale=1e-6):
    return lambda r: r.get(case, field) * scale


def _counter(case, name):
    return lambda r: r.get(case, name)


def _time_ms(case):
    return lambda r: r.time(case)


FANOUT_DELIVERIES = 99 * 1000

FIGURES = [
    # Kel::format against snprintf writing into a stack buffer; the second
    # peer also builds the std::string that Kel::format returns.
    Figure('format "[%s] %s"', "format", "ns", _cpu_ns("BM_Format_Bracket"),
           "ratio<=", 4, _cpu_ns("BM_Snprintf_Bracket"), "snprintf"),
    Figure('format "[%s] %s" vs snprintf+string', "format", "ns", _cpu_ns("BM_Format_Bracket"),
           peer=_cpu_ns("BM_Snprintf_Bracket_String"), peer_label="snprintf+string"),
    Figure('format "%d.%d.%d.%d:%d"', "format", "ns", _cpu_ns("BM_Format_Address"),
           "ratio<=", 4, _cpu_ns("BM_Snprintf_Address"), "snprintf"),
    Figure('format "%d.%d.%d.%d:%d" vs snprintf+string', "format", "ns", _cpu_ns("BM_Format_Address"),
           peer=_cpu_ns("BM_Snprintf_Address_String"), peer_label="snprintf+string"),
    Figure('format "#%02X%02X%02X"', "format", "ns", _cpu_ns("BM_Format_Colour"),
           peer=_cpu_ns("BM_Snprintf_Colour"), peer_label="snprintf"),
    Figure("split_fields, 60-byte line", "split", "M lines/s", _rate("BM_SplitFields_PacketLine"),
           ">=", 5),
    Figure("Packet parse + str, 60-byte TEXT", "packet", "M/s", _rate("BM_Packet_ParseAndStr"), ">=", 2),
    # What framing, buffering, queueing and signalling cost: the receiving
    # thread's processor time against parsing alone. The wall-clock figure
    # also holds the writer thread and, on a busy machine, the waits for a
    # processor.
    Figure("Connection vs Packet alone, CPU", "connection", "M lines/s",
           lambda r: r.rate("BM_Connection_Receive", "cpu_time") * 1e-6, "ratio>=", 0.5,
           lambda r: r.rate("BM_Packet_ParseFromMemory", "cpu_time") * 1e-6, "parse only"),
    Figure("Connection vs Packet alone, wall clock", "connection", "M lines/s",
           lambda r: r.rate("BM_Connection_Receive", "real_time") * 1e-6, peer=lambda r: r.rate(
               "BM_Packet_ParseFromMemory", "real_time") * 1e-6, peer_label="parse only", percent=True),
    Figure("Connection throughput, wall clock", "connection", "MB/s",
           _rate("BM_Connection_Receive", "bytes_per_second")),
    Figure("data file, text syntax", "datafile", "MB/s", _rate("BM_ParseText", "bytes_per_second"), ">=", 30),
    Figure("data file, binary syntax", "datafile", "MB/s", _rate("BM_ParseBinary", "bytes_per_second"),
           ">=", 100),
    Figure("restore 200 lines from a 50 MB log", "restore", MS, _time_ms("BM_Restore200_From50MB"), "<", 10),
    Figure("restore from a 50 MB log without line feeds", "restore", MS,
           _time_ms("BM_Restore_From50MBWithoutLineFeeds")),
    Figure("server fan-out, deliveries", "server_fanout", "lines", _counter("BM_FanOut", "deliveries"),
           "==", FANOUT_DELIVERIES),
    Figure("server fan-out latency p50", "server_fanout", MS, _counter("BM_FanOut", "p50_ms")),
    Figure("server fan-out latency p99", "server_fanout", MS, _counter("BM_FanOut", "p99_ms"), "<", 10),
    Figure("server fan-out latency max", "server_fanout", MS, _counter("BM_FanOut", "max_ms")),
    Figure("server fan-out CPU", "server_fanout", "% core", _counter("BM_FanOut", "server_cpu_pct")),
    Figure("server, 500 idle clients: CPU", "server_fanout", "% core", _counter("BM_Idle", "server_cpu_pct"),
           "<", 1),
    Figure("server, 500 idle clients: memory", "server_fanout", "KB/client",
           _counter("BM_Idle", "kb_per_client"), "<", 50),
    Figure("client, 10,000 TEXT lines", "client", MS, _time_ms("TextLines"),
           "ratio<=", 1.5, _counter("TextLines", "floor_ms"), "1 KiB per 1 ms turn"),
    # The lines that scrolled by during the flood are laid out after it.
    Figure("client, layout after the 10,000 lines", "client", MS, _counter("TextLines", "settle_ms")),
    Figure("client idle CPU, 30 s", "client", "% core", _counter("Idle", "cpu_percent"), "<", 2),
    Figure("log view, 10,000-line scene shown", "logview", MS, _counter("Activation", "view_ms"),
           "ratio<=", 1.5, _counter("Activation", "floor_ms"), "TextBuffer"),
    Figure("log view, leaving a 10,000-line scene", "logview", MS, _counter("Activation", "leave_ms")),
    Figure("log view append at 100,000 lines", "logview", "us", lambda r: r.time("Append/100000/0") * 1e3,
           "ratio<=", 2, lambda r: r.time("Append/100/0") * 1e3, "at 100"),
    Figure("log view append at 100,000, on screen", "logview", "us", lambda r: r.time("Append/100000/1") * 1e3,
           "ratio<=", 2, lambda r: r.time("Append/100/1") * 1e3, "at 100"),
]

# Lines dense with markup: shape number in bench/markup.cpp, what it is.
MARKUP_SHAPES = [(0, "_x_ pairs"), (1, "$a$ names"), (2, "quote-letter pairs"), (3, "mixed markup"),
                 (4, "plain words")]
for _shape, _what in MARKUP_SHAPES:
    FIGURES.append(Figure("markup reader, 64 KiB of %s" % _what, "markup", MS,
                          _time_ms("Reader/shape:%d/bytes:65536" % _shape)))
FIGURES.append(Figure("markup reader, 1 MiB of mixed markup", "markup", MS,
                      _time_ms("Reader/shape:3/bytes:1048576")))
# Layout: the slowest of three lines, from the backlog until the toolkit is
# idle. Delivery: from the link to the backlog, and the whole way.
for _shape, _what in MARKUP_SHAPES:
    FIGURES.append(Figure("log view, a 64 KiB line of %s laid out" % _what, "markup", MS,
                          _counter("View/shape:%d/bytes:65536" % _shape, "layout_ms"), "<", 50))
FIGURES.append(Figure("log view, a 1 MiB line of mixed markup laid out", "markup", MS,
                      _counter("View/shape:3/bytes:1048576", "layout_ms"), "<", 1000))
# What the toolkit alone takes for one paragraph of that length.
FIGURES.append(Figure("plain TextView, a 64 KiB paragraph of words", "markup", MS,
                      _time_ms("Floor/shape:4/bytes:65536")))
FIGURES.append(Figure("plain TextView, a 64 KiB paragraph of mixed text", "markup", MS,
                      _time_ms("Floor/shape:3/bytes:65536")))
FIGURES.append(Figure("client, a 64 KiB line read from the link", "markup", MS,
                      _counter("View/shape:4/bytes:65536", "read_ms")))
FIGURES.append(Figure("client, a 1 MiB line read from the link", "markup", MS,
                      _counter("View/shape:3/bytes:1048576", "read_ms")))
FIGURES.append(Figure("client, a 1 MiB line from the link to the screen", "markup", MS,
                      _time_ms("View/shape:3/bytes:1048576")))
