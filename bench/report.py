#!/usr/bin/env python3
"""Turns the benchmarks' results (JSON lines) into docs/performance.md.

Usage: report.py TEMPLATE RESULTS PER_SHOW_CSV > docs/performance.md

The template holds the document's prose with $names for the figures, and
performance-session.md.in beside it the part repeated for each session. A further session or
front program is more records: sessions come in the order of their "session" records, front
programs in the order of their first press.
"""
import csv
import json
import re
import statistics
import sys
from collections import defaultdict
from pathlib import Path
from string import Template

LABELS = {"keyglance": "Keyglance", "reference": "reference popup",
          "xcb": "plain xcb window", "bare": "bare QApplication"}
POPUPS = ["keyglance", "reference", "xcb"]
EVENTS = {"mapped_ms": "mapped", "drawn_ms": "first frame", "unmapped_ms": "unmapped"}
COSTS = {"cpu_ms": "CPU ms", "faults": "faults", "server_cpu_ms": "X server CPU ms",
         "server_faults": "X server faults", "window_manager_cpu_ms": "window manager CPU ms"}
# What a mapping holds, by its path: the first part whose pattern matches.
PARTS = {
    "pixel buffer shared with the X server": r"^/memfd:|^/SYSV|^/dev/shm/",
    "font files": r"\.(ttf|ttc|otf|pfb|pcf)(\.gz)?$",
    "Qt Network, D-Bus, bearer plugins and what they load":
        r"libQt5Network|libQt5DBus|/bearer/|libdbus|libsystemd|libgcrypt|libgpg-error|libgssapi"
        r"|libkrb5|libk5crypto|libcom_err|libkeyutils|libresolv|libssl|libcrypto|liblz4|libcap",
    "heap and other anonymous memory": r"^\[",
    "the rest of Qt and the libraries that draw": r"\.so[.0-9]*$",
    "other files (fontconfig caches, locale, the program)": r"",
}


# One definition of each statistic, over the values that were measured (None was not).
def measured(values):
    return [value for value in values if value is not None]


def median(values):
    values = measured(values)
    return statistics.median(values) if values else None


def p95(values):
    values = measured(values)
    return statistics.quantiles(values, n=20, method="inclusive")[-1] if len(values) > 1 else (
        values[0] if values else None)


def maximum(values):
    return max(measured(values), default=None)


def number(value, digits=2):
    return "–" if value is None else f"{value:,.{digits}f}"


def ratio(value, base):
    return "–" if value is None or not base else f"{value / base:.2f}×"


def mib(kb):
    return number(kb / 1024, 1)


def table(header, rows, labels=2):
    """A Markdown table whose columns after the first labels ones hold figures."""
    rule = ["---" if column < labels else "---:" for column in range(len(header))]
    return "\n".join("| " + " | ".join(map(str, row)) + " |" for row in [header, rule] + rows)


class Session:
    """The presses and costs of one session, by popup and start."""

    def __init__(self, records):
        self.title = records[0]["title"]
        self.presses = defaultdict(list)  # (popup, start) -> its presses in order
        self.costs = defaultdict(list)  # (popup, phase) -> cost records
        self.fronts = {}  # start -> the program in front
        self.listed = [0, 0]
        for record in records[1:]:
            if record["record"] == "press":
                self.presses[record["popup"], record["start"]].append(record)
                self.fronts[record["start"]] = record["front"]
            elif record["record"] == "cost":
                self.costs[record["popup"], record["phase"]].append(record)
            elif record["record"] == "listed":
                self.listed = [self.listed[0] + record["listed"], self.listed[1] + record["shows"]]

    def starts(self, popup, front=None):
        return sorted(start for (name, start) in self.presses
                      if name == popup and front in (None, self.fronts[start]))

    def first(self, popup, start, event="drawn_ms"):
        return self.presses[popup, start][0][event] if (popup, start) in self.presses else None

    def later(self, popup, start=None, event="drawn_ms", paused=False):
        """The presses after the first: back to back, or after the same pause as the first."""
        return [press[event] for (name, at), presses in self.presses.items()
                if name == popup and start in (None, at)
                for press in presses[1:] if (press["pause_ms"] > 0) == paused]

    def p50(self, popup, start, paused=False):
        return median(self.later(popup, start, paused=paused))

    def over_starts(self, popup, numerator, denominator, front=None):
        """The median over the starts of a figure of each start over another of the same start."""
        pairs = [(numerator(start), denominator(start)) for start in self.starts(popup, front)]
        return ratio(median([a / b for a, b in pairs if a is not None and b]), 1)

    def render(self, template):
        fronts = list(dict.fromkeys(self.fronts[start] for start in sorted(self.fronts)))

        def columns(popup, event):
            """Each column of the latency table: its statistic and its values."""
            return [(median, [self.first(popup, start, event)
                              for start in self.starts(popup, front)]) for front in fronts] + [
                (median, self.later(popup, event=event, paused=True))] + [
                (f, self.later(popup, event=event)) for f in (median, p95, maximum)]

        latency = []
        for popup in POPUPS:
            for event, label in EVENTS.items():
                cells = [f(values) for f, values in columns(popup, event)]
                bases = [f(values) for f, values in columns("reference", event)]
                latency.append([LABELS[popup], label] + [
                    number(cell) if popup == "reference" else f"{number(cell)} ({ratio(cell, base)})"
                    for cell, base in zip(cells, bases)])
        first_ratios = [[LABELS[popup]] + [
            self.over_starts(popup, lambda s: self.first(popup, s), lambda s: self.p50(popup, s),
                             front) for front in fronts] + [
            self.over_starts(popup, lambda s: self.p50(popup, s, True), lambda s: self.p50(popup, s)),
            self.over_starts(popup, lambda s: self.first(popup, s), lambda s: self.p50(popup, s, True))]
            for popup in POPUPS]
        base = median([self.p50("reference", start) for start in self.starts("reference")])
        starts = [[start, self.fronts[start]] + [
            cell for popup in POPUPS for cell in (number(self.first(popup, start)),
                                                  f"{number(self.p50(popup, start))} "
                                                  f"({ratio(self.p50(popup, start), base)})")]
            for start in self.starts("keyglance")]
        costs = [[LABELS[popup]] + [
            number(median([c[field] / c["cycles"] for c in self.costs[popup, phase]]),
                   0 if "faults" in field else 2)
            for field in COSTS for phase in ("first", "later")] for popup in POPUPS]
        keyglance, reference = ([self.p50(popup, start) for start in self.starts(popup)]
                                for popup in ("keyglance", "reference"))
        return template.substitute(
            title=self.title, reference_p50=number(base), slowest=ratio(maximum(keyglance), base),
            spread=f"{ratio(min(measured(reference)), base)} to {ratio(maximum(reference), base)}",
            latency=table(["Popup", "Event"] + [f"first press, {front} in front" for front in fronts]
                          + ["after a pause", "later p50", "p95", "max"], latency),
            first_ratios=table(["Popup"] + [f"first / later, {front} in front" for front in fronts]
                               + ["after a pause / later", "first / after a pause"], first_ratios, 1),
            timeouts=sum(cell is None for start in self.starts("keyglance")
                         for cell in [self.first("keyglance", start)] + self.later("keyglance", start)
                         + self.later("keyglance", start, paused=True)),
            listed=f"{self.listed[0]} of {self.listed[1]}",
            starts=table(["Start", "Front program"] + [f"{LABELS[popup]} {column}" for popup in POPUPS
                                                       for column in ("first press", "p50")], starts),
            costs=table(["Popup"] + [f"{label}, {phase}" for label in COSTS.values()
                                     for phase in ("first", "later")], costs, 1))


def mappings(smaps):
    """kB resident, proportional and anonymous of each mapped file in /proc/PID/smaps, summed over
    its mappings; the nameless ones under "[anon]"."""
    columns = {"Rss:": 0, "Pss:": 1, "Anonymous:": 2}
    sizes = defaultdict(lambda: [0, 0, 0])
    for fields in (line.split(maxsplit=5) for line in smaps.splitlines() if line.strip()):
        if not fields[0].endswith(":"):
            current = sizes[fields[5] if len(fields) > 5 else "[anon]"]
        elif fields[0] in columns:
            current[columns[fields[0]]] += int(fields[1])
    return sizes


def memory_section(records):
    def total(mappings, column):
        return sum(sizes[column] for sizes in mappings.values())

    def parts(mappings):
        sizes = defaultdict(lambda: [0, 0])
        for path, (rss, _, anonymous) in mappings.items():
            part = next(part for part, pattern in PARTS.items() if re.search(pattern, path))
            sizes[part] = [sizes[part][0] + rss, sizes[part][1] + anonymous]
        return sizes

    records = sorted(records, key=lambda r: r["popup"] != "bare")
    for record in records:
        record["mappings"] = mappings(record["smaps"])
    snapshot = {(r["popup"], r["data"], r["stage"]): r["mappings"] for r in records}
    bare = snapshot["bare", "shipped", "idle"]
    rows = [[LABELS[r["popup"]] + ("" if r["data"] == "shipped" else f" ({r['data']} data file)"),
             f"after {r['cycles']:,} cycles" if "cycles" in r else r["stage"]]
            + [mib(total(r["mappings"], column)) for column in range(3)]
            + [ratio(total(r["mappings"], column), total(bare, column)) for column in range(3)]
            for r in records]
    cycled = [r for r in records if r["stage"] == "cycles"]
    ours, theirs = parts(cycled[-1]["mappings"]), parts(bare)
    drawn_ahead = [total(snapshot["keyglance", data, "first show"], column)
                   for column in (0, 2) for data in ("shipped", "front only")]
    growth = [total(cycled[-1]["mappings"], column) - total(cycled[0]["mappings"], column)
              for column in range(3)]
    return dict(
        memory=table(["Process", "When", "RSS", "PSS", "anonymous", "RSS / bare", "PSS / bare",
                      "anonymous / bare"], rows),
        parts=table(["Part", "Keyglance", "bare QApplication", "difference", "of it anonymous"],
                    [[part, mib(ours[part][0]), mib(theirs[part][0]),
                      mib(ours[part][0] - theirs[part][0]), mib(ours[part][1] - theirs[part][1])]
                     for part in PARTS], 1),
        drawn_ahead_rss=mib(drawn_ahead[0] - drawn_ahead[1]),
        drawn_ahead_anonymous=mib(drawn_ahead[2] - drawn_ahead[3]),
        growth_from=f"{cycled[0]['cycles']:,}", growth_to=f"{cycled[-1]['cycles']:,}",
        growth=", ".join(f"{label} {size:+,.0f} kB"
                         for label, size in zip(("RSS", "PSS", "anonymous"), growth)),
        cycle_drawn=number(median(cycled[-1]["drawn_ms"])),
        cycle_cpu=number(cycled[-1]["cpu_ms"] / max(len(cycled[-1]["drawn_ms"]), 1)))


def startup_section(records):
    """The starts of the latency runs without a window manager."""
    runs = defaultdict(lambda: defaultdict(list))
    for record in records:
        if record["session"] == "none":
            for field in ("registered_ms", "idle_ms"):
                runs[record["popup"]][field].append(record[field])
    return table(["Program", "until Ctrl+Space is grabbed", "until ready"], [
        [f"{LABELS[popup]} ({len(times['idle_ms'])} runs)"] + [
            f"{number(median(times[field]))} ({number(min(measured(times[field])))}–"
            f"{number(maximum(times[field]))}) ({ratio(median(times[field]), median(runs['reference'][field]))})"
            for field in ("registered_ms", "idle_ms")] for popup, times in runs.items()], 1)


def benchmarks(csv_path):
    """QBENCHMARK's results (QtTest's -csv): function -> data tag -> (ms an iteration, iterations)."""
    results = defaultdict(dict)
    for function, tag, _, per_iteration, _, iterations in csv.reader(
            Path(csv_path).read_text().splitlines()):
        results[function][tag] = (float(per_iteration), int(iterations))
    return results


def pershow_section(results):
    """Per data file (its tag: label and bytes), each step of a show and their sum."""
    rows = []
    for tag, (_, iterations) in results["readParse"].items():
        label, size = tag.rsplit(" ", 1)
        steps = [results[step][tag][0] for step in ("readParse", "rows", "fill")]
        show_ms = sum(steps)
        rows.append([label, f"{int(size) / 1000:,.0f} KB", iterations]
                    + [f"{ms * 1000:,.0f} µs" for ms in [show_ms] + steps]
                    + [f"{show_ms * 1000 / (int(size) / 1e6):,.0f} µs"])
    return table(["Data file", "Size", "Iterations", "Per show", "Read + parse", "Rows", "Lists",
                  "Per MB"], rows)


def scaled_layout_section(results):
    """The layout of empty groups (its tag: their number and the popup's scale)."""
    rows = [[f"{int(tag.split()[0]):,}", tag.split()[1], iterations, f"{ms * 1000:,.0f} µs"]
            for tag, (ms, iterations) in results["scaledDownLayout"].items()]
    return table(["Empty groups", "Scale", "Iterations", "Layout of the lists"], rows)


def wayland_section(records, x11, x11_qt):
    """Key to popup in each Wayland session and Qt, beside Keyglance's presses with openbox."""
    sources = defaultdict(lambda: defaultdict(list))  # (session, until, front, Qt) -> start -> ms
    for record in records:
        sources[record["compositor"], record["until"], record["front"], record["qt"]][
            record["start"]].append(record["ms"])
    x11_starts = x11.starts("keyglance")
    rows = [["X11 (openbox)", "first frame", ", ".join(dict.fromkeys(x11.fronts.values())), x11_qt,
             len(x11_starts), median([x11.first("keyglance", start) for start in x11_starts]),
             x11.later("keyglance")]]
    rows += [[compositor, until, front, qt, len(starts), median([ms[0] for ms in starts.values()]),
              [value for ms in starts.values() for value in ms[1:]]]
             for (compositor, until, front, qt), starts in sorted(sources.items())]
    return table(["Session", "Until", "Front program", "Qt", "Starts", "first press", "later p50",
                  "p95", "max", "first / later"],
                 [row[:5] + [number(row[5]), number(median(row[6])), number(p95(row[6])),
                             number(maximum(row[6])), ratio(row[5], median(row[6]))]
                  for row in rows], 5)


def main(template_path, results_path, benchmarks_path):
    kinds = defaultdict(list)
    sessions = {}
    for line in Path(results_path).read_text().splitlines():
        record = json.loads(line)
        kinds[record["record"]].append(record)
        if record["record"] == "session":
            sessions[record["session"]] = [record]
        elif record["record"] in ("press", "cost", "listed"):
            sessions[record["session"]].append(record)
    template = Path(template_path)
    session_template = Template((template.parent / "performance-session.md.in").read_text())
    run = kinds["run"][-1]
    per_show = benchmarks(benchmarks_path)
    openbox = Session(sessions["openbox"])
    sys.stdout.write(Template(template.read_text()).substitute(
        machine=run["machine"], load_start=run["load_start"], load_end=run["load_end"],
        duration=f"{run['seconds'] // 60} min {run['seconds'] % 60} s",
        rounds=len({record["start"] for record in kinds["press"]}),
        sessions="\n".join(Session(records).render(session_template)
                           for records in sessions.values()),
        wayland=wayland_section(kinds["wayland_press"], openbox, run["qt"]),
        startup=startup_section(kinds["startup"]), pershow=pershow_section(per_show),
        scaledlayout=scaled_layout_section(per_show),
        **memory_section(kinds["memory"])))


if __name__ == "__main__":
    main(*sys.argv[1:])
