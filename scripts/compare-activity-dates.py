#!/usr/bin/env python3
"""Compares two dumps of the activity model made by
`bench/xer_load --dump ActivityModel file.xer`, one before and one after a
change to how activity dates are chosen.

Usage: scripts/compare-activity-dates.py BEFORE_DIR AFTER_DIR
Both folders hold one dump per export under the same file name.

Prints per dump: rows, rows finishing before they start (before and after),
rows that differ, and of those how many now finish on their early finish
date or on their start. Fails when an activity still finishes before it
starts, when a row differs that did not finish before it started, or when
anything but "Finish Date" differs.
"""
import os
import sys
from datetime import datetime


def read_dump(path):
    with open(path, encoding="utf-8") as f:
        lines = [line.rstrip("\n").split("\t") for line in f]
    return lines[0], lines[1:]


def when(text):
    return datetime.fromisoformat(text) if text else None


def inverted(row, start, finish):
    s, f = when(row[start]), when(row[finish])
    return s is not None and f is not None and f < s


def compare(before_path, after_path):
    header, before = read_dump(before_path)
    after_header, after = read_dump(after_path)
    problems = []
    if header != after_header or len(before) != len(after):
        return None, ["header or row count differs"]
    start, finish = header.index("Start Date"), header.index("Finish Date")
    early = header.index("Early finish date")
    counts = dict(rows=len(before), inverted_before=0, inverted_after=0, changed=0, to_early=0, to_start=0)
    for n, (old, new) in enumerate(zip(before, after), start=1):
        was_inverted = inverted(old, start, finish)
        counts["inverted_before"] += was_inverted
        if inverted(new, start, finish):
            counts["inverted_after"] += 1
            problems.append("row %d (ID %s) still finishes before it starts" % (n, new[0]))
        if old == new:
            continue
        counts["changed"] += 1
        others = [header[c] for c in range(len(header)) if c != finish and old[c] != new[c]]
        if others:
            problems.append("row %d (ID %s) differs in %s" % (n, new[0], ", ".join(others)))
        if not was_inverted:
            problems.append("row %d (ID %s) differs but was in order" % (n, new[0]))
        elif new[finish] == new[early]:
            counts["to_early"] += 1
        elif new[finish] == new[start]:
            counts["to_start"] += 1
        else:
            problems.append("row %d (ID %s) got a finish from elsewhere" % (n, new[0]))
    return counts, problems


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    before_dir, after_dir = sys.argv[1:]
    failed = False
    for name in sorted(os.listdir(before_dir)):
        counts, problems = compare(os.path.join(before_dir, name), os.path.join(after_dir, name))
        if counts:
            print("%s: rows %d, finish before start %d -> %d, rows changed %d "
                  "(to early finish %d, to start %d)"
                  % (name, counts["rows"], counts["inverted_before"], counts["inverted_after"],
                     counts["changed"], counts["to_early"], counts["to_start"]))
        else:
            print("%s:" % name)
        for p in problems:
            print("  FAIL " + p)
        failed = failed or bool(problems)
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
