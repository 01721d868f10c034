#!/usr/bin/env python3
"""Checks of bench/report's reading of Google Benchmark output and of its
pass rules, on canned JSON: python3 bench/report_test.py"""

import importlib.machinery
import importlib.util
import json
import os
import unittest

import report_figures as rf

HERE = os.path.dirname(os.path.abspath(__file__))


def load_report():
    loader = importlib.machinery.SourceFileLoader("report", os.path.join(HERE, "report"))
    spec = importlib.util.spec_from_loader("report", loader)
    module = importlib.util.module_from_spec(spec)
    loader.exec_module(module)
    return module


def run(run_name, **fields):
    entry = {"name": run_name, "run_name": run_name, "run_type": "iteration", "time_unit": "ns"}
    entry.update(fields)
    return entry


def document(*runs):
    return {"context": {"num_cpus": 2}, "benchmarks": list(runs)}


class CaseName(unittest.TestCase):
    def test_run_options_are_dropped(self):
        cases = [
            ("BM_Format_Bracket", "BM_Format_Bracket"),
            ("Append/100/0/iterations:1000/manual_time", "Append/100/0"),
            ("Append/100000/1/iterations:1000/manual_time", "Append/100000/1"),
            ("BM_FanOut/iterations:1/manual_time", "BM_FanOut"),
            ("BM_Connection_Receive/real_time", "BM_Connection_Receive"),
            ("TextLines/iterations:3/manual_time", "TextLines"),
            ("X/min_time:0.500/repeats:3/threads:2", "X"),
            # Names that merely start like an option word stay.
            ("iterator_walk/8", "iterator_walk/8"),
        ]
        for given, expected in cases:
            with self.subTest(given=given):
                self.assertEqual(rf.case_name(given), expected)


class LoadJson(unittest.TestCase):
    def setUp(self):
        self.whole = json.dumps(document(run("A", cpu_time=1.0), run("B", cpu_time=2.0)), indent=2)

    def test_complete_document(self):
        self.assertEqual(len(rf.load_json(self.whole)["benchmarks"]), 2)

    def test_program_died_after_a_run(self):
        # What the JSON reporter has written when the program stops after
        # its first run: the open list, the run, no closing brackets.
        text = ('{\n  "context": {},\n  "benchmarks": [\n    {\n      "name": "A",\n'
                '      "run_name": "A",\n      "cpu_time": 1.0\n    }')
        loaded = rf.load_json(text)
        self.assertEqual([r["name"] for r in loaded["benchmarks"]], ["A"])

    def test_program_died_in_the_middle_of_a_run(self):
        text = ('{\n  "context": {},\n  "benchmarks": [\n    {\n      "name": "A",\n'
                '      "run_name": "A",\n      "cpu_time": 1.0\n    },\n    {\n      "name": "B",\n      "run_')
        loaded = rf.load_json(text)
        self.assertEqual([r["name"] for r in loaded["benchmarks"]], ["A"])

    def test_program_died_before_any_run(self):
        text = '{\n  "context": {},\n  "benchmarks": [\n'
        self.assertEqual(rf.load_json(text)["benchmarks"], [])

    def test_garbage(self):
        self.assertIsNone(rf.load_json("Segmentation fault"))
        self.assertIsNone(rf.load_json(""))


class ResultsTest(unittest.TestCase):
    def test_median_aggregate_stands_for_repetitions(self):
        runs = [run("A", cpu_time=float(t), repetition_index=i) for i, t in enumerate((9, 1, 5))]
        for name, value in (("mean", 5.0), ("median", 5.0), ("stddev", 4.0)):
            runs.append(run("A", run_type="aggregate", aggregate_name=name, cpu_time=value))
        runs[-2]["cpu_time"] = 4.5  # the median, distinct from the mean
        results = rf.Results(document(*runs))
        self.assertEqual(results.get("A", "cpu_time"), 4.5)

    def test_first_run_without_aggregates(self):
        results = rf.Results(document(run("A", cpu_time=3.0), run("A", cpu_time=7.0)))
        self.assertEqual(results.get("A", "cpu_time"), 3.0)

    def test_error_message_reported(self):
        results = rf.Results(document(run("BM_FanOut/iterations:1/manual_time", error_occurred=True,
                                          error_message="login failed", real_time=0.0)))
        with self.assertRaisesRegex(rf.Unavailable, "failed: login failed"):
            results.get("BM_FanOut", "p99_ms")

    def test_cases_after_a_cut_short_run_say_why(self):
        results = rf.Results(document(run("A", cpu_time=1.0)), "timed out")
        self.assertEqual(results.get("A", "cpu_time"), 1.0)
        with self.assertRaisesRegex(rf.Unavailable, "^timed out$"):
            results.get("B", "cpu_time")

    def test_missing_case_and_missing_counter(self):
        results = rf.Results(document(run("A", cpu_time=1.0)))
        with self.assertRaisesRegex(rf.Unavailable, "no result for B"):
            results.get("B", "cpu_time")
        with self.assertRaisesRegex(rf.Unavailable, "A has no p99_ms"):
            results.get("A", "p99_ms")

    def test_time_in_milliseconds_from_any_unit(self):
        cases = [("ns", 2e6), ("us", 2e3), ("ms", 2.0), ("s", 2e-3)]
        for unit, value in cases:
            with self.subTest(unit=unit):
                results = rf.Results(document(run("A", real_time=value, time_unit=unit)))
                self.assertAlmostEqual(results.time("A"), 2.0)

    def test_rate_by_either_clock(self):
        # 10 items per iteration; the benchmark counted by the clock its
        # run name gives.
        cases = [
            ("BM_Connection_Receive/real_time", 1000.0, 10.0, 4.0),
            ("BM_Packet_ParseFromMemory", 2500.0, 10.0, 4.0),
            ("Lines/iterations:3/manual_time", 1000.0, 10.0, 4.0),
        ]
        for run_name, items_per_second, real_ms, cpu_ms in cases:
            with self.subTest(run_name=run_name):
                results = rf.Results(document(run(run_name, items_per_second=items_per_second, real_time=real_ms,
                                                  cpu_time=cpu_ms, time_unit="ms")))
                case = rf.case_name(run_name)
                self.assertAlmostEqual(results.rate(case, "real_time"), 1000.0)
                self.assertAlmostEqual(results.rate(case, "cpu_time"), 2500.0)

    def test_no_document(self):
        with self.assertRaises(rf.Unavailable):
            rf.Results(None).get("A", "cpu_time")


def evaluated(kind, target, value, peer=None):
    figure = rf.Figure("f", "s", "ms", lambda r: value, kind, target, (lambda r: peer) if peer is not None else None)
    return rf.evaluate(figure, rf.Results(document()))


class Evaluate(unittest.TestCase):
    def test_pass_rules_at_and_around_the_target(self):
        cases = [
            # kind, target, value, peer, passed
            ("ratio<=", 4, 399, 100, True),
            ("ratio<=", 4, 400, 100, True),
            ("ratio<=", 4, 401, 100, False),
            ("ratio>=", 0.5, 50, 100, True),
            ("ratio>=", 0.5, 49, 100, False),
            ("<", 10, 9.99, None, True),
            ("<", 10, 10, None, False),
            ("<=", 10, 10, None, True),
            (">=", 5, 5, None, True),
            (">=", 5, 4.99, None, False),
            ("==", 99000, 99000, None, True),
            ("==", 99000, 98999, None, False),
        ]
        for kind, target, value, peer, passed in cases:
            with self.subTest(kind=kind, target=target, value=value, peer=peer):
                row = evaluated(kind, target, value, peer)
                self.assertIs(row.passed, passed)
                self.assertEqual(row.status, "pass" if passed else "FAIL")

    def test_ratio_against_peer_or_target(self):
        self.assertAlmostEqual(evaluated("ratio<=", 4, 300, 100).ratio, 3.0)
        self.assertAlmostEqual(evaluated(">=", 5, 10, None).ratio, 2.0)
        self.assertIsNone(evaluated("info", None, 10, None).ratio)

    def test_zero_peer_fails_a_maximum_ratio(self):
        self.assertFalse(evaluated("ratio<=", 1.5, 10, 0).passed)

    def test_info_rows_neither_pass_nor_fail(self):
        row = evaluated("info", None, 3, 1)
        self.assertIsNone(row.passed)
        self.assertEqual(row.status, "info")
        self.assertAlmostEqual(row.ratio, 3.0)

    def test_no_results_gives_the_reason(self):
        figure = rf.FIGURES[0]
        for reason in ("missing", "build failed", "timed out"):
            with self.subTest(reason=reason):
                row = rf.evaluate(figure, reason)
                self.assertIsNone(row.passed)
                self.assertEqual(rf.cells(row), [figure.name, "-", "<= 4x peer", "-", "-", reason])

    def test_failed_run_fills_the_result_column(self):
        figure = [f for f in rf.FIGURES if f.name == "server fan-out latency p99"][0]
        results = rf.Results(document(run("BM_FanOut/iterations:1/manual_time", error_occurred=True,
                                          error_message="no line arrived")))
        self.assertEqual(rf.cells(rf.evaluate(figure, results))[-1], "failed: no line arrived")


class Figures(unittest.TestCase):
    def test_every_figure_comes_from_a_known_program(self):
        stems = {p.stem for p in load_report().PROGRAMS}
        for figure in rf.FIGURES:
            with self.subTest(figure=figure.name):
                self.assertIn(figure.stem, stems)
                if figure.checked():
                    self.assertIsNotNone(figure.target)

    def test_figures_read_real_output(self):
        # Output shaped as the programs write it (Google Benchmark 1.7).
        fanout = rf.Results(document(
            run("BM_FanOut/iterations:1/manual_time", real_time=10.2, time_unit="s", deliveries=99000.0,
                p50_ms=0.4, p99_ms=2.5, max_ms=12.0, server_cpu_pct=7.5),
            run("BM_Idle/iterations:1/manual_time", real_time=10.0, time_unit="s", clients=500.0,
                server_cpu_pct=0.02, kb_per_client=21.0, server_rss_kb=14000.0)))
        logview = rf.Results(document(
            run("Activation/iterations:10/manual_time", real_time=900.0, time_unit="ms", view_ms=900.0,
                floor_ms=700.0, ratio=1.29),
            run("Append/100/0/iterations:1000/manual_time", real_time=200.0, time_unit="us"),
            run("Append/100000/0/iterations:1000/manual_time", real_time=300.0, time_unit="us"),
            run("Append/100/1/iterations:1000/manual_time", real_time=2000.0, time_unit="us"),
            run("Append/100000/1/iterations:1000/manual_time", real_time=5000.0, time_unit="us")))
        rows = {f.name: rf.evaluate(f, {"server_fanout": fanout, "logview": logview}[f.stem])
                for f in rf.FIGURES if f.stem in ("server_fanout", "logview")}
        self.assertTrue(rows["server fan-out, deliveries"].passed)
        self.assertTrue(rows["server fan-out latency p99"].passed)
        self.assertEqual(rows["server fan-out latency p50"].status, "info")
        self.assertTrue(rows["server, 500 idle clients: memory"].passed)
        self.assertAlmostEqual(rows["log view, 10,000-line scene shown"].ratio, 900 / 700)
        self.assertAlmostEqual(rows["log view append at 100,000 lines"].value, 300.0)
        self.assertAlmostEqual(rows["log view append at 100,000 lines"].ratio, 1.5)
        self.assertFalse(rows["log view append at 100,000, on screen"].passed)


class Table(unittest.TestCase):
    def rows(self):
        return [evaluated("ratio<=", 4, 339.4, 103.2), rf.evaluate(rf.FIGURES[1], "missing")]

    def test_plain_columns_line_up(self):
        lines = rf.table(self.rows()).splitlines()
        self.assertEqual(lines[0].split(), ["Figure", "Value", "Target", "Floor", "or", "peer", "Ratio", "Result"])
        start = lines[0].index("Result")
        self.assertEqual(lines[2][start:], "pass")
        self.assertEqual(lines[3][start:], "missing")

    def test_markdown_escapes_bars(self):
        figure = rf.Figure("a|b", "s", "ms", lambda r: 1.0)
        text = rf.table([rf.evaluate(figure, rf.Results(document()))], markdown=True)
        self.assertIn("| a\\|b | 1.00 ms |", text)
        self.assertEqual(text.splitlines()[1], "|---|---|---|---|---|---|")

    def test_numbers(self):
        cases = [(99000, "99,000"), (339.4, "339"), (46.84, "46.8"), (2.537, "2.54"), (0.0213, "0.0213"),
                 (None, "-")]
        for value, text in cases:
            with self.subTest(value=value):
                self.assertEqual(rf.number(value), text)


if __name__ == "__main__":
    unittest.main()
