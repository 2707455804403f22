#!/usr/bin/python3
"""Every report kind's HTML document, in both forms (".Xls" and ".Htm"), read by Python's own
HTML parser: every element it opens is closed, in order (void elements aside), and no table
stands inside another, since a mail program or a preview lays nested tables out in a time that
grows with their depth. The browsers', the checks', the import's and the statistics' reports
on a plain set with every fault, the evidence report on an audit set with every journal fault.

    report_html_forms.py CLI GEN
"""
import html.parser
import os
import subprocess
import sys
import tempfile

VOID = {"br", "meta", "hr", "img", "input", "link", "col", "area", "base", "wbr"}
FAILURES = []


class Structure(html.parser.HTMLParser):
    """The faults of a document's element structure."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.open = []
        self.faults = []
        self.tables = 0
        self.deepest = 0

    def handle_starttag(self, tag, attrs):
        if tag in VOID:
            return
        self.open.append((tag, self.getpos()[0]))
        if tag == "table":
            self.tables += 1
            self.deepest = max(self.deepest, sum(1 for name, _ in self.open if name == "table"))

    def handle_startendtag(self, tag, attrs):
        pass

    def handle_endtag(self, tag):
        if tag in VOID:
            return
        if not self.open or self.open[-1][0] != tag:
            top = self.open[-1] if self.open else ("nothing", 0)
            self.faults.append(f"line {self.getpos()[0]}: </{tag}> where <{top[0]}> of line "
                               f"{top[1]} is open")
            # Carry on from the element it closes, if it is open at all.
            for at in range(len(self.open) - 1, -1, -1):
                if self.open[at][0] == tag:
                    del self.open[at:]
                    break
            return
        self.open.pop()


def faults_of(path):
    with open(path, "rb") as document:
        text = document.read().decode("cp1255")
    parser = Structure()
    parser.feed(text)
    parser.close()
    faults = list(parser.faults)
    faults += [f"<{tag}> of line {line} is never closed" for tag, line in parser.open]
    if parser.tables == 0:
        faults.append("no table")
    if parser.deepest > 1:
        faults.append(f"tables inside tables, {parser.deepest} deep")
    return faults


def run(*command, cwd):
    return subprocess.run(command, cwd=cwd, capture_output=True, text=True,
                          env=dict(os.environ, SOURCE_DATE_EPOCH="1736937000", LC_ALL="C.UTF-8"))


def faults_listed(gen, option):
    listed = subprocess.run([gen, option], capture_output=True, text=True, check=True).stdout
    faults = []
    for line in listed.splitlines():
        if line.split():
            faults += ["--fault", line.split()[0]]
    return faults


def account_bounds(folder):
    with open(os.path.join(folder, "BKMVDATA.TXT"), "rb") as data:
        keys = sorted(line[22:37].decode("cp1255").strip() for line in data
                      if line.startswith(b"B110"))
    return keys[0], keys[-1]


def main(cli, gen):
    cli, gen = os.path.abspath(cli), os.path.abspath(gen)
    with tempfile.TemporaryDirectory() as work:
        subprocess.run([gen, "--quiet", "--movements", "600", "--seed", "102",
                        *faults_listed(gen, "--list-faults"), os.path.join(work, "faults")],
                       check=True)
        subprocess.run([gen, "--quiet", "--movements", "2000", "--seed", "105", "--profile",
                        "audit", *faults_listed(gen, "--list-journal-faults"),
                        os.path.join(work, "audit")], check=True)
        first, last = account_bounds(os.path.join(work, "faults"))
        reports = [
            ("index", ["--sort", "3"], "faults"),
            ("ledger", ["--from", first, "--to", last], "faults"),
            ("document", ["--type", "305"], "faults"),
            ("items", [], "faults"),
            ("checks", [], "faults"),
            ("import", [], "faults"),
            ("fields", [], "faults"),
            ("summary-documents", [], "faults"),
            ("summary-records", [], "faults"),
            ("jet", [], "audit"),
            # The set compared with itself: the prior comes first, the current last.
            ("compare", ["faults"], "faults"),
        ]
        checked = 0
        for kind, options, folder in reports:
            for form in ("xls", "htm"):
                name = f"{kind}.{form}"
                done = run(cli, "report", kind, *options, "--format", form, "--out", name, folder,
                           cwd=work)
                if done.returncode != 0:
                    FAILURES.append(f"report {kind} --format {form}: {done.stderr.strip()}")
                    continue
                checked += 1
                faults = faults_of(os.path.join(work, name))
                FAILURES.extend(f"{name}: {fault}" for fault in faults[:5])
                if len(faults) > 5:
                    FAILURES.append(f"{name}: and {len(faults) - 5} more")

    for failure in FAILURES:
        print("FAIL:", failure)
    print(f"{checked} documents read, {len(FAILURES)} faults")
    return 1 if FAILURES or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
