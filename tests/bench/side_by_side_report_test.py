#!/usr/bin/env python3
"""side_by_side_report.py on small inputs whose figures are worked out by hand."""

import os
import sys
import unittest

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "bench"))
import side_by_side_report as report  # noqa: E402


class Pacing(unittest.TestCase):
    def test_percentiles_and_share_within_the_walk(self):
        start = 987_654_321_000_000
        ms = [16.0] * 9 + [16.667] * 6 + [33.333] * 2 + [15.0, 17.001, 40.0]
        stamps = [start - 100_000_000, start]
        for interval in ms:
            stamps.append(stamps[-1] + round(interval * 1e6))
        stamps.append(stamps[-1] + 100_000_000)
        # Sorted: 15, 16 x9, 16.667 x6, 17.001, 33.333 x2, 40; 16 of 20 within 15..17.
        intervals = report.intervals_within(stamps, start, stamps[-2])
        self.assertEqual(report.pacing(intervals), "16.67 15.00 33.33 40.00 80.0 20")
        self.assertEqual(report.pacing(intervals[:9]), "n/a n/a n/a n/a n/a 0")


RESULTS = """\
1 native 300 102400 40960 120.0 16.67 16.00 33.33 33.50 97.5 600
1 wine 1750 307200 204800 180.0 n/a n/a n/a n/a n/a 0
1 irrlicht 500 125000 51200 150.0 16.00 15.00 20.00 21.00 87.0 620
1 floor 280 98304 39936 130.0 16.00 15.50 17.00 20.00 96.0 620
2 native 320 112640 41984 130.0 16.67 16.00 33.33 34.00 96.0 590
2 floor 300 100352 40960 134.0 16.00 15.60 17.50 21.00 97.0 622
3 native 310 107520 43008 125.0 16.67 15.98 33.34 35.00 98.0 610""".splitlines()


class Tables(unittest.TestCase):
    def test_medians_of_odd_and_even_rounds_and_ratios(self):
        table = report.medians_table(3, 10, RESULTS)
        self.assertEqual(table[0], "Medians of 3 rounds; steady walk 10 s; 800x600, 60 Hz (a frame every 16 ms).\n")
        for row in ("| launch to first frame (ms) | 310 | 1750 | 500 | 290 | 1.07 | 0.62 | 3.50 | 0.58 |",
                    "| peak resident, VmHWM (MB) | 105.0 | 300.0 | 122.1 | 97.0 | 1.08 | 0.86 | 2.46 | 0.79 |",
                    "| CPU during the walk (% of one core) | 125.0 | 180.0 | 150.0 | 132.0 | 0.95 | 0.83 | 1.20 | 0.88 |",
                    "| frame interval, median (ms) | 16.67 | n/a | 16.00 | 16.00 | 1.04 | 1.04 | n/a | 1.00 |",
                    "| frames stamped in the walk | 600 | 0 | 620 | 621 | 0.97 | 0.97 | 0.00 | 1.00 |"):
            self.assertIn(row, table)
        self.assertEqual(table[-7:], ["  " + line for line in RESULTS])

    def test_owners_of_all_three_in_first_seen_order(self):
        table = report.owners_table(3, [["main-heap 12288 main heap", "stacks 1024 thread stacks", "total 13312 total"],
                                        ["main-heap 10240 main heap", "total 10240 total"],
                                        ["main-heap 10752 main heap", "lib-llvm 8192 libLLVM", "total 18944 total"]])
        self.assertEqual(table[4:], ["| main heap | 12.0 | 10.0 | 10.5 | +2.0 |", "| thread stacks | 1.0 | 0.0 | 0.0 | +1.0 |",
                                     "| total | 13.0 | 10.0 | 18.5 | +3.0 |", "| libLLVM | 0.0 | 0.0 | 8.0 | +0.0 |"])


if __name__ == "__main__":
    unittest.main()
