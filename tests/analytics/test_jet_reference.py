#!/usr/bin/python3
"""The reference reading of the journal-entry tests on hand-made folders at each rule's
boundaries, and on generated sets that must read alike however they are stored.

    test_jet_reference.py [GEN]     GEN: tallyscan-gen, for the generated sets
"""
import datetime
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest
import zipfile
from math import log10, sqrt

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import compare_jet  # noqa: E402
import jet_reference as jet  # noqa: E402

GEN = sys.argv.pop(1) if len(sys.argv) > 1 else None
WIDTHS = {"A000": 466, "B100": 317, "B110": 376, "C100": 444}
MOVEMENT = {1353: "1", 1355: "1", 1357: "100", 1358: "305", 1361: "שכר", 1362: "20240310",
            1364: "1100", 1365: "2100", 1366: "1", 1368: "+00000000010000", 1375: "20240310",
            1376: "user01"}


def raw(value):
    return value if isinstance(value, bytes) else jet.cp1255_bytes(value)


def record(kind, values):
    """A line of the record's full width with the values at their fields (None: blank)."""
    line = bytearray(kind.encode() + b" " * (WIDTHS[kind] - 4))
    for code, value in values.items():
        start, width = jet.FIELDS[kind][code]
        if value is not None:
            line[start - 1:start - 1 + width] = raw(value).ljust(width)[:width]
    return bytes(line)


def movement(**values):
    return record("B100", {**MOVEMENT, **{int(code[1:]): v for code, v in values.items()}})


def shekels(value):
    agorot = round(value * 100)
    return f"{'-' if agorot < 0 else '+'}{abs(agorot):014d}"


def write_set(folder, lines, header=None, zipped=False, names=("INI.TXT", "BKMVDATA.TXT")):
    header = {1023: "2024", 1024: "20240101", 1025: "20241231", **(header or {})}
    with open(os.path.join(folder, names[0]), "wb") as ini:
        ini.write(record("A000", header) + b"\r\nB100000000000000001\r\n")
    data = b"".join(line + b"\r\n" for line in lines) if isinstance(lines, list) else lines
    if zipped:
        with zipfile.ZipFile(os.path.join(folder, names[1]), "w") as archive:
            archive.writestr("BKMVDATA.TXT", data)
    else:
        with open(os.path.join(folder, names[1]), "wb") as file:
            file.write(data)


def run(lines, params=None, tests=None, **options):
    with tempfile.TemporaryDirectory() as folder:
        write_set(folder, lines, **options)
        return jet.run_pack(jet.read_folder(folder), jet.parameters_from(params or {}),
                            jet.chosen_tests(tests))


def entry(result, test):
    return next(t for t in result["tests"] if t["id"] == test)


def dos_visual(text):
    """A Hebrew-only text as the DOS code page stores it: reversed, letters 0x60 lower."""
    return bytes(b - 0x60 if b >= 0xE0 else b for b in reversed(jet.cp1255_bytes(text)))


def document(kind="305", number="1", **values):
    return record("C100", {1203: kind, 1204: number, 1205: "20240101", 1206: "1000",
                           1230: "20240101", **{int(c[1:]): v for c, v in values.items()}})


def account(key, opening, debit, credit):
    return record("B110", {1403: key, 1414: opening, 1415: debit, 1416: credit})


class HitRules(unittest.TestCase):
    def test_each_rule_hits_exactly_its_lines_at_the_boundaries(self):
        m = movement
        cases = [  # (test, lines, parameters, hit lines)
            ("late-entry", [m(f1362="20240101", f1375="20240131"), m(f1362="20240101", f1375="20240201"),
                            m(f1362="20240230")], {}, [2]),
            ("post-closing", [m(f1362="20241231", f1375="20250101"), m(f1362="20241231", f1375="20241231"),
                              m(f1362="20250102", f1375="20250105"), m(f1362="20231231", f1375="20250101")],
             {}, [1]),
            ("period-end", [m(f1362=d) for d in ("20241226", "20241227", "20241231")], {}, [2, 3]),
            ("weekend", [m(f1375="20240308", f1362="20240304"), m(f1375=None, f1362="20240309"),
                         m(f1375="20240310", f1362="20240309")], {}, [1, 2]),
            # Rosh Hashana; Independence Day moved from Monday 5 Iyar to 6 Iyar; their eves.
            ("holiday", [m(f1375=d) for d in ("20241003", "20240514", "20240513", "20241002")], {}, [1, 2]),
            ("holiday", [m(f1375=d) for d in ("20241003", "20240514", "20240513", "20241002", "20240310")],
             {"holiday_eves": True, "extra_holidays": ["2024-03-10"]}, [1, 2, 3, 4, 5]),
            ("rare-operator", [m(f1376="a")] * 9 + [m(f1376="b")] * 10 + [m(f1376=None)], {},
             list(range(1, 10))),
            ("seldom-account", [m(f1364="7")] * 3 + [m(f1364="8")] * 4, {}, [1, 2, 3]),
            ("rare-flow", [m(f1364="1", f1365="2"), m(f1364="1", f1365="3"), m(f1364="1", f1365="3"),
                           m(f1364="2", f1365="1"), m(f1365=None)], {}, [1, 4]),
            ("round-amount", [m(f1368=shekels(v)) for v in (1000, -3000, 1000.01, 0, 500)], {}, [1, 2]),
            ("duplicate", [m(f1353="1", f1357="R1"), m(f1353="2", f1357="R1"), m(f1353="3", f1357="R2"),
                           m(f1353="3", f1357="R2"), m(f1353=None, f1357="R3"), m(f1353=None, f1357="R3"),
                           m(f1353="4", f1357="R1", f1366="2"), m(f1353="5", f1357=None),
                           m(f1353="6", f1357=None)], {}, [1, 2, 5, 6]),
            ("below-limit", [m(f1368=shekels(9000))] * 10 + [m(f1368=shekels(10999.99))] * 4
             + [m(f1368=shekels(8999.99)), m(f1368=shekels(11000))], {"limits": ["10000.00"]},
             list(range(1, 11))),
            ("below-limit", [m(f1368=shekels(9000))] * 10 + [m(f1368=shekels(10000))] * 5,
             {"limits": ["10000.00"]}, []),
            ("blank-description", [m(f1361=None), m(f1361="x")], {}, [1]),
            ("keyword", [m(f1361="לתיקון חשבון"), m(f1361="רגיל")], {}, [1]),
            ("no-reference", [m(f1357=None, f1359=None), m(f1357=None, f1359="5")], {}, [1]),
            ("missing-document", [m(f1357="0042", f1358="305"), m(f1357="43", f1358="305"),
                                  m(f1357="43", f1358="700"), m(f1357=None), m(f1357="43", f1358=None),
                                  document(number="42"), document(kind=None)], {}, [2]),
            ("reversal", [m(f1353="1", f1368=shekels(500), f1362="20240101"),
                          m(f1353="2", f1366="2", f1368=shekels(-500), f1362="20240131"),
                          m(f1353="3", f1366="2", f1368=shekels(500), f1362="20240201"),
                          m(f1353="4", f1364="2100", f1365="1100", f1366="2", f1368=shekels(500)),
                          m(f1353="1", f1366="2", f1368=shekels(500), f1362="20240101"),
                          m(f1353="5", f1364="Z", f1368=shekels(0)),
                          m(f1353="6", f1364="Z", f1366="2", f1368=shekels(0))], {}, [1, 2]),
            ("high-value", [m(f1368=shekels(v)) for v in (100, 300, 300, 200, -300)],
             {"high_value_top": 2}, [2, 3]),
            ("relative-size", [m(f1364=a, f1368=shekels(v)) for a, v in
                               [("A", 1000), ("A", 100), ("A", 50), ("B", 1000), ("B", 100.01), ("B", 1),
                                ("C", 5), ("C", 5), ("C", 0), ("D", 3), ("D", 0), ("D", 0),
                                ("E", 900), ("E", 1)]], {}, [1, 10]),
            ("relative-size", [m(f1364=a, f1368=shekels(v)) for a, v in
                               [("C", 5), ("C", 5), ("C", 0), ("B", 5), ("B", 4), ("B", 0)]],
             {"relative_size_ratio": "1"}, [4]),
            ("after-hours", [document(f1206=t) for t in ("0659", "0700", "1959", "2000", "2400", None)],
             {}, [1, 4]),
            ("backdated-document", [document(f1205="20240131"), document(f1205="20240201")], {}, [2]),
            ("cancelled-document", [document(f1228=c) for c in ("1", " ", "0")], {}, [1]),
        ]
        for test, lines, params, hits in cases:
            with self.subTest(test=test, params=params):
                result = entry(run(lines, params), test)
                self.assertEqual(hits, result["lines"])
                self.assertEqual(len(hits), result["hits"])

    def test_gaps_are_ranges_and_repeated_documents_are_lines(self):
        m = movement
        result = entry(run([m(f1353=t) for t in ("1", "0002", "5", "9", " A1", None)]), "transaction-gap")
        self.assertEqual(([[3, 4], [6, 8]], 2, [], 4 / 6),
                         (result["ranges"], result["hits"], result["lines"], result["usable_share"]))
        documents = [document("400", "7"), document("305", "1"), document("305", "2"),
                     document("305", "0005"), document("305", "5"), document("400", "99999999999999999997"),
                     document("400", "99999999999999999999"), document("305", None)]
        result = entry(run(documents), "document-gap")
        self.assertEqual([["3", "4", "305"], ["8", "99999999999999999996", "400"],
                          ["99999999999999999998", "99999999999999999998", "400"]], result["ranges"])
        self.assertEqual(([4, 5], 5), (result["lines"], result["hits"]))

    def test_a_dos_coded_set_matches_keywords_after_its_conversion(self):
        lines = [movement(f1361=dos_visual("לתיקון")), movement(f1361=dos_visual("רגיל"))]
        self.assertEqual([1], entry(run(lines, header={1029: "2"}), "keyword")["lines"])
        self.assertEqual([], entry(run(lines), "keyword")["lines"])


class Population(unittest.TestCase):
    def test_an_account_is_a_hit_only_when_both_roll_forwards_fail(self):
        zero, hundred = shekels(0), shekels(100)
        lines = [account("1100", zero, hundred, zero),  # 100.99 moved: within 99 agorot
                 account("1200", shekels(1), hundred, zero),  # 101.00: only with the opening
                 account("1300", zero, hundred, zero),  # 101.00: neither
                 account("1400", zero, None, zero),  # totals unusable: counted, no hit
                 account("1500", None, hundred, zero),  # fails the first, cannot try the second
                 movement(f1364="1100", f1368=shekels(100.99)), movement(f1364="1200", f1368=shekels(101)),
                 movement(f1364="1300", f1368=shekels(101)), movement(f1364="1400", f1368=shekels(5)),
                 movement(f1364="1500", f1368=shekels(200))]
        result = run(lines)
        self.assertEqual([3], entry(result, "population")["lines"])
        self.assertEqual(2, entry(result, "population")["accounts_not_usable"])

    def test_reconciles_needs_balanced_totals_and_batches(self):
        def pair(debit_batch, credit_batch, credit=100):
            return [movement(f1355=debit_batch, f1368=shekels(100)),
                    movement(f1355=credit_batch, f1366="2", f1368=shekels(credit))]
        for lines, reconciles, reasons in [
                (pair("1", "0001"), True, []), (pair("+1", " 1"), True, []),
                (pair("-1", "1"), False, ["batches"]), (pair("1", "2"), False, ["batches"]),
                (pair("1", "1", 101), False, ["batches", "totals"]),
                (pair("1", "1") + [movement(f1368="+0000000000100")], True, []),
                ([movement(f1368=shekels(100)), movement(f1368=shekels(-100))], True, []),
                ([], False, ["movements"])]:
            with self.subTest(lines=len(lines), reasons=reasons):
                population = run(lines)["population"]
                self.assertEqual((reconciles, sorted(reasons)),
                                 (population["reconciles"], sorted(population["reasons"])))


class Sufficiency(unittest.TestCase):
    def test_states_follow_the_usable_share_and_the_period(self):
        m = movement
        half = [m(), m(f1375=None)]
        cases = [  # (lines, header, test, state, usable share)
            ([m(), m(f1362=None), m(f1362="20241301")], {}, "late-entry", "weak", 1 / 3),
            (half, {}, "late-entry", "run", 0.5),
            (half, {}, "after-hours", "not run", None),
            ([m(f1376=None)], {}, "rare-operator", "not run", 0.0),
            ([m()], {1024: "20241231", 1025: "20240101", 1023: "0000"}, "post-closing", "weak", 1.0),
            ([m(f1362=None)], {1024: None, 1025: None, 1023: None}, "period-end", "not run", 0.0),
        ]
        for lines, header, test, state, share in cases:
            with self.subTest(test=test, state=state):
                result = entry(run(lines, header=header), test)
                self.assertEqual((state, share), (result["state"], result["usable_share"]))

    def test_the_period_falls_back_from_the_range_to_the_year_to_the_movements(self):
        m = movement
        for header, period in [
                ({}, ("2024-01-01", "2024-12-31", "a000-range")),
                ({1024: "20240631", 1023: "2023"}, ("2023-01-01", "2023-12-31", "tax-year")),
                ({1024: None, 1023: "0000"}, ("2024-02-01", "2024-03-10", "movements")),
                ({1025: None, 1023: "23"}, ("2024-02-01", "2024-03-10", "movements"))]:
            with self.subTest(header=header):
                result = run([m(), m(f1362="20240201"), m(f1362=None)], header=header)
                self.assertEqual(period, tuple(result["population"]["period"].values()))


class Reading(unittest.TestCase):
    def test_lines_are_counted_as_the_import_counts_them(self):
        blank = movement(f1361=None)
        data = (blank[:140] + b"\r\n" + b"\n" + b"XXXX\n" + b"b" + blank[1:] + b"\n"
                + movement(f1361=b"\r") + b"\n" + blank)
        for zipped, names in [(False, ("INI.TXT", "BKMVDATA.TXT")), (True, ("ini.txt", "bkmvdata.zip"))]:
            with self.subTest(names=names):
                result = entry(run(data, zipped=zipped, names=names), "blank-description")
                self.assertEqual(([1, 4, 6], 1.0), (result["lines"], result["usable_share"]))

    def test_field_positions_are_those_of_the_layout_tables(self):
        with open(os.path.join(HERE, "../../src/engine/uniform/layout_tables.h"), encoding="utf-8") as f:
            tables = f.read()
        for kind, fields in jet.FIELDS.items():
            block = tables[tables.index(f"k{kind}Fields[] = {{"):]
            block = block[:block.index("};")]
            for code, (start, width) in fields.items():
                with self.subTest(field=f"{kind}:{code}"):
                    found = re.search(rf"\{{{code}, \"[^\"]*\", (\d+), (\d+),", block)
                    self.assertEqual((start, width), tuple(map(int, found.groups())))


class Digits(unittest.TestCase):
    def test_one_digit_only_gives_the_closed_forms(self):
        result = run([movement(f1368=shekels(12.34))] * 600 + [movement(f1368=shekels(9.99))])
        first = result["digits"]["benford-first"]["all"]
        p, n = log10(2), 600
        self.assertEqual((600, [600] + [0] * 8, "nonconformity", "run"),
                         (first["n"], first["counts"], first["class"], first["state"]))
        self.assertAlmostEqual(2 * (1 - p) / 9, first["mad"], places=14)
        self.assertAlmostEqual(n * (1 - p) / p / first["chi2"], 1, places=12)
        self.assertAlmostEqual((1 - p - 1 / (2 * n)) / sqrt(p * (1 - p) / n) / first["z"][0], 1, places=12)
        credit = result["digits"]["last-two"]["credit"]
        self.assertEqual(("not run", 0, [0] * 100, None, None, None, None, 99),
                         (credit["state"], credit["n"], credit["counts"], credit["actual"],
                          credit["mad"], credit["z"], credit["class"], credit["df"]))
        self.assertEqual(list(range(1, 601)), entry(result, "benford-first-two")["lines"])
        self.assertEqual("weak", entry(run([movement()] * 3), "benford-first")["state"])
        # With N = 1 the 1/(2N) term exceeds every gap but that of digit 1.
        z = run([movement(f1368=shekels(12.34))])["digits"]["benford-first"]["all"]["z"]
        p2 = log10(1.5)
        self.assertAlmostEqual((1 - p - 0.5) / sqrt(p * (1 - p)) / z[0], 1, places=12)
        self.assertAlmostEqual(sqrt(p2 / (1 - p2)) / z[1], 1, places=12)

    def test_expected_proportions_sum_to_one(self):
        for test in jet.DIGIT_TESTS:
            with self.subTest(test=test):
                self.assertAlmostEqual(1, float(sum(jet.expected_proportions(test))), places=40)

    def test_holidays_of_2000_to_2050_are_those_of_the_hebrew_calendar(self):
        from pyluach import dates
        day = datetime.date(2000, 1, 1)
        while day.year <= 2050:
            hebrew = dates.GregorianDate(day.year, day.month, day.day)
            religious = hebrew.festival(israel=True, include_working_days=False) is not None
            is_independence = hebrew.to_heb().month == 2 and jet.is_israeli_holiday(hebrew.to_heb())
            self.assertEqual(religious or is_independence, jet.is_israeli_holiday(hebrew.to_heb()), day)
            if is_independence:
                self.assertIn(hebrew.weekday(), (3, 4, 5), day)  # Tuesday to Thursday
            day += datetime.timedelta(days=1)


class RankingAndParameters(unittest.TestCase):
    def test_transactions_rank_by_the_weights_of_the_tests_they_fail(self):
        m = movement
        lines = [m(f1353="7", f1368=shekels(1000)), m(f1353="0007", f1361=None),
                 m(f1353=None, f1368=shekels(2000)), m(f1353="8", f1361=None), m(f1353="9", f1368=shekels(5000))]
        params = {"weights": {"blank-description": 0, "round-amount": 3}}
        ranking = run(lines, params, tests="round-amount,blank-description")["ranking"]
        self.assertEqual([1, 3, 5], [r["first_line"] for r in ranking])
        params["ranking_top"] = 2
        ranking = run(lines, params, tests="round-amount,blank-description")["ranking"]
        self.assertEqual([{"transaction": "7", "score": 3, "tests": ["round-amount", "blank-description"],
                           "first_line": 1},
                          {"transaction": None, "score": 3, "tests": ["round-amount"], "first_line": 3}],
                         ranking)

    def test_printed_parameters_read_back_to_themselves(self):
        given = json.loads(json.dumps(jet.printed_parameters(jet.parameters_from({}))))
        given.update({"weekend_days": ["saturday"], "holiday_eves": True, "extra_holidays": ["2024-11-05"],
                      "rare_operator_share": "0.0125", "round_unit": "250.50", "limits": ["999.99"],
                      "below_limit_window": "0.05", "keywords": ["מע\"מ"], "work_start": "06:30",
                      "weights": {"weekend": 0, "duplicate": 100}, "ranking_top": 1})
        self.assertEqual(json.dumps(given), json.dumps(jet.printed_parameters(jet.parameters_from(given))))

    def test_bad_parameters_are_refused_naming_their_key(self):
        for given in [{"late_days": -1}, {"late_days": "3"}, {"round_unit": "1000.001"},
                      {"rare_operator_share": "1.5"}, {"below_limit_window": "1"},
                      {"relative_size_min_lines": 1}, {"benford_min_amount": "0.09"},
                      {"work_start": "20:00"}, {"weights": {"weekend": 101}}, {"keywords": [""]},
                      {"keywords": ["\u0627"]}, {"unknown": 1}, {"weak_share": "0.12345"},
                      {"holiday_eves": 1}, {"extra_holidays": ["2024-02-30"]}]:
            with self.subTest(given=given):
                with self.assertRaisesRegex(jet.ParameterError, f"^{next(iter(given))}:"):
                    jet.parameters_from(given)


class Comparison(unittest.TestCase):
    def test_only_the_compared_keys_count_and_floats_within_their_tolerance(self):
        base = run([movement(f1368=shekels(v)) for v in (12.34, 56.78, 1000)])

        def changed(change):
            other = json.loads(json.dumps(base))
            change(other)
            return compare_jet.differences_between(base, other)

        first = ("digits", "benford-first", "all")

        def at(document, path):
            for key in path:
                document = document[key]
            return document

        cases = [  # (change, differences expected)
            (lambda d: at(d, first).update(mad=at(d, first)["mad"] + 1e-13), False),
            (lambda d: at(d, first).update(chi2=at(d, first)["chi2"] * (1 + 1e-10)), False),
            (lambda d: at(d, first).update(chi2=at(d, first)["chi2"] * (1 + 1e-8)), True),
            (lambda d: at(d, first)["counts"].__setitem__(0, 4), True),
            (lambda d: entry(d, "round-amount")["lines"].append(2), True),
            (lambda d: entry(d, "round-amount").update(needs=[], caption="x"), False),
            (lambda d: d["tests"].reverse(), True),
            (lambda d: d["population"]["period"].update(source="tax-year"), True),
            (lambda d: d["ranking"][0].update(score=2), True),
            (lambda d: d.update(source=[]), False),
        ]
        for n, (change, differs) in enumerate(cases):
            with self.subTest(case=n):
                self.assertEqual(differs, bool(changed(change)))


@unittest.skipIf(GEN is None, "no generator given")
class GeneratedSets(unittest.TestCase):
    def generate(self, folder, *options):
        subprocess.run([GEN, "--quiet", "--movements", "2000", "--seed", "5", *options, folder], check=True)
        return jet.run_pack(jet.read_folder(folder), jet.parameters_from({}), set(jet.TEST_IDS))

    def test_a_set_reads_alike_plain_dos_coded_and_zipped(self):
        with tempfile.TemporaryDirectory() as root:
            plain = self.generate(os.path.join(root, "plain"))
            for option in ("--dos", "--zip"):
                with self.subTest(option=option):
                    other = self.generate(os.path.join(root, option[2:]), option)
                    self.assertEqual([], compare_jet.differences_between(plain, other))

    def test_planted_population_faults_are_found(self):
        with tempfile.TemporaryDirectory() as root:
            for fault in ("account-totals", "unbalanced-batch"):
                with self.subTest(fault=fault):
                    folder = os.path.join(root, fault)
                    result = self.generate(folder, "--fault", fault)
                    with open(os.path.join(folder, "MANIFEST.TSV"), encoding="utf-8") as manifest:
                        line = int(manifest.read().splitlines()[1].split("\t")[2])
                    self.assertFalse(result["population"]["reconciles"])
                    if fault == "account-totals":
                        self.assertEqual([line], entry(result, "population")["lines"])


if __name__ == "__main__":
    unittest.main()
