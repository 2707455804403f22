#!/usr/bin/python3
"""Compares two JSON results of the journal-entry tests on the keys that two independent
readings must agree on: the test ids and their order, each test's state, usable_share, hits,
hit_amount, lines and ranges, every key of digits, the ranking, and the population's
reconciles, period and unbalanced batches. Floats agree within 1e-12 absolute or 1e-9
relative, everything else exactly. Prints each difference; exit 1 when there is any.

    compare_jet.py A.json B.json
"""
import json
import sys

TEST_KEYS = ["state", "usable_share", "hits", "hit_amount", "lines", "ranges"]
SHOWN = 10  # elements listed of a difference between two lists of lines


def is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def numbers_agree(a, b):
    if isinstance(a, int) and isinstance(b, int):
        return a == b
    difference = abs(a - b)
    return difference <= 1e-12 or difference <= 1e-9 * max(abs(a), abs(b))


def shown(lines):
    ordered = sorted(lines)
    return f"{ordered[:SHOWN]}{' ...' if len(ordered) > SHOWN else ''}"


def compare(a, b, path, differences):
    """Appends a line per difference under `path`, descending into objects and lists."""
    if is_number(a) and is_number(b):
        if not numbers_agree(a, b):
            differences.append(f"{path}: {a!r} != {b!r}")
    elif isinstance(a, dict) and isinstance(b, dict):
        for key in [k for k in a if k not in b]:
            differences.append(f"{path}.{key}: only in A")
        for key in [k for k in b if k not in a]:
            differences.append(f"{path}.{key}: only in B")
        for key in [k for k in a if k in b]:
            compare(a[key], b[key], f"{path}.{key}", differences)
    elif isinstance(a, list) and isinstance(b, list) and path.endswith(".lines"):
        if a != b:
            differences.append(f"{path}: {len(a)} lines != {len(b)}; only in A {shown(set(a) - set(b))}"
                               f", only in B {shown(set(b) - set(a))}")
    elif isinstance(a, list) and isinstance(b, list):
        if len(a) != len(b):
            differences.append(f"{path}: {len(a)} elements != {len(b)}")
        for i, (x, y) in enumerate(zip(a, b)):
            compare(x, y, f"{path}[{i}]", differences)
    elif type(a) is not type(b) or a != b:
        differences.append(f"{path}: {json.dumps(a, ensure_ascii=False)} != "
                           f"{json.dumps(b, ensure_ascii=False)}")


def compared_part(document):
    """What two readings must agree on, in a form `compare` walks."""
    population = document.get("population", {})
    tests = {}
    for test in document.get("tests", []):
        tests[test["id"]] = {key: test[key] for key in TEST_KEYS if key in test}
    return {
        "population": {"reconciles": population.get("reconciles"),
                       "period": population.get("period"),
                       "unbalanced batches": [batch.get("batch")
                                              for batch in population.get("batches_off", [])]},
        "test ids": [test["id"] for test in document.get("tests", [])],
        "tests": tests,
        "digits": document.get("digits"),
        "ranking": document.get("ranking"),
    }


def differences_between(a, b):
    differences = []
    compare(compared_part(a), compared_part(b), "", differences)
    return [line.removeprefix(".") for line in differences]


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().split("\n\n")[-1].strip(), file=sys.stderr)
        return 2
    documents = []
    for path in argv:
        with open(path, encoding="utf-8") as file:
            documents.append(json.load(file))
    differences = differences_between(*documents)
    for line in differences:
        print(line)
    if differences:
        print(f"{len(differences)} difference(s) between {argv[0]} (A) and {argv[1]} (B)")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
