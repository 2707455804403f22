#!/usr/bin/python3
"""The documents against the programs and against each other.

- Every command that `tallyscan-cli --help` lists has a row of the README's command table and
  an entry under COMMANDS in tallyscan-cli.1.
- Every option that `tallyscan-gen --help` lists is in tallyscan-gen.1.
- Every relative link and picture of README.md, CONTRIBUTING.md, CHANGELOG.md and docs/*.md
  names a file or folder of the checkout, and every #anchor a heading of the file it points to.
- The README stays a five-minute read: under 12,000 bytes.

usage: docs_test.py TALLYSCAN_CLI SOURCE_DIR TALLYSCAN_GEN
"""

import pathlib
import re
import subprocess
import sys

README_LIMIT = 12000

LINK = re.compile(r"!?\[(?:[^\[\]]|\[[^\]]*\])*\]\(([^()\s]+)(?:\s+\"[^\"]*\")?\)")
FENCE = re.compile(r"^```.*?^```[^\n]*$", re.M | re.S)
CODE_SPAN = re.compile(r"(`+).+?\1", re.S)
COMMENT = re.compile(r"<!--.*?-->", re.S)
HEADING = re.compile(r"^(#{1,6})\s+(.*?)\s*#*\s*$", re.M)


def usage_of(program):
    """What a program prints for --help, standard error included."""
    done = subprocess.run([program, "--help"], capture_output=True, text=True, check=False)
    return done.stdout + done.stderr


def prose(markdown):
    """The text in which links count: no fenced or indented code, no code spans, no comments."""
    text = COMMENT.sub("", FENCE.sub("", markdown))
    kept = [line for line in text.split("\n") if not line.startswith("    ")]
    return CODE_SPAN.sub("", "\n".join(kept))


def anchor(heading):
    """The anchor the forge gives a heading: lower case, punctuation dropped, blanks as '-'."""
    text = re.sub(r"`([^`]*)`", r"\1", heading)
    text = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", text)
    text = "".join(c for c in text.lower() if c.isalnum() or c in " -_")
    return text.replace(" ", "-")


def anchors_of(path):
    """Every anchor of a Markdown file's headings, the repeats numbered as the forge does."""
    seen = {}
    found = set()
    for match in HEADING.finditer(FENCE.sub("", path.read_text(encoding="utf-8"))):
        name = anchor(match.group(2))
        count = seen.get(name, 0)
        seen[name] = count + 1
        found.add(name if count == 0 else f"{name}-{count}")
    return found


def check_links(document, source_dir, fail):
    for target in LINK.findall(prose(document.read_text(encoding="utf-8"))):
        if re.match(r"^[a-z][a-z0-9+.-]*:", target):  # https:, mailto: and the like
            continue
        where, _, fragment = target.partition("#")
        linked = (document.parent / where).resolve() if where else document
        name = f"{document.relative_to(source_dir)}: {target}"
        if source_dir not in linked.parents and linked != source_dir:
            fail(f"{name} leads out of the checkout")
        elif not linked.exists():
            fail(f"{name}: no such file")
        elif fragment:
            if linked.suffix != ".md":
                fail(f"{name}: an anchor into a file that is not Markdown")
            elif fragment not in anchors_of(linked):
                fail(f"{name}: {linked.name} has no heading with that anchor")


def main():
    cli, source_dir, gen = sys.argv[1], pathlib.Path(sys.argv[2]).resolve(), sys.argv[3]
    failures = []
    fail = failures.append

    readme = source_dir / "README.md"
    size = len(readme.read_bytes())
    if size >= README_LIMIT:
        fail(f"README.md is {size} bytes, not under {README_LIMIT}")

    commands = sorted(set(re.findall(r"^  tallyscan-cli ([a-z][a-z-]*)", usage_of(cli), re.M)))
    if not commands:
        fail("tallyscan-cli --help lists no command")
    table_rows = set(re.findall(r"^\| `([a-z][a-z-]*)`", readme.read_text(encoding="utf-8"), re.M))
    page = (source_dir / "packaging/man/tallyscan-cli.1").read_text(encoding="utf-8")
    entries = re.search(r"^\.SH COMMANDS$(.*?)^\.SH ", page, re.M | re.S)
    entries = entries.group(1) if entries else ""
    for command in commands:
        if command not in table_rows:
            fail(f"README.md's command table has no row for {command}")
        if not re.search(rf'^\.BR? "?{command}( |"|$)', entries, re.M):
            fail(f"tallyscan-cli.1 has no entry for {command} under COMMANDS")

    gen_page = (source_dir / "packaging/man/tallyscan-gen.1").read_text(encoding="utf-8")
    for option in sorted(set(re.findall(r"--[a-z][a-z-]*", usage_of(gen)))):
        if option.replace("-", "\\-") not in gen_page:
            fail(f"tallyscan-gen.1 does not document {option}")

    documents = [readme, source_dir / "CONTRIBUTING.md", source_dir / "CHANGELOG.md"]
    documents += sorted((source_dir / "docs").glob("*.md"))
    for document in documents:
        if not document.exists():
            fail(f"{document.relative_to(source_dir)} is missing")
        else:
            check_links(document, source_dir, fail)

    for failure in failures:
        print(f"FAIL: {failure}")
    if failures:
        print(f"{len(failures)} problem(s)")
        return 1
    print(f"commands: {' '.join(commands)}; documents: {len(documents)}; README {size} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main())
