#!/usr/bin/python3
"""The comparison report's forms read back by other programs, on a generated year and the next
with every planted fault of the comparison:

- the workbook (openpyxl): the cover sheet, then a sheet per table in the order of the tables,
  whose rows under the heading row are the JSON result's rows of that table, key by key, with
  the amounts as numbers equal to the result's agorot; one native column chart of the largest
  changes by classification group, as many bars as there are groups that changed (ten at most);
- the PDF (pdftotext): the cover's texts, and the key of every error or flagged row;
- made twice from the same data: the same bytes in every form.

    compare_report_forms.py CLI GEN
"""
import json
import os
import re
import subprocess
import sys
import tempfile
import zipfile

import openpyxl

BIDI_MARKS = re.compile("[\u200e\u200f\u202a-\u202e\u2066-\u2069]")
FAILURES = []

# Each table: its sheet, its heading row's first caption, where its rows are in the result,
# and per column the result's field and whether it is an amount in agorot.
TABLES = [
    ("יתרות פתיחה", "חשבון", ("openings", "rows"),
     [("key", False), ("name", False), ("classification", False), (None, False),
      ("prior_closing", True), ("current_opening", True), ("expected", True),
      ("difference", True)]),
    ("סקירה לפי חשבון", "חשבון", ("review", "accounts"),
     [("key", False), ("caption", False), ("prior", True), ("current", True), ("change", True)]),
    ("סקירה לפי קוד מאזן", "קוד מאזן", ("review", "codes"),
     [("key", False), ("caption", False), ("prior", True), ("current", True), ("change", True)]),
    ("סקירה לפי קבוצת סיווג", "קבוצת סיווג", ("review", "groups"),
     [("key", False), ("caption", False), ("prior", True), ("current", True), ("change", True)]),
    ("חשבונות שנוספו ושנעלמו", "השינוי", ("accounts", "rows"),
     [(None, False), ("key", False), ("prior", False), ("current", False)]),
    ("צדדים נגדיים חדשים", "חשבון", ("counterparties", "rows"),
     [("key", False), ("name", False), ("dealer_number", False), ("total", True)]),
]
COVER_TEXTS = ["השוואת תקופות", "הזיהוי", "התקופה הקודמת", "התקופה הנוכחית", "הפרמטרים",
               "התאמת יתרות הפתיחה", "תוצאת התקופה הקודמת"]


def check(condition, what):
    if not condition:
        FAILURES.append(what)


def run(*command, cwd):
    return subprocess.run(command, cwd=cwd, capture_output=True, text=True,
                          env=dict(os.environ, SOURCE_DATE_EPOCH="1736937000", LC_ALL="C.UTF-8"))


def text_of(value):
    return "" if value is None else str(value)


def rows_under(rows, first_caption):
    """The rows between the table's heading row and the next title (a row of one cell), empty
    row or the sheet's end."""
    for at, row in enumerate(rows):
        if row and row[0] == first_caption:
            taken = []
            for r in rows[at + 1:]:
                if all(cell is None for cell in r[1:]):
                    break
                taken.append(r)
            return taken
    return None


def check_workbook(path, result):
    book = openpyxl.load_workbook(path)
    names = [sheet.title for sheet in book.worksheets]
    check(names == ["שער"] + [t[0] for t in TABLES], f"the sheets are {names}")
    for sheet_name, first, (part, table), columns in TABLES:
        if sheet_name not in names:
            continue
        rows = rows_under([list(r) for r in book[sheet_name].iter_rows(values_only=True)], first)
        expected = result[part][table]
        check(rows is not None and len(rows) == len(expected),
              f"{sheet_name}: {None if rows is None else len(rows)} rows for {len(expected)}")
        for row, want in zip(rows or [], expected):
            for column, (field, amount) in enumerate(columns):
                if field is None:
                    continue
                got, value = row[column], want[field]
                if amount:
                    ok = (got in (None, "") and value is None) or (
                        isinstance(got, (int, float)) and value is not None
                        and abs(got - value / 100) < 0.005)
                else:
                    # A group's range is shown with a hyphen.
                    ok = text_of(got) == text_of(value).replace("\u2013", "-")
                check(ok, f"{sheet_name} {want.get('key')}: {field} reads {got!r}, not {value!r}")
    changed = [g for g in result["review"]["groups"] if g["change"] != 0]
    with zipfile.ZipFile(path) as archive:
        charts = sorted(n for n in archive.namelist() if re.fullmatch(r"xl/charts/chart\d+\.xml", n))
        check(len(charts) == (1 if changed else 0), f"{len(charts)} charts")
        for name in charts:
            chart = archive.read(name).decode()
            check("<c:barChart>" in chart and chart.count("<c:ser>") == 1,
                  f"{name} is not a column chart of one series")
            cells = re.search(r"<c:cat>.*?<c:f>[^<]*!\$A\$(\d+):\$A\$(\d+)</c:f>", chart, re.S)
            bars = None if cells is None else int(cells.group(2)) - int(cells.group(1)) + 1
            check(bars == min(10, len(changed)),
                  f"{name}: {bars} bars for {min(10, len(changed))} groups")


def compact(text):
    """The text without the marks, signs and blanks whose places the reader's ordering moves."""
    return re.sub(r"[\s():\-–]", "", BIDI_MARKS.sub("", text))


def error_keys(result):
    keys = [r["key"] for r in result["openings"]["rows"] if r["status"] == "error"]
    for table in ("accounts", "codes", "groups"):
        keys += [r["key"] for r in result["review"][table] if r["flagged"]]
    keys += [r["key"] for r in result["counterparties"]["rows"]]
    return keys


def check_pdf(path, result):
    text = subprocess.run(["pdftotext", path, "-"], capture_output=True, text=True,
                          check=True).stdout
    lines = [compact(line) for line in text.splitlines()]
    for words in COVER_TEXTS:
        check(any(compact(words) in line for line in lines), f"the PDF's cover has no {words}")
    keys = error_keys(result)
    check(len(keys) > 0, "the result has no error row")
    for key in keys:
        check(any(compact(key) in line for line in lines), f"the PDF has no error row {key}")


def main(cli, gen):
    cli, gen = os.path.abspath(cli), os.path.abspath(gen)
    with tempfile.TemporaryDirectory() as work:
        faults = []
        for line in subprocess.run([gen, "--list-next-year-faults"], capture_output=True,
                                   text=True, check=True).stdout.splitlines():
            if line.split():
                faults += ["--fault", line.split()[0]]
        subprocess.run([gen, "--quiet", "--movements", "1500", "--seed", "31",
                        os.path.join(work, "prior")], check=True)
        subprocess.run([gen, "--next-year", os.path.join(work, "prior"),
                        os.path.join(work, "current"), "--seed", "201", *faults], check=True,
                       capture_output=True)
        done = run(cli, "compare", "--format", "json", "prior", "current", cwd=work)
        check(done.returncode == 0, f"compare --format json: {done.stderr}")
        result = json.loads(done.stdout)

        written = {}
        for name in ("a.xlsx", "b.xlsx", "a.htm", "b.htm", "a.xls", "b.xls", "a.pdf", "b.pdf"):
            form = name.rsplit(".", 1)[1]
            done = run(cli, "report", "compare", "--format", form, "--out", name, "prior",
                       "current", cwd=work)
            if form == "pdf" and "writes no PDF" in done.stderr:
                print("compare_report_forms: this build writes no PDF; the PDF is not read")
                continue
            check(done.returncode == 0, f"report compare --format {form}: {done.stderr}")
            with open(os.path.join(work, name), "rb") as made:
                written[name] = made.read()
        for form in ("xlsx", "htm", "xls", "pdf"):
            if f"a.{form}" in written:
                check(written[f"a.{form}"] == written[f"b.{form}"],
                      f"the same data gave two different {form} files")

        # The report's file may not replace a file of either period.
        done = run(cli, "report", "compare", "--format", "htm", "--out", "prior/INI.TXT",
                   "prior", "current", cwd=work)
        check(done.returncode == 1, f"--out into the prior's INI.TXT exits {done.returncode}")

        check_workbook(os.path.join(work, "a.xlsx"), result)
        if "a.pdf" in written:
            check_pdf(os.path.join(work, "a.pdf"), result)

    for failure in FAILURES:
        print("FAIL:", failure)
    print(f"{0 if FAILURES else 1} passed, {1 if FAILURES else 0} failed")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
