#!/usr/bin/env python3
"""input_latency_report.py on small inputs whose figures are worked out by hand."""

import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "bench"))
import input_latency_report as report  # noqa: E402

BASE = 5_000_000_000_000
MS = 1_000_000


def at(*ms):
    return [BASE + round(m * MS) for m in ms]


class Figures(unittest.TestCase):
    def test_summary_and_misses(self):
        self.assertEqual(report.summary([float(v) for v in range(10, 0, -1)]), (5.5, 9.0, 10.0, 10.0, 10))
        self.assertEqual(report.summary([]), None)
        self.assertEqual(report.latencies([(BASE, BASE + 25 * MS), (BASE, -1)]), ([25.0], 1))

    def test_ratios_to_the_floor_for_the_same_input(self):
        table = report.latency_table({("native", "key"): ([30.0, 50.0, 40.0], 1), ("floor", "key"): ([20.0, 30.0, 25.0], 0),
                                      ("floor", "motion"): ([10.0], 0)})
        self.assertEqual(table[2:], ["| ours, native | W | 40.0 | 50.0 | 50.0 | 50.0 | 3 | 1 | 1.60 | 1.67 |",
                                     "| floor | W | 25.0 | 30.0 | 30.0 | 30.0 | 3 | 0 |  |  |",
                                     "| floor | mouse | 10.0 | 10.0 | 10.0 | 10.0 | 1 | 0 |  |  |"])


class Stages(unittest.TestCase):
    STAMPS = {"key": at(-3, 2, 25), "frame": at(5, 22, 39), "present": at(6, 23, 40), "finished": at(15, 31, 49),
              "retrace": at(20, 36, 53), "swapped": at(20.5, 36.5, 53.5)}

    def test_each_stage_from_the_input_to_the_change(self):
        for given, change, stages in ((0, 21, [2, 3, 1, 9, 5, 0.5, 0.5]), (24, 55, [1, 14, 1, 9, 4, 0.5, 1.5])):
            found, later = report.stages_of(at(given)[0], at(change)[0], "key", self.STAMPS)
            self.assertEqual([round(s, 3) for s in found], stages)
            self.assertFalse(later)
        self.assertEqual(report.stages_of(at(26)[0], at(60)[0], "key", self.STAMPS), (None, False))

    def test_a_change_after_a_later_swap_and_a_device_waiting_in_the_swap(self):
        stamps = {"motion": at(1), "frame": at(4), "present": at(5), "swapped": at(21, 38)}
        stages, later = report.stages_of(at(0)[0], at(40)[0], "motion", stamps)
        self.assertEqual([round(s, 3) for s in stages], [1, 3, 1, 0, 0, 16, 19])
        self.assertTrue(later)
        # A change seen before the program took the input is not its road.
        self.assertEqual(report.stages_of(at(0)[0], at(0.5)[0], "motion", stamps), (None, False))


class Replay(unittest.TestCase):
    def test_a_frame_started_too_late_shows_a_period_later(self):
        # 5 ms frames, a 10 ms period: started 6 ms ahead they make their
        # retrace, an input waiting up to a period for the next start; 4 ms
        # ahead every one misses, shows a period later, and the next starts
        # 4 ms before the retrace after that: a frame every other period.
        for lead, low, high, missed in ((6.0, 6.0, 16.0, 0), (4.0, 14.0, 34.0, 20)):
            values, misses = report.replay([5.0] * 20, 10.0, 0.0, lambda draws, k, lead=lead: lead)
            self.assertEqual(misses, missed)
            self.assertGreaterEqual(min(values), low)
            self.assertLessEqual(max(values), high + 1e-9)
            self.assertAlmostEqual(report.median(values), (low + high) / 2, delta=0.2)
        # Started once the swap at the retrace before is done, as the floor
        # is: half a period's wait and a whole period, the swap inside it.
        values, misses = report.replay([5.0] * 20, 10.0, 0.5, lambda draws, k: float("inf"))
        self.assertEqual(misses, 0)
        self.assertAlmostEqual(report.median(values), 5.0 + 10.0, delta=0.3)


class Report(unittest.TestCase):
    def test_files_by_round_and_the_reference_join(self):
        with tempfile.TemporaryDirectory() as run:
            files = {"reference-key-1.txt": "%d %d\n%d -1\n" % (at(0)[0], at(10.5)[0], at(100)[0]),
                     "reference-1.txt": "ready\n%d %d\n" % (at(0.2)[0], at(10.2)[0]),
                     "latency-floor-key-1.txt": "%d %d\n" % (at(0)[0], at(20)[0]),
                     "latency-floor-key-2.txt": "%d %d\n" % (at(0)[0], at(30)[0]),
                     "latency-floor-key-10.txt": "%d %d\n" % (at(0)[0], at(40)[0])}
            for name, text in files.items():
                with open(os.path.join(run, name), "w") as out:
                    out.write(text)
            lines = report.report(run, 10)
        self.assertIn("| W | 10.0 | 10.50 | 10.50 | 10.50 | 1 | 1 | 0.20 | 10.00 | 0.30 |", lines)
        self.assertIn("| floor | W | 30.0 | 40.0 | 40.0 | 40.0 | 3 | 0 |  |  |", lines)
        self.assertIn("  floor, W: 20.0 30.0 40.0", lines)
        self.assertIn("Input to the first frame on the screen that shows it (ms), 3 rounds:", lines)


if __name__ == "__main__":
    unittest.main()
