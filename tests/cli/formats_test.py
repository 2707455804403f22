#!/usr/bin/python3
"""The JSON and CSV outputs of import, check and detail read back by Python's own json and csv
modules and compared, row by row and cell by cell, with the raw output of the same run: on a
valid data set and on one with every fault of the generator.

    formats_test.py CLI GEN
"""
import csv
import io
import json
import os
import re
import subprocess
import sys
import tempfile

CLI, GEN = sys.argv[1], sys.argv[2]
HEADING, DEBIT, CREDIT = "\u200e", "\x1c", "\x1d"
ERRORS_HEADING = "שגיאות שנמצאו במהלך קריאת הקובץ"
WORDS = {"0": "ok", "1": "error", "3": "info", "4": "stopped"}
# The check rows' time of day from a fixed moment, so that runs of one set agree.
ENV = dict(os.environ, LC_ALL="C.UTF-8", SOURCE_DATE_EPOCH="1736937000")
failures = []
compared = 0


def run(*args, expect=0):
    done = subprocess.run([CLI, *args], capture_output=True, env=ENV)
    if done.returncode != expect:
        failures.append(f"{' '.join(args)}: exit {done.returncode}, expected {expect}")
    return done.stdout.decode("utf-8")


def plain(cell):
    return cell.replace(HEADING, "").replace(DEBIT, "").replace(CREDIT, "")


FIGURE = re.compile(r"-?[0-9]{1,3}(,[0-9]{3})*(\.[0-9]+)?( [חז])?")


def as_csv_cell(cell):
    """A cell as the CSV carries it: one that starts as a formula and is no figure made text."""
    text = plain(cell)
    return "'" + text if text[:1] in ("=", "+", "-", "@") and not FIGURE.fullmatch(text) else text


def figure_agorot(text):
    """The agorot of a "#,.00" figure, with the sign its text carries, or None."""
    body = text.removesuffix(" ח").removesuffix(" ז").removeprefix("-")
    integer, point, decimals = body.rpartition(".")
    if point != "." or len(decimals) != 2 or not decimals.isdigit():
        return None
    groups = integer.split(",")
    if not groups[0].isdigit() or len(groups[0]) > 3 or any(len(g) != 3 or not g.isdigit() for g in groups[1:]):
        return None
    value = int("".join(groups) + decimals)
    return -value if text.startswith("-") else value


def compare(what, raw, document, table):
    global compared
    compared += 1
    raw_rows = [row.split("\t") for row in raw.split("\n")[:-1]]
    rows = document["rows"]
    if len(rows) != len(raw_rows):
        failures.append(f"{what}: {len(rows)} JSON rows, {len(raw_rows)} raw rows")
        return
    errors = 0
    for n, (raw_row, row) in enumerate(zip(raw_rows, rows), 1):
        where = f"{what} row {n}"
        # The heading of the import's errors list has the error status but is no error.
        errors += raw_row[0] == "1" and raw_row[1:2] != [ERRORS_HEADING]
        if row["status"] != WORDS[raw_row[0]]:
            failures.append(f"{where}: status {row['status']} for {raw_row[0]}")
        texts = [cell["text"] for cell in row["cells"]]
        if texts != [plain(cell) for cell in raw_row[1:]]:
            failures.append(f"{where}: JSON cells {texts} differ from raw {raw_row[1:]}")
        for raw_cell, cell in zip(raw_row[1:], row["cells"]):
            marks = {mark for mark in ("heading", "debit", "credit", "failing") if cell.get(mark)}
            expected = {m for m, byte in (("heading", HEADING), ("debit", DEBIT)) if byte in raw_cell}
            if (CREDIT in raw_cell) != bool(marks & {"credit", "failing"}) or expected != marks - {"credit", "failing"}:
                failures.append(f"{where}: marks {sorted(marks)} for {raw_cell!r}")
            if "amount" in cell:
                value = figure_agorot(cell["text"])
                if value is None or abs(value) != abs(cell["amount"]):
                    failures.append(f"{where}: amount {cell['amount']} for {cell['text']!r}")
                if cell["text"].endswith(" ז") and cell["amount"] > 0:
                    failures.append(f"{where}: a credit sense read as {cell['amount']}")
    if document["summary"]["errors"] != errors:
        failures.append(f"{what}: summary says {document['summary']['errors']} errors, rows {errors}")
    # CSV: the byte-order mark, then one record per row, all of one width.
    if not table.startswith("\ufeff"):
        failures.append(f"{what}: the CSV does not begin with the byte-order mark")
    records = list(csv.reader(io.StringIO(table.removeprefix("\ufeff"), newline="")))
    width = max(len(row) for row in raw_rows) if raw_rows else 0
    expected = [[WORDS[r[0]]] + [as_csv_cell(c) for c in r[1:]] + [""] * (width - len(r)) for r in raw_rows]
    if records != expected:
        bad = next((i for i, (a, b) in enumerate(zip(records, expected)) if a != b), min(len(records), len(expected)))
        failures.append(f"{what}: CSV record {bad + 1} differs: {records[bad:bad + 1]} {expected[bad:bad + 1]}")


with tempfile.TemporaryDirectory() as work:
    faults = [line.split()[0] for line in subprocess.run([GEN, "--list-faults"], capture_output=True,
                                                          text=True, check=True).stdout.splitlines()]
    sets = {"valid": [], "faults": [arg for f in faults for arg in ("--fault", f)]}
    for name, options in sets.items():
        folder = os.path.join(work, name)
        subprocess.run([GEN, "--quiet", "--movements", "300", "--seed", "7", *options, folder], check=True)
        for command in ("import", "check"):
            raw = run(command, "--raw", folder)
            document = json.loads(run(command, "--format", "json", folder))
            if (document["command"], document["folder"], document["completed"]) != (command, folder, True):
                failures.append(f"{name} {command}: head {document['command']} {document['folder']}")
            compare(f"{name} {command}", raw, document, run(command, "--format", "csv", folder))
            if command == "check":
                findings = document["summary"]["findings"]
                if sum(findings.values()) != document["summary"]["errors"]:
                    failures.append(f"{name} check: findings {findings} do not add up to the errors")
        # The first line of each record type and every line a fault went into.
        data = os.path.join(folder, "BKMVDATA.TXT")
        first = {}
        with open(data, "rb") as lines:
            for number, text in enumerate(lines, 1):
                first.setdefault(text[:4], number)
        wanted = set(first.values())
        manifest = os.path.join(folder, "MANIFEST.TSV")
        if os.path.exists(manifest):
            with open(manifest, encoding="utf-8") as rows:
                wanted |= {int(r[2]) for r in csv.reader(rows, delimiter="\t") if r[1:2] == ["BKMVDATA.TXT"]}
        for line in sorted(wanted):
            args = (data, str(line))
            if subprocess.run([CLI, "detail", *args], capture_output=True).returncode == 1:
                continue  # a line of no known type: nothing to print in any format
            document = json.loads(run("detail", "--format", "json", *args))
            if (document["file"], document["line"]) != (data, line):
                failures.append(f"{name} detail {line}: head {document['file']} {document['line']}")
            compare(f"{name} detail {line}", run("detail", "--raw", *args), document,
                    run("detail", "--format", "csv", *args))

for failure in failures[:40]:
    print(failure)
print(f"formats: {len(failures)} differences" if failures else
      f"formats: JSON and CSV agree with raw in all {compared} outputs")
sys.exit(1 if failures else 0)
