#!/usr/bin/python3
"""Runs keyboard_report, the C program that calls libtallyscan's keyboard and report functions.

  keyboard_report_test.py report PROGRAM FOLDER
      without an X server: the keyboard functions do nothing, and the report written through
      PlainKot and CliName holds the plain lines and the addressee box (read back with
      html.parser and, for the workbook, openpyxl).
  keyboard_report_test.py xkb PROGRAM
      on an Xvfb of its own whose keyboard setxkbmap gives US English and Hebrew, in both
      orders: Heb and Eng change the XKB group, Num and NumLock the Num Lock modifier.
  keyboard_report_test.py on-xvfb PROGRAM [ARGUMENT...]
      runs another test program on such an Xvfb (us,il) and exits as it does.
Both exit 77 (skipped) when Xvfb or setxkbmap is not installed.
"""
import ctypes
import html.parser
import os
import select
import shutil
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
# The keyboard functions decide from these whether an X server is there to switch.
WINDOW_VARIABLES = ("DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "QT_QPA_PLATFORM")


def environment(display=None):
    env = {k: v for k, v in os.environ.items() if k not in WINDOW_VARIABLES}
    if display is not None:
        env["DISPLAY"] = display
    return env


def run(command, env):
    done = subprocess.run(command, env=env, timeout=120, capture_output=True, text=True)
    sys.stderr.write(done.stderr)
    if done.returncode != 0:
        raise SystemExit(f"{' '.join(command)} exited {done.returncode}")


class Cells(html.parser.HTMLParser):
    """The text of every <td>, and the tables with their style and the texts of their rows."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.cells = []
        self.tables = []  # (style, [row texts])
        self._cell = None
        self._open = []

    def handle_starttag(self, tag, attrs):
        if tag == "table":
            table = (dict(attrs).get("style") or "", [])
            self.tables.append(table)
            self._open.append(table)
        elif tag == "td":
            self._cell = []

    def handle_endtag(self, tag):
        if tag == "td" and self._cell is not None:
            text = "".join(self._cell)
            self.cells.append(text)
            if self._open:
                self._open[-1][1].append(text)
            self._cell = None
        elif tag == "table" and self._open:
            self._open.pop()

    def handle_data(self, data):
        if self._cell is not None:
            self._cell.append(data)


LINE = "שורה פשוטה\tערך"
BOX = ["לכב' :", "ישראל כהן", "Herzl 1, Tel Aviv"]
FRAMED = "Left & <framed>"
BOX_STYLE = "float:right;position:absolute;top:160"


def check_html(path, failures):
    with open(path, "rb") as f:
        parser = Cells()
        parser.feed(f.read().decode("cp1255"))
    name = os.path.basename(path)
    for text in (LINE, FRAMED):
        if text not in [cell.strip() for cell in parser.cells]:
            failures.append(f"{name}: no cell holds {text!r}: {parser.cells}")
    boxes = [rows for style, rows in parser.tables if style == BOX_STYLE]
    if boxes != [BOX]:
        failures.append(f"{name}: the addressee box is {boxes}, not [{BOX}]")
    if any("Refused" in cell for cell in parser.cells):
        failures.append(f"{name}: a refused text was written")


def check_workbook(path, failures):
    try:
        import openpyxl
    except ImportError:
        print("openpyxl is not installed: the workbook is not read back")
        return
    texts = []
    for sheet in openpyxl.load_workbook(path).worksheets:
        for row in sheet.iter_rows(values_only=True):
            texts.extend(str(value) for value in row if value is not None)
    joined = "\n".join(texts)
    for text in ["שורה פשוטה", FRAMED] + BOX:
        if text not in joined:
            failures.append(f"report.xlsx: {text!r} is missing: {texts}")


def report_test(program, folder):
    os.makedirs(folder, exist_ok=True)
    for name in ("report.htm", "report.xls", "report.xlsx"):
        if os.path.exists(os.path.join(folder, name)):
            os.remove(os.path.join(folder, name))
    run([program, "none", folder], environment())
    failures = []
    check_html(os.path.join(folder, "report.htm"), failures)
    check_html(os.path.join(folder, "report.xls"), failures)
    check_workbook(os.path.join(folder, "report.xlsx"), failures)
    for failure in failures:
        print(failure)
    return 1 if failures else 0


def end_with_parent():
    """In the child: the server gets SIGTERM when the test ends, however it ends."""
    PR_SET_PDEATHSIG = 1
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_PDEATHSIG, 15)


def start_xvfb(xvfb, log):
    """An Xvfb on a free display number, which it names on a pipe once it takes connections.

    -noreset: a server that resets when its last client leaves forgets the keyboard that
    setxkbmap gave it."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        [xvfb, "-displayfd", str(write_end), "-noreset", "-nolisten", "tcp", "-screen", "0",
         "640x480x24"],
        pass_fds=(write_end,), stdout=log, stderr=log, preexec_fn=end_with_parent)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 60
    try:
        while not number.endswith(b"\n"):
            left = deadline - time.monotonic()
            if left <= 0 or not select.select([read_end], [], [], left)[0]:
                raise SystemExit("Xvfb did not start within 60 s")
            chunk = os.read(read_end, 16)
            if not chunk:
                raise SystemExit("Xvfb ended before it took connections")
            number += chunk
    except BaseException:
        stop(server)
        raise
    finally:
        os.close(read_end)
    return server, ":" + number.decode().strip()


def stop(server):
    server.terminate()
    try:
        server.wait(timeout=10)
    except subprocess.TimeoutExpired:
        server.kill()
        server.wait()


def xkb_tools():
    xvfb, setxkbmap = shutil.which("Xvfb"), shutil.which("setxkbmap")
    if xvfb is None or setxkbmap is None:
        print("Xvfb or setxkbmap is not installed (xvfb, x11-xkb-utils): skipped")
    return xvfb, setxkbmap


def xkb_test(program):
    xvfb, setxkbmap = xkb_tools()
    if xvfb is None or setxkbmap is None:
        return SKIPPED
    with tempfile.TemporaryFile() as log:
        server, display = start_xvfb(xvfb, log)
        try:
            # The group of each layout follows the order given, so both orders are tried: the
            # functions must find the layout by its name, not by its place.
            for layouts, english, hebrew in (("us,il", 0, 1), ("il,us", 1, 0)):
                run([setxkbmap, "-display", display, layouts], environment())
                run([program, "x11", str(english), str(hebrew)], environment(display))
        finally:
            stop(server)
    return 0


def on_xvfb(command):
    """Runs a test program on an Xvfb with the layouts us,il, named to it by DISPLAY and by
    TALLYSCAN_XVFB_DISPLAY (which tells it that the keyboard there is its own to switch)."""
    xvfb, setxkbmap = xkb_tools()
    if xvfb is None or setxkbmap is None:
        return SKIPPED
    with tempfile.TemporaryFile() as log:
        server, display = start_xvfb(xvfb, log)
        try:
            run([setxkbmap, "-display", display, "us,il"], environment())
            env = environment(display)
            env["TALLYSCAN_XVFB_DISPLAY"] = display
            return subprocess.run(command, env=env, timeout=600).returncode
        finally:
            stop(server)


def main():
    if len(sys.argv) == 4 and sys.argv[1] == "report":
        return report_test(sys.argv[2], sys.argv[3])
    if len(sys.argv) == 3 and sys.argv[1] == "xkb":
        return xkb_test(sys.argv[2])
    if len(sys.argv) >= 3 and sys.argv[1] == "on-xvfb":
        return on_xvfb(sys.argv[2:])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main())
