#!/usr/bin/python3
"""The jet report's forms read back by other programs, on the audit set with every journal fault:

- the workbook (openpyxl): a summary sheet, then one sheet per test named by its caption (cut
  to the 31 characters a sheet's name holds, room left for a continuation's "-2"), whose hit
  rows (under the heading row, continuation sheets included) are as many as the test's hits in
  `tallyscan-cli jet --format json`; one native column chart per digit test with two series;
- its summary sheet: only its first heading row frozen, each later heading row under its
  section's title, the figures of its value columns numbers (the population's movements and
  debit those of the result), and no directional mark in a cell of any sheet;
- the PDF (pdftotext): each test's caption and id, then its hit count;
- made twice from the same data and parameter file: the same HTML byte for byte, and workbooks
  whose sheets read back equal.

    jet_report_forms.py CLI GEN
"""
import json
import os
import re
import subprocess
import sys
import tempfile
import zipfile

import openpyxl

BIDI_MARKS = re.compile("[\u200e\u200f\u202a-\u202e]")
# Every directional mark, isolates included: none belongs inside a cell.
CELL_MARKS = re.compile("[\u061c\u200e\u200f\u202a-\u202e\u2066-\u2069]")
FIGURE_TEXT = re.compile(r"^[-+]?[\d,]+(\.\d+)?%?$")
# The first captions of the summary sheet's heading rows, and its columns of figures.
HEADING_STARTS = ("פרט", "מזהה", "ספרה", "דירוג")
VALUE_COLUMNS = {"ערך", "פגיעות", "הנתון העיקרי", "שיעור שמיש", "מספר", "בפועל", "צפוי", "Z",
                 "ציון"}
FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)


def run(*command, cwd):
    return subprocess.run(command, cwd=cwd, capture_output=True, text=True,
                          env=dict(os.environ, SOURCE_DATE_EPOCH="1736937000", LC_ALL="C.UTF-8"))


def journal_faults(gen):
    listed = subprocess.run([gen, "--list-journal-faults"], capture_output=True, text=True,
                            check=True).stdout
    faults = []
    for line in listed.splitlines():
        if line.split():
            faults += ["--fault", line.split()[0]]
    return faults


def sheet_values(path):
    book = openpyxl.load_workbook(path)
    return {sheet.title: [list(row) for row in sheet.iter_rows(values_only=True)]
            for sheet in book.worksheets}


def hit_rows(rows):
    """The rows under the heading row of a test's sheet."""
    for at, row in enumerate(rows):
        if row and row[0] == "שורה":
            return [r for r in rows[at + 1:] if any(cell is not None for cell in r)]
    return None


def sheet_name(caption, part=1):
    suffix = "" if part == 1 else f"-{part}"
    return caption[:31 - len(suffix)] + suffix


def check_workbook(path, result):
    sheets = sheet_values(path)
    names = list(sheets)
    check(names[0] == "סיכום", f"the first sheet is {names[0]}")
    firsts = [name for name in names[1:] if not re.search(r"-\d+$", name)]
    check(firsts == [sheet_name(test["caption"]) for test in result["tests"]],
          f"the sheets after the summary: {firsts}")
    check(len(set(names)) == len(names), "two sheets share a name")
    for test in result["tests"]:
        rows = hit_rows(sheets.get(sheet_name(test["caption"]), []))
        part = 2
        while rows is not None and sheet_name(test["caption"], part) in sheets:
            rows += hit_rows(sheets[sheet_name(test["caption"], part)])
            part += 1
        check(rows is not None and len(rows) == test["hits"],
              f"{test['id']}: {None if rows is None else len(rows)} rows for {test['hits']} hits")
    drawn = [d for d in result["digits"].values() if d["all"]["actual"] is not None]
    with zipfile.ZipFile(path) as archive:
        charts = sorted(n for n in archive.namelist() if re.fullmatch(r"xl/charts/chart\d+\.xml", n))
        check(len(charts) == len(drawn), f"{len(charts)} charts for {len(drawn)} digit tests")
        for name in charts:
            chart = archive.read(name).decode()
            check("<c:barChart>" in chart and chart.count("<c:ser>") == 2,
                  f"{name} is not a column chart of two series")
    return sheets


def check_summary_sheet(path, result):
    book = openpyxl.load_workbook(path)
    for sheet in book.worksheets:
        for row in sheet.iter_rows():
            for cell in row:
                if isinstance(cell.value, str) and CELL_MARKS.search(cell.value):
                    check(False, f"{sheet.title}!{cell.coordinate} holds a directional mark: "
                                 f"{cell.value!r}")
    sheet = book.worksheets[0]
    rows = [list(r) for r in sheet.iter_rows(values_only=True)]
    headings = [at for at, r in enumerate(rows) if r and r[0] in HEADING_STARTS]
    if not headings:
        check(False, "the summary sheet has no heading row")
        return
    check(sheet.freeze_panes == f"A{headings[0] + 2}",
          f"the summary sheet freezes at {sheet.freeze_panes}, not under its first heading row "
          f"(row {headings[0] + 1})")
    for at in headings[1:]:
        above = [c for c in rows[at - 1] if c is not None]
        check(len(above) == 1 and isinstance(above[0], str),
              f"row {at + 1}: the heading row {rows[at][:3]}… stands under {above}, not its title")
    columns = None
    facts = {}
    for at, row in enumerate(rows):
        if at in headings:
            columns = row
            continue
        if columns is None:
            continue
        if columns[0] == "פרט" and row[0] is not None:
            facts[row[0]] = row[1]
        for name, value in zip(columns, row):
            if name in VALUE_COLUMNS and isinstance(value, str) and FIGURE_TEXT.match(value.strip()):
                check(False, f"summary row {at + 1}: {name} holds the text {value!r}, not a number")
    population = result["population"]
    check(facts.get("תנועות") == population["movements"],
          f"the movements read {facts.get('תנועות')!r}, not {population['movements']}")
    debit = facts.get('סה"כ חובה')
    check(debit == population["debit"] / 100,
          f"the debit reads {debit!r}, not {population['debit'] / 100}")


def normalised(text):
    text = BIDI_MARKS.sub("", text).replace("(", " ").replace(")", " ").replace(":", " ")
    return " ".join(text.split())


def compact(text):
    """The text without the marks, signs and blanks whose places the reader's ordering moves."""
    return re.sub(r"[\s():\-]", "", BIDI_MARKS.sub("", text))


def check_pdf(path, result):
    lines = [normalised(line) for line in
             subprocess.run(["pdftotext", path, "-"], capture_output=True, text=True,
                            check=True).stdout.splitlines()]
    for test in result["tests"]:
        heading = compact(f"{test['caption']} ({test['id']})")
        at = next((i for i, line in enumerate(lines) if compact(line) == heading), None)
        check(at is not None, f"the PDF has no heading {heading}")
        if at is None:
            continue
        found = None
        for line in lines[at + 1:]:
            match = re.search(r"פגיעות ([\d,]+)", line)
            if match:
                found = int(match.group(1).replace(",", ""))
                break
        check(found == test["hits"], f"{test['id']}: the PDF says {found} hits, not {test['hits']}")


def main(cli, gen):
    cli, gen = os.path.abspath(cli), os.path.abspath(gen)
    with tempfile.TemporaryDirectory() as work:
        subprocess.run([gen, "--quiet", "--movements", "2000", "--seed", "105", "--profile",
                        "audit", *journal_faults(gen), os.path.join(work, "audit")], check=True)
        with open(os.path.join(work, "params.json"), "w", encoding="utf-8") as params:
            params.write('{"late_days": 20, "report_hits": 5}\n')

        done = run(cli, "jet", "--format", "json", "--params", "params.json", "audit", cwd=work)
        check(done.returncode == 0, f"jet --format json: {done.stderr}")
        result = json.loads(done.stdout)

        for name in ("a.xlsx", "b.xlsx", "a.htm", "b.htm", "r.pdf"):
            form = name.rsplit(".", 1)[1]
            done = run(cli, "report", "jet", "--format", form, "--params", "params.json",
                       "--out", name, "audit", cwd=work)
            if form == "pdf" and "writes no PDF" in done.stderr:
                print("jet_report_forms: this build writes no PDF; the PDF is not read")
                continue
            check(done.returncode == 0, f"report jet --format {form}: {done.stderr}")

        first = check_workbook(os.path.join(work, "a.xlsx"), result)
        check_summary_sheet(os.path.join(work, "a.xlsx"), result)
        check(first == sheet_values(os.path.join(work, "b.xlsx")),
              "the same data and parameters gave workbooks that read back differently")
        with open(os.path.join(work, "a.htm"), "rb") as a, open(os.path.join(work, "b.htm"), "rb") as b:
            check(a.read() == b.read(), "the same data and parameters gave different HTML")
        if os.path.exists(os.path.join(work, "r.pdf")):
            check_pdf(os.path.join(work, "r.pdf"), result)

    for failure in FAILURES:
        print("FAIL:", failure)
    print(f"{0 if FAILURES else 1} passed, {1 if FAILURES else 0} failed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
