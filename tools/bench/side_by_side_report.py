#!/usr/bin/env python3
"""The figures and tables of side_by_side.sh, from the files it writes.

  side_by_side_report.py pacing STAMPS FROM TO
      "median p1 p99 max within-1-ms-% count" of the frame intervals (ms)
      between the swap stamps (ns, one a line) within [FROM, TO] ns;
      "n/a n/a n/a n/a n/a 0" for fewer than 10 intervals or no stamps.
  side_by_side_report.py medians ROUNDS SECONDS RESULTS
      the table of the medians over the rounds, then every round's line;
      RESULTS holds "ROUND NAME launch hwm anon cpu median p1 p99 max near
      count" lines.
  side_by_side_report.py owners SECONDS NATIVE FLOOR IRRLICHT
      the table of anonymous memory by owner from anon_breakdown's summaries
      ("KEY KB LABEL" lines), taken SECONDS after the first frame.
"""

import sys

FRAME_MS = 16
PROGRAMS = ("native", "wine", "irrlicht", "floor")

# Label, position in a result line after ROUND NAME, format, scale.
ROWS = (
    ("launch to first frame (ms)", 0, "%.0f", 1),
    ("peak resident, VmHWM (MB)", 1, "%.1f", 1 / 1024),
    ("anonymous resident, largest RssAnon (MB)", 2, "%.1f", 1 / 1024),
    ("CPU during the walk (% of one core)", 3, "%.1f", 1),
    ("frame interval, median (ms)", 4, "%.2f", 1),
    ("frame interval, p1 (ms)", 5, "%.2f", 1),
    ("frame interval, p99 (ms)", 6, "%.2f", 1),
    ("frame interval, max (ms)", 7, "%.2f", 1),
    ("intervals within 1 ms of 16 ms (%)", 8, "%.1f", 1),
    ("frames stamped in the walk", 9, "%.0f", 1),
)


def intervals_within(stamps, first, last):
    """The intervals in ms, to the microsecond, between the stamps in [first, last]."""
    within = [stamp for stamp in stamps if first <= stamp <= last]
    return sorted(float("%.3f" % ((b - a) / 1e6)) for a, b in zip(within, within[1:]))


def pacing(intervals):
    n = len(intervals)
    if n < 10:
        return "n/a n/a n/a n/a n/a 0"
    near = sum(1 for d in intervals if FRAME_MS - 1 <= d <= FRAME_MS + 1)
    return "%.2f %.2f %.2f %.2f %.1f %d" % (
        intervals[n // 2], intervals[int(n * 0.01)], intervals[int(n * 0.99) - 1], intervals[-1], 100 * near / n, n)


def read_stamps(path):
    try:
        with open(path) as stamps:
            return [int(line.split()[0]) for line in stamps if line.strip()]
    except FileNotFoundError:
        return []


def median(values):
    """The median, or None when there is none or a value is n/a."""
    if not values or "n/a" in values:
        return None
    v = sorted(float(value) for value in values)
    n = len(v)
    return v[n // 2] if n % 2 else (v[n // 2 - 1] + v[n // 2]) / 2


def ratio(a, b):
    return "n/a" if a is None or b is None or b == 0 else "%.2f" % (a / b)


def medians_table(rounds, seconds, lines):
    figures = {name: [] for name in PROGRAMS}
    for line in lines:
        fields = line.split()
        figures.setdefault(fields[1], []).append(fields[2:])
    out = ["Medians of %d rounds; steady walk %d s; 800x600, 60 Hz (a frame every 16 ms).\n" % (rounds, seconds),
           "| figure | ours, native | ours, Windows build under Wine | Irrlicht 1.8 | floor | native / floor"
           " | native / Irrlicht | Wine / Irrlicht | floor / Irrlicht |",
           "|---|---|---|---|---|---|---|---|---|"]
    for label, column, form, scale in ROWS:
        n, w, i, f = (median([round_[column] for round_ in figures[name]]) for name in PROGRAMS)
        shown = ["n/a" if v is None else form % (v * scale) for v in (n, w, i, f)]
        ratios = [ratio(n, f), ratio(n, i), ratio(w, i), ratio(f, i)]
        out.append("| %s | %s |" % (label, " | ".join(shown + ratios)))
    out += ["", "Every round: launch ms, VmHWM kB, RssAnon kB, CPU %, intervals median p1 p99 max ms,"
            " within 1 ms %, intervals"]
    out += ["  " + line for line in lines]
    return out


def owners_table(seconds, summaries):
    """summaries: the native, floor and Irrlicht files' lines."""
    labels = {}
    kb = []
    for lines in summaries:
        sizes = {}
        for line in lines:
            key, size, label = (line.split(" ", 2) + ["", ""])[:3]
            sizes[key] = int(size)
            labels.setdefault(key, label)
        kb.append(sizes)
    out = ["Anonymous resident memory by owner, %d s after the first frame (MB; anon_breakdown, with"
           " libheap_report.so preloaded):" % seconds, "",
           "| owner | ours, native | floor | Irrlicht 1.8 | ours - floor |", "|---|---|---|---|---|"]
    for key, label in labels.items():
        native, floor, irrlicht = (sizes.get(key, 0) / 1024 for sizes in kb)
        out.append("| %s | %.1f | %.1f | %.1f | %+.1f |" % (label, native, floor, irrlicht, native - floor))
    return out


def read_lines(path):
    with open(path) as lines:
        return [line.rstrip("\n") for line in lines if line.strip()]


def main(argv):
    command, arguments = (argv[1], argv[2:]) if len(argv) > 1 else ("", [])
    if command == "pacing" and len(arguments) == 3:
        print(pacing(intervals_within(read_stamps(arguments[0]), int(arguments[1]), int(arguments[2]))))
    elif command == "medians" and len(arguments) == 3:
        print("\n".join(medians_table(int(arguments[0]), int(arguments[1]), read_lines(arguments[2]))))
    elif command == "owners" and len(arguments) == 4:
        print("\n".join(owners_table(int(arguments[0]), [read_lines(path) for path in arguments[1:]])))
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
