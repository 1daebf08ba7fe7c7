#!/usr/bin/env python3
"""The tables of input_latency.sh, from the files it writes into its run folder.

  input_latency_report.py RUN_DIR DELAY_MS

RUN_DIR holds, for each round R:
  latency-PROGRAM-INPUT-R.txt    latency_probe's "INPUT_NS CHANGE_NS" lines
                                 (CHANGE_NS -1: no change within its timeout);
  frames-native-R.txt            the native program's frame stamps ("KIND NS");
  reference-INPUT-R.txt          latency_probe's lines for latency_reference;
  reference-R.txt                latency_reference's "RECEIVED_NS DRAWN_NS" lines.
PROGRAM is native, wine, floor or irrlicht; INPUT is key (W) or motion.
Prints the detector's check against the reference (DELAY_MS known), the
latency table with ours as ratios to the floor, each round's medians, and
where the native program's time goes, stage by stage.
"""

import bisect
import glob
import math
import os
import re
import sys

PROGRAMS = (("native", "ours, native"), ("wine", "ours, Windows build under Wine"), ("floor", "floor"),
            ("irrlicht", "Irrlicht 1.8"))
INPUTS = (("key", "W"), ("motion", "mouse"))
# The native program's stamps between the input and the change seen, in order.
STAGES = (
    ("in the window system's queue while the program is busy (input to the pump taking it)", "taken"),
    ("taken, waiting for the frame that reads it to start", "frame"),
    ("drawing calls (to Present)", "present"),
    ("the driver drawing the frame (Present's glFinish)", "finished"),
    ("Present's retrace wait", "retrace"),
    ("the swap", "swapped"),
    ("swap to the change seen on the screen", "seen"),
)


def percentile(values, p):
    """The nearest-rank percentile of sorted values."""
    return values[max(0, math.ceil(p / 100 * len(values)) - 1)]


def median(values):
    v = sorted(values)
    n = len(v)
    return v[n // 2] if n % 2 else (v[n // 2 - 1] + v[n // 2]) / 2


def summary(values):
    """(median, p90, p99, max, n) of the values, None for none."""
    if not values:
        return None
    v = sorted(values)
    return median(v), percentile(v, 90), percentile(v, 99), v[-1], len(v)


def read_pairs(path):
    with open(path) as lines:
        return [tuple(int(field) for field in line.split()) for line in lines if re.match(r"^-?\d+ -?\d+$", line)]


def latencies(pairs):
    """Latencies in ms of the inputs that changed the screen, and the number that did not."""
    seen = [(change - given) / 1e6 for given, change in pairs if change >= 0]
    return seen, len(pairs) - len(seen)


def read_stamps(path):
    """The stamps by kind, each list sorted."""
    stamps = {}
    with open(path) as lines:
        for line in lines:
            kind, _, ns = line.partition(" ")
            if ns.strip().lstrip("-").isdigit():
                stamps.setdefault(kind, []).append(int(ns))
    for values in stamps.values():
        values.sort()
    return stamps


def first_from(values, ns):
    """The first value at or after ns, or None."""
    i = bisect.bisect_left(values, ns)
    return values[i] if i < len(values) else None


def stages_of(given, change, kind, stamps):
    """The stage times (ms, in STAGES order) of one input, summing to its latency;
    None when the stamps do not hold its road. Second: whether a later frame
    than the one that read it brought the change."""
    taken = first_from(stamps.get(kind, []), given)
    if taken is None or taken > change:
        return None, False
    frame = first_from(stamps.get("frame", []), taken)
    present = frame is not None and first_from(stamps.get("present", []), frame)
    swapped = present and first_from(stamps.get("swapped", []), present)
    if not swapped:
        return None, False
    finished = first_from(stamps.get("finished", []), present)
    retrace = first_from(stamps.get("retrace", []), present)
    # A device that does not keep the retraces itself waits in the swap.
    if finished is None or retrace is None or retrace > swapped:
        finished = retrace = present
    times = (given, taken, frame, present, finished, retrace, swapped, change)
    later = first_from(stamps.get("swapped", []), swapped + 1)
    return [(b - a) / 1e6 for a, b in zip(times, times[1:])], later is not None and later < change


def breakdown(pairs, kind, stamps):
    """The stage lists of the inputs that changed the screen, and how many of
    those a later frame brought; inputs without their stamps are left out."""
    rows, later = [], 0
    for given, change in pairs:
        if change < 0:
            continue
        stages, by_later = stages_of(given, change, kind, stamps)
        if stages is not None:
            rows.append(stages)
            later += by_later
    return rows, later


WARM_UP_FRAMES = 60


def frame_draws(stamps):
    """Each frame's drawing time in ms (its Clear to its Present's glFinish
    returning) after the first second's (loads, the mode switch), the retrace
    period and the median swap, or None without them."""
    frames, finished = stamps.get("frame", []), stamps.get("finished", [])
    retraces, swaps = stamps.get("retrace", []), stamps.get("swapped", [])
    draws = []
    for start in frames:
        end = first_from(finished, start)
        if end is not None:
            draws.append((end - start) / 1e6)
    draws = draws[WARM_UP_FRAMES:]
    gaps = [(b - a) / 1e6 for a, b in zip(retraces, retraces[1:]) if b > a]
    if not draws or not gaps:
        return None
    after = [(first_from(swaps, r), r) for r in retraces]
    swap = median([(done - r) / 1e6 for done, r in after if done is not None])
    return draws, median(gaps), swap


def replay(draws, period, swap, lead_of, step=0.1):
    """The draws, frame k started lead_of(draws, k) ms before the retrace
    after the last one shown (at once if that is past),
    shown at the first retrace after it is drawn; an input every `step` ms is
    read by the next frame to start. Latencies (ms, input to the swap done)
    and how many frames missed the retrace they started for."""
    starts, shown, missed = [], [], 0
    target, free = period, 0.0
    for k, draw in enumerate(draws):
        start = max(free, target - lead_of(draws, k))
        retrace = target
        while retrace < start + draw:
            retrace += period
        missed += retrace > target
        starts.append(start)
        shown.append(retrace)
        free, target = retrace + swap, retrace + period
    out, t = [], starts[0] + step / 2
    while t < starts[-1]:
        i = bisect.bisect_left(starts, t)
        out.append(shown[i] + swap - t)
        t += step
    return out, missed


def longest_before(draws, k):
    """The longest of the 120 frames before frame k (the program holds none before the 8th)."""
    return max(draws[max(0, k - 120):k])


# Start times replayed: the floor's way, the program's, fixed leads, and
# knowing each frame's drawing beforehand (which no program can). A lead of
# inf starts the frame as soon as the last swap is done.
REPLAYS = (
    ("at the retrace before (the floor's way)", lambda draws, k: float("inf")),
    ("the longest of the last 120 frames, a tenth more, + 0.5 ms (the program's)",
     lambda draws, k: float("inf") if k < 8 else longest_before(draws, k) * 1.1 + 0.5),
    ("the longest of the last 120 frames + 1 ms",
     lambda draws, k: float("inf") if k < 8 else longest_before(draws, k) + 1),
    ("12 ms before the retrace", lambda draws, k: 12.0),
    ("10 ms before the retrace", lambda draws, k: 10.0),
    ("its own drawing + 0.2 ms, known beforehand", lambda draws, k: draws[k] + 0.2),
)


def replay_table(runs):
    """RUNS: [(draws, period, swap)], one a round. Each start time of
    REPLAYS over all rounds: median, p99, max, missed retraces."""
    out = ["| each frame started | median | p99 | max | retraces missed per 1000 frames | median / the floor's way |",
           "|---|---|---|---|---|---|"]
    base = None
    for label, lead in REPLAYS:
        values, missed, frames = [], 0, 0
        for draws, period, swap in runs:
            latencies, misses = replay(draws, period, swap, lead)
            values += latencies
            missed += misses
            frames += len(draws)
        figures = summary(values)
        base = base or figures[0]
        out.append("| %s | %s | %s | %s | %.1f | %s |" % (label, ms(figures[0]), ms(figures[2]), ms(figures[3]),
                                                          1000 * missed / frames, ratio(figures[0], base)))
    return out


def ms(value):
    return "%.1f" % value


def ratio(a, b):
    return "" if b == 0 else "%.2f" % (a / b)


def latency_table(results):
    """RESULTS: {(program, input): (latencies, missed)}; the Markdown table."""
    out = ["| program | input | median | p90 | p99 | max | n | missed | median / floor | p90 / floor |",
           "|---|---|---|---|---|---|---|---|---|---|"]
    for program, label in PROGRAMS:
        for source, input_label in INPUTS:
            if (program, source) not in results:
                continue
            values, missed = results[program, source]
            figures = summary(values)
            if figures is None:
                out.append("| %s | %s | | | | | 0 | %d | | |" % (label, input_label, missed))
                continue
            floor = summary(results.get(("floor", source), ([], 0))[0])
            ratios = ["", ""]
            if floor is not None and program != "floor":
                ratios = [ratio(figures[0], floor[0]), ratio(figures[1], floor[1])]
            out.append("| %s | %s | %s | %s | %s | %s | %d | %d | %s | %s |" % (
                label, input_label, ms(figures[0]), ms(figures[1]), ms(figures[2]), ms(figures[3]), figures[4],
                missed, ratios[0], ratios[1]))
    return out


def breakdown_table(rows_by_input, later_by_input):
    """The median of each stage by input, the sum of those medians and the median latency."""
    present = [(source, label) for source, label in INPUTS if rows_by_input.get(source)]
    out = ["| stage (ms, median) | " + " | ".join(label for _, label in present) + " |",
           "|---" * (len(present) + 1) + "|"]
    for i, (stage, _) in enumerate(STAGES):
        out.append("| %s | %s |" % (stage, " | ".join(ms(median([row[i] for row in rows_by_input[source]]))
                                                       for source, _ in present)))
    out.append("| sum of the medians | %s |" % " | ".join(
        ms(sum(median([row[i] for row in rows_by_input[source]]) for i in range(len(STAGES))))
        for source, _ in present))
    out.append("| latency, median | %s |" % " | ".join(ms(median([sum(row) for row in rows_by_input[source]]))
                                                       for source, _ in present))
    out.append("| inputs; of them shown by a later frame than the one that read them | %s |" % " | ".join(
        "%d; %d" % (len(rows_by_input[source]), later_by_input[source]) for source, _ in present))
    return out


def reference_table(delay_ms, pairs_by_input, answers):
    """The detector against latency_reference: the known delay, what the
    detector measured, and the reference's own stamps around its wait."""
    out = ["| input | known delay | measured median | p90 | max | n | missed | input to received | received to drawn"
           " | drawn to seen |", "|---|---|---|---|---|---|---|---|---|---|"]
    received = sorted(answers)
    for source, label in INPUTS:
        pairs = pairs_by_input.get(source)
        if not pairs:
            continue
        values, missed = latencies(pairs)
        figures = summary(values)
        if figures is None:
            out.append("| %s | %s | | | | 0 | %d | | | |" % (label, ms(delay_ms), missed))
            continue
        parts = [[], [], []]
        for given, change in pairs:
            i = bisect.bisect_left(received, (given, 0))
            if change < 0 or i == len(received) or received[i][0] > change:
                continue
            got, drawn = received[i]
            for part, (a, b) in zip(parts, ((given, got), (got, drawn), (drawn, change))):
                part.append((b - a) / 1e6)
        medians = ["%.2f" % median(part) if part else "" for part in parts]
        out.append("| %s | %s | %.2f | %.2f | %.2f | %d | %d | %s |" % (
            label, ms(delay_ms), figures[0], figures[1], figures[3], figures[4], missed, " | ".join(medians)))
    return out


def rounds_of(run_dir, pattern):
    """The files matching pattern (with {R} for the round) by round number."""
    found = {}
    regex = re.compile(re.escape(pattern).replace(r"\{R\}", r"(\d+)") + "$")
    for path in glob.glob(os.path.join(run_dir, pattern.replace("{R}", "*"))):
        match = regex.search(os.path.basename(path))
        if match:
            found[int(match.group(1))] = path
    return dict(sorted(found.items()))


def report(run_dir, delay_ms):
    out = []
    pairs_by_input = {source: [] for source, _ in INPUTS}
    answers = []
    for source, _ in INPUTS:
        for path in rounds_of(run_dir, "reference-%s-{R}.txt" % source).values():
            pairs_by_input[source] += read_pairs(path)
    for path in rounds_of(run_dir, "reference-{R}.txt").values():
        answers += read_pairs(path)
    out += ["The detector against latency_reference (ms):", ""]
    out += reference_table(delay_ms, pairs_by_input, answers)

    results, per_round, rounds = {}, [], set()
    for program, label in PROGRAMS:
        for source, input_label in INPUTS:
            files = rounds_of(run_dir, "latency-%s-%s-{R}.txt" % (program, source))
            if not files:
                continue
            all_values, all_missed, medians = [], 0, []
            for number, path in files.items():
                rounds.add(number)
                values, missed = latencies(read_pairs(path))
                all_values += values
                all_missed += missed
                medians.append(ms(median(values)) if values else "n/a")
            results[program, source] = (all_values, all_missed)
            per_round.append("  %s, %s: %s" % (label, input_label, " ".join(medians)))
    out += ["", "Input to the first frame on the screen that shows it (ms), %d rounds:" % len(rounds), ""]
    out += latency_table(results)
    out += ["", "Each round's median (ms):"] + per_round

    rows_by_input = {source: [] for source, _ in INPUTS}
    later_by_input = {source: 0 for source, _ in INPUTS}
    runs = []
    for number, path in rounds_of(run_dir, "frames-native-{R}.txt").items():
        stamps = read_stamps(path)
        run = frame_draws(stamps)
        if run is not None:
            runs.append(run)
        for source, _ in INPUTS:
            probe = os.path.join(run_dir, "latency-native-%s-%d.txt" % (source, number))
            if os.path.exists(probe):
                rows, later = breakdown(read_pairs(probe), source, stamps)
                rows_by_input[source] += rows
                later_by_input[source] += later
    if any(rows_by_input.values()):
        out += ["", "Where the native program's time goes, from its frame stamps:", ""]
        out += breakdown_table(rows_by_input, later_by_input)
    if runs:
        out += ["", "The native program's frames, replayed with other start times (their drawing times as stamped;",
                "an input every 0.1 ms, to the swap done):", ""]
        out += replay_table(runs)
    return out


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    print("\n".join(report(argv[1], float(argv[2]))))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
