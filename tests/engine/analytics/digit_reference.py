"""An independent reference of the digit tests' statistics, for digit_statistics_test.

Makes the count vectors the test checks (exact Benford counts, uniform, all-round, N = 0,
N = 1, a single digit, and vectors whose MAD lies just below and just above each class
bound) and prints, as JSON, each vector with its figures computed with Python's fractions
and 60-digit decimals, and the p-value from scipy.
"""
import json
import sys
from decimal import Decimal, getcontext
from fractions import Fraction

from scipy.stats import chi2 as chi2_distribution

getcontext().prec = 60
ONE = Decimal(1)

TESTS = {
    "first": (1, [(ONE + ONE / d).log10() for d in range(1, 10)]),
    "second": (0, [sum((ONE + ONE / (10 * k + d)).log10() for k in range(1, 10))
                   for d in range(10)]),
    "first-two": (10, [(ONE + ONE / d).log10() for d in range(10, 100)]),
    "last-two": (0, [Decimal(1) / 100] * 100),
}
BOUNDS = {
    "first": ["0.006", "0.012", "0.015"],
    "second": ["0.008", "0.010", "0.012"],
    "first-two": ["0.0012", "0.0018", "0.0022"],
}
CLASSES = ["close", "acceptable", "marginal", "nonconformity"]
Z_BOUND = Decimal("3.29")


def dec(fraction):
    return Decimal(fraction.numerator) / Decimal(fraction.denominator)


def mad_of(test, counts):
    expected = TESTS[test][1]
    n = sum(counts)
    return sum(abs(dec(Fraction(c, n)) - e) for c, e in zip(counts, expected)) / len(counts)


def figures(test, counts):
    expected = TESTS[test][1]
    n = sum(counts)
    out = {"test": test, "counts": counts, "n": n, "expected": [float(e) for e in expected],
           "df": len(counts) - 1}
    if n == 0:
        return out
    actual = [dec(Fraction(c, n)) for c in counts]
    mad = sum(abs(a - e) for a, e in zip(actual, expected)) / len(counts)
    chi2 = sum((Decimal(c) - n * e) ** 2 / (n * e) for c, e in zip(counts, expected))
    half = ONE / (2 * n)
    z = []
    excess = []
    for a, e in zip(actual, expected):
        deviation = abs(a - e)
        correction = half if half < deviation else Decimal(0)
        value = (deviation - correction) / (e * (1 - e) / n).sqrt()
        z.append(value)
        excess.append(a > e and value > Z_BOUND)
    out.update({
        "actual": [float(a) for a in actual],
        "mad": float(mad),
        "chi2": float(chi2),
        "p": float(chi2_distribution.sf(float(chi2), len(counts) - 1)),
        "z": [float(v) for v in z],
        "excess": excess,
    })
    if test in BOUNDS:
        out["class"] = next((CLASSES[i] for i, b in enumerate(BOUNDS[test]) if mad <= Decimal(b)),
                            CLASSES[3])
    return out


def scaled(test, n):
    """Counts as near n x EP as whole numbers allow, summing to n."""
    expected = TESTS[test][1]
    raw = [n * e for e in expected]
    counts = [int(r) for r in raw]
    order = sorted(range(len(raw)), key=lambda i: raw[i] - counts[i], reverse=True)
    for i in order[:n - sum(counts)]:
        counts[i] += 1
    return counts


def near_bound(test, bound, above):
    """A vector of 10^9 amounts whose MAD lies within 1e-9 of `bound`, on the side asked."""
    n = 10 ** 9
    k = len(TESTS[test][1])
    counts = scaled(test, n)
    target = Decimal(bound) + (Decimal("5e-10") if above else Decimal("-5e-10"))
    # Moving a unit from a digit below its expected count to one above it adds 2/n to the
    # sum of deviations.
    donors = sorted(range(k), key=lambda i: counts[i], reverse=True)
    sink = min(range(k), key=lambda i: TESTS[test][1][i])
    donors.remove(sink)
    for _ in range(50):
        mad = mad_of(test, counts)
        if abs(mad - target) < Decimal("2.5e-10"):
            break
        units = int((target - mad) * k * n / 2) or (1 if target > mad else -1)
        if units > 0:
            for d in donors:
                take = min(units, counts[d] - 1)
                counts[d] -= take
                counts[sink] += take
                units -= take
                if units == 0:
                    break
        else:
            back = min(-units, counts[sink])
            counts[sink] -= back
            counts[donors[0]] += back
    mad = mad_of(test, counts)
    assert (Decimal(bound) < mad <= Decimal(bound) + Decimal("1e-9")) if above else \
        (Decimal(bound) - Decimal("1e-9") <= mad <= Decimal(bound)), (test, bound, above, mad)
    return counts


def vectors():
    for test, (first, expected) in TESTS.items():
        k = len(expected)
        yield test, scaled(test, 1000000)  # exact Benford counts
        yield test, [1000] * k  # uniform
        yield test, [12345] + [0] * (k - 1)  # all-round: 1000.00, 2000.00 ... all in digit 1, 0, 10, 00
        yield test, [0] * k  # N = 0
        yield test, [0] * (k - 1) + [1]  # N = 1
        only = [0] * k
        only[k // 2] = 777
        yield test, only  # one digit only
    for test, bounds in BOUNDS.items():
        for bound in bounds:
            for above in (False, True):
                yield test, near_bound(test, bound, above)


if __name__ == "__main__":
    json.dump([figures(test, counts) for test, counts in vectors()], sys.stdout)
