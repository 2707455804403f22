#!/usr/bin/python3
"""The portfolio report's forms read back by other programs, over a batch's RESULTS with an
analysed client with findings, a clean one and one whose manifest is damaged:

- the workbook (openpyxl): the summary's sheets "תיק", "כשלים" and "הרצה"; the lines of "תיק"
  equal portfolio.csv's row by row; the run sheet ends with the clients by band, charted by
  one native column chart;
- the PDF (pdftotext) and the HTML document: the clients worst first, then the clients not
  analysed with their reasons;
- made twice with SOURCE_DATE_EPOCH: the same bytes in every form;
- a folder that holds no clients' results writes no file and exits 1.

    portfolio_report_forms.py CLI GEN
"""
import csv
import os
import re
import subprocess
import sys
import tempfile
import zipfile

import openpyxl

BIDI_MARKS = re.compile("[\u061c\u200e\u200f\u202a-\u202e\u2066-\u2069]")
BANDS = ("נמוך", "בינוני", "גבוה")
FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)


def run(*command, cwd):
    return subprocess.run(command, cwd=cwd, capture_output=True, text=True,
                          env=dict(os.environ, SOURCE_DATE_EPOCH="1736937000", LC_ALL="C.UTF-8"))


def sheets_of(path):
    book = openpyxl.load_workbook(path)
    return {sheet.title: [list(row) for row in sheet.iter_rows(values_only=True)]
            for sheet in book.worksheets}


def text(value):
    return "" if value is None else str(value)


def check_workbook(path, summary):
    sheets = sheets_of(path)
    check(list(sheets) == ["תיק", "כשלים", "הרצה"], f"the sheets are {list(sheets)}")
    rows = sheets.get("תיק", [])
    heading = next((at for at, row in enumerate(rows) if row and row[0] == "rank"), None)
    check(heading is not None, "the sheet תיק has no heading row")
    if heading is not None:
        lines = [[text(cell) for cell in row] for row in rows[heading:]
                 if any(cell is not None for cell in row)]
        check(lines == summary, f"the sheet תיק differs from portfolio.csv:\n{lines}\n{summary}")
    failed = [row for row in summary[1:] if row[23] == ""]
    failures = [r for r in sheets.get("כשלים", [])[1:] if any(c is not None for c in r)]
    check([text(r[0]) for r in failures] == [row[1] for row in failed],
          f"the sheet כשלים lists {failures}")
    run_rows = sheets.get("הרצה", [])
    bands = {band: sum(1 for row in summary[1:] if row[24] == band) for band in BANDS}
    check([tuple(r[:2]) for r in run_rows[-3:]] == [(band, bands[band]) for band in BANDS],
          f"the run sheet ends {run_rows[-3:]}, not the clients by band {bands}")
    with zipfile.ZipFile(path) as archive:
        charts = [n for n in archive.namelist() if re.fullmatch(r"xl/charts/chart\d+\.xml", n)]
        check(len(charts) == 1, f"{len(charts)} charts")
        for name in charts:
            chart = archive.read(name).decode()
            check("<c:barChart>" in chart and chart.count("<c:ser>") == 1,
                  f"{name} is not a column chart of one series")


def check_order(document, summary, form):
    """The clients in rank order, then the heading of the failures and the failed clients."""
    at = 0
    for row in summary[1:]:
        found = document.find(row[1], at)
        check(found >= 0, f"{form}: {row[1]} is missing or out of rank order")
        at = max(found, at) + 1
    heading = document.find("לקוחות שלא נותחו", at)
    check(heading >= 0, f"{form}: no failures after the clients")
    for row in summary[1:]:
        if row[23] == "":
            check(document.find(row[1], heading) >= 0,
                  f"{form}: the failed {row[1]} is not among the failures")


def main(cli, gen):
    cli, gen = os.path.abspath(cli), os.path.abspath(gen)
    with tempfile.TemporaryDirectory() as work:
        clients = os.path.join(work, "in")
        subprocess.run([gen, "--quiet", "--movements", "300", "--seed", "1",
                        os.path.join(clients, "alpha")], check=True)
        subprocess.run([gen, "--quiet", "--movements", "1000", "--seed", "2", "--profile",
                        "audit", os.path.join(clients, "beta")], check=True)
        done = run(cli, "batch", "--jobs", "1", "--out", "R", "in", cwd=work)
        check(done.returncode == 0, f"batch: {done.stderr}")
        broken = os.path.join(work, "R", "clients", "broken")
        os.makedirs(broken)
        with open(os.path.join(broken, "manifest.json"), "w", encoding="utf-8") as manifest:
            manifest.write("{\n")
        done = run(cli, "batch", "merge", "R", cwd=work)
        check(done.returncode == 0, f"batch merge: {done.stderr}")
        with open(os.path.join(work, "R", "portfolio.csv"), encoding="utf-8-sig", newline="") as f:
            summary = list(csv.reader(f))

        made = {}
        for name in ("a", "b"):
            for form in ("xlsx", "htm", "xls", "pdf"):
                done = run(cli, "report", "portfolio", "--format", form, "--out",
                           f"{name}.{form}", "R", cwd=work)
                if form == "pdf" and "writes no PDF" in done.stderr:
                    print("portfolio_report_forms: this build writes no PDF; the PDF is not read")
                    continue
                check(done.returncode == 0, f"report portfolio --format {form}: {done.stderr}")
                with open(os.path.join(work, f"{name}.{form}"), "rb") as f:
                    made.setdefault(form, []).append(f.read())
        for form, outputs in made.items():
            check(len(outputs) == 2 and outputs[0] == outputs[1],
                  f"the {form} form made twice differs")

        check_workbook(os.path.join(work, "a.xlsx"), summary)
        with open(os.path.join(work, "a.htm"), encoding="cp1255") as f:
            check_order(f.read(), summary, "htm")
        if "pdf" in made:
            pages = subprocess.run(["pdftotext", os.path.join(work, "a.pdf"), "-"],
                                   capture_output=True, text=True, check=True).stdout
            check_order(BIDI_MARKS.sub("", pages), summary, "pdf")

        os.makedirs(os.path.join(work, "none"))
        done = run(cli, "report", "portfolio", "--format", "htm", "--out", "n.htm", "none",
                   cwd=work)
        check(done.returncode == 1 and "clients" in done.stderr
              and not os.path.exists(os.path.join(work, "n.htm")),
              f"a folder without results: exit {done.returncode}, {done.stderr!r}")

    for failure in FAILURES:
        print("FAIL:", failure)
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
