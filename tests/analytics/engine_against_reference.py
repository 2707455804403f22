#!/usr/bin/python3
"""The command line's journal-entry result against the reference reading, on small seeded
sets of every kind the generator makes: a realistic ledger with every journal-entry fault
planted, a plain set, a DOS-coded and a zipped one, and a set with every fault the import and
the checks find. Each set is generated, run through `tallyscan-cli jet --format json` and
through jet_reference.py, and the two documents must agree as compare_jet.py decides.

    engine_against_reference.py CLI GEN
"""
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
REFERENCE = os.path.join(HERE, "jet_reference.py")
COMPARE = os.path.join(HERE, "compare_jet.py")
CLI, GEN = (sys.argv.pop(1), sys.argv.pop(1)) if len(sys.argv) > 2 else (None, None)


def fault_names(listing):
    """The names --list-faults or --list-journal-faults prints, one a line before its text."""
    out = subprocess.run([GEN, listing], check=True, capture_output=True, text=True).stdout
    return [line.split()[0] for line in out.splitlines() if line.strip()]


def options_of_each_set():
    journal = [arg for name in fault_names("--list-journal-faults") for arg in ("--fault", name)]
    checks = [arg for name in fault_names("--list-faults") for arg in ("--fault", name)]
    return {
        "audit-every-fault": ["--movements", "3000", "--seed", "61", "--profile", "audit", *journal],
        "plain": ["--movements", "2000", "--seed", "62"],
        "dos": ["--movements", "1500", "--seed", "63", "--dos"],
        "zipped": ["--movements", "1500", "--seed", "64", "--zip"],
        "check-faults": ["--movements", "1500", "--seed", "65", *checks],
    }


@unittest.skipIf(GEN is None, "no command line or generator given")
class EngineAgainstReference(unittest.TestCase):
    def test_each_set_reads_alike_in_the_engine_and_the_reference(self):
        with tempfile.TemporaryDirectory() as root:
            for name, options in options_of_each_set().items():
                with self.subTest(set=name):
                    folder = os.path.join(root, name)
                    subprocess.run([GEN, "--quiet", *options, folder], check=True)
                    engine, reference = folder + ".engine.json", folder + ".reference.json"
                    with open(engine, "wb") as out:
                        run = subprocess.run([CLI, "jet", "--format", "json", folder], stdout=out,
                                             stderr=subprocess.PIPE)
                    self.assertEqual(0, run.returncode, run.stderr.decode(errors="replace"))
                    with open(reference, "wb") as out:
                        subprocess.run(["/usr/bin/python3", REFERENCE, folder], stdout=out, check=True)
                    compared = subprocess.run(["/usr/bin/python3", COMPARE, engine, reference],
                                              capture_output=True, text=True)
                    self.assertEqual(0, compared.returncode, compared.stdout[-3000:])


if __name__ == "__main__":
    unittest.main()
