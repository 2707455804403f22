#!/usr/bin/python3
"""The journal-entry tests read a second time, from their rules alone, so that the engine's
JSON result can be compared with an independent reading of the same data set.

    jet_reference.py [--params FILE] [--tests LIST] DIR
    jet_reference.py [--params FILE] --print-params

Prints one JSON document: source, parameters, population, tests, digits and ranking, with
the names the command line's JSON result uses. Speed is no aim (sets of a few thousand
lines); every test is one function with its rule beside it. Exit 2 on a refused parameter
file or test list, 1 when the folder lacks its files.
"""
import argparse
import datetime
import decimal
import hashlib
import json
import os
import re
import sys
import zipfile
from dataclasses import dataclass, field as dataclass_field
from fractions import Fraction

# ---------------------------------------------------------------------------------------
# Code page 1255 and the DOS Hebrew code page

def _cp1255_table():
    """Byte -> character. Bytes the code page leaves undefined stand for the C1 control or
    Latin-1 character of their own value, except 0xCA, which Windows maps to holam haser for
    vav: every byte string then survives the trip to text and back."""
    table = []
    for byte in range(256):
        try:
            table.append(bytes([byte]).decode("cp1255"))
        except UnicodeDecodeError:
            table.append("\u05ba" if byte == 0xCA else chr(byte))
    return table


CP1255 = _cp1255_table()
CP1255_BACK = {character: byte for byte, character in enumerate(CP1255)}


def cp1255_text(raw):
    return "".join(CP1255[b] for b in raw)


def cp1255_bytes(text):
    """None when a character has no byte in the code page."""
    try:
        return bytes(CP1255_BACK[c] for c in text)
    except KeyError:
        return None


DOS_ALEF, WINDOWS_ALEF, HEBREW_LETTERS = 0x80, 0xE0, 27
SPACE, MINUS = 0x20, ord("-")


def _mirror_brackets(text):
    """A bracket pair around Hebrew is stored the other way round in visual text; pairs are
    taken left to right, an opening bracket with the first closing one after it."""
    n, pos = len(text), 0
    while pos < n:
        p = pos
        while p < n and text[p] not in b"({[<":
            p += 1
        if p == n:
            return
        q, high_inside = p + 1, False
        while q < n and text[q] not in b")}]>":
            high_inside = high_inside or text[q] > 127
            q += 1
        if q == n:
            return
        if high_inside:
            text[p], text[q] = text[q], text[p]
        pos = q + 1


def _append_latin_group(out, group):
    """Consecutive non-Hebrew runs keep their left-to-right order; each run's minus sign moves
    to its other end, and the spaces that end the group come first."""
    body = len(group.rstrip(b" "))
    out += b" " * (len(group) - body)
    i = 0
    while i < body:
        j = i
        if group[i] == SPACE:
            while j < body and group[j] == SPACE:
                j += 1
            out += group[i:j]
        else:
            while j < body and group[j] != SPACE:
                j += 1
            run = group[i:j]
            if len(run) > 1 and run[0] == MINUS:
                run = run[1:] + b"-"
            elif len(run) > 1 and run[-1] == MINUS:
                run = b"-" + run[:-1]
            out += run
        i = j


def dos_to_windows(text):
    """DOS Hebrew in visual order -> code page 1255 in logical order. Segments are taken from
    the end: a run of one class (Hebrew: bytes above 127) with the spaces after it. Hebrew
    segments are written reversed with their letters shifted by 0x60; the others are gathered
    into groups that keep their order. Text without a DOS letter stays as it is."""
    if not text.strip(b" ") or not any(DOS_ALEF <= c < DOS_ALEF + HEBREW_LETTERS for c in text):
        return bytes(text)
    w = bytearray(text)
    _mirror_brackets(w)
    out = bytearray()
    end = len(w)
    group = None  # [begin, end) of the pending non-Hebrew group

    def flush():
        nonlocal group
        if group:
            _append_latin_group(out, bytes(w[group[0]:group[1]]))
        group = None

    while end > 0:
        run_end = end
        while run_end > 0 and w[run_end - 1] == SPACE:
            run_end -= 1
        if run_end == 0:
            flush()
            out += w[:end]
            break
        hebrew = w[run_end - 1] > 127
        run_begin = run_end
        while run_begin > 0 and w[run_begin - 1] != SPACE and (w[run_begin - 1] > 127) == hebrew:
            run_begin -= 1
        if hebrew:
            flush()
            for c in reversed(w[run_begin:end]):
                letter = DOS_ALEF <= c < DOS_ALEF + HEBREW_LETTERS
                out.append(c + WINDOWS_ALEF - DOS_ALEF if letter else c)
        else:
            group = [run_begin, group[1] if group else end]
        end = run_begin
    flush()
    return bytes(out)


# ---------------------------------------------------------------------------------------
# Fields: (1-based start, width) of the fields the tests read, by record type and code

FIELDS = {
    "A000": {1023: (363, 4), 1024: (367, 8), 1025: (375, 8), 1029: (396, 1)},
    "B100": {1353: (23, 10), 1355: (38, 8), 1357: (61, 20), 1358: (81, 3), 1359: (84, 20),
             1361: (107, 50), 1362: (157, 8), 1364: (173, 15), 1365: (188, 15), 1366: (203, 1),
             1368: (207, 15), 1375: (276, 8), 1376: (284, 9)},
    "B110": {1403: (23, 15), 1414: (278, 15), 1415: (293, 15), 1416: (308, 15)},
    "C100": {1203: (23, 3), 1204: (26, 20), 1205: (46, 8), 1206: (54, 4), 1228: (400, 1),
             1230: (401, 8)},
}


def field(line, record, code):
    """The bytes of a field; a short line gives what it has of it, possibly nothing."""
    start, width = FIELDS[record][code]
    return line[start - 1:start - 1 + width]


def trimmed(raw):
    return raw.strip(b" ")


def amount(raw):
    """Agorot of a usable amount: "+" or "-" then exactly 14 digits; else None."""
    if len(raw) == 15 and raw[:1] in (b"+", b"-") and raw[1:].isdigit():
        return -int(raw[1:]) if raw[:1] == b"-" else int(raw[1:])
    return None


def calendar_day(raw):
    """A usable date: 8 digits forming a real day of years 1-9999 ("00000000" is none)."""
    if len(raw) != 8 or not raw.isdigit():
        return None
    try:
        return datetime.date(int(raw[:4]), int(raw[4:6]), int(raw[6:]))
    except ValueError:
        return None


def number_key(raw):
    """Without leading blanks and zeros and trailing blanks ("0" when nothing else is left);
    None when blank."""
    if not trimmed(raw):
        return None
    return raw.lstrip(b" 0").rstrip(b" ") or b"0"


def batch_number(raw):
    """1355 as the checks take it: a signed whole number when the trimmed field is one, else
    its leading digits (0 when it begins with none)."""
    text = trimmed(raw)
    sign, digits = (text[:1], text[1:]) if text[:1] in (b"+", b"-") else (b"", text)
    if digits.isdigit():
        return -int(digits) if sign == b"-" else int(digits)
    leading = re.match(rb"[0-9]*", text).group()
    return int(leading) if leading else 0


# ---------------------------------------------------------------------------------------
# Reading the folder

class FolderError(Exception):
    pass


def find_file(folder, name):
    """The regular file of that name in any letter case; among several, the smallest name."""
    names = sorted(entry for entry in os.listdir(folder)
                   if entry.lower() == name and os.path.isfile(os.path.join(folder, entry)))
    return os.path.join(folder, names[0]) if names else None


def source_entry(name, data):
    return {"name": name, "bytes": len(data), "sha256": hashlib.sha256(data).hexdigest()}


def read_zip_entry(path):
    """The archive's last entry that reads whole and holds bytes, with its name."""
    found = None
    with zipfile.ZipFile(path) as archive:
        for info in archive.infolist():
            try:
                data = archive.read(info)
            except (zipfile.BadZipFile, OSError, NotImplementedError):
                continue
            if data:
                found = (os.path.basename(info.filename), data)
    return found


def split_lines(data):
    """LF ends a line and a CR just before it is dropped; a lone CR stays; a last line
    without LF still counts."""
    pieces = data.split(b"\n")
    last = pieces.pop()
    lines = [piece[:-1] if piece.endswith(b"\r") else piece for piece in pieces]
    if last:
        lines.append(last)
    return lines


def record_type(line):
    """The first four characters, letter case ignored."""
    return line[:4].upper().decode("latin-1") if len(line) >= 4 else None


@dataclass
class Movement:  # B100
    number: int
    transaction: bytes  # None when 1353 is blank
    batch: int
    reference: bytes
    reference_type: bytes
    reference2: bytes
    details: bytes
    date: datetime.date
    account: bytes
    counter_account: bytes
    credit: bool
    amount: int  # agorot with its sign; None when not usable
    entry_date: datetime.date
    operator: bytes

    @property
    def posting_day(self):
        return self.entry_date or self.date

    @property
    def transaction_identity(self):
        # A blank 1353 makes the line a transaction of its own.
        return ("key", self.transaction) if self.transaction is not None else ("line", self.number)


def read_movement(number, line):
    def f(code):
        return field(line, "B100", code)
    return Movement(number, number_key(f(1353)), batch_number(f(1355)), trimmed(f(1357)),
                    trimmed(f(1358)), trimmed(f(1359)), f(1361), calendar_day(f(1362)),
                    trimmed(f(1364)), trimmed(f(1365)), f(1366) == b"2", amount(f(1368)),
                    calendar_day(f(1375)), trimmed(f(1376)))


@dataclass
class Account:  # B110
    number: int
    key: bytes
    opening: int
    debit: int
    credit: int


@dataclass
class Document:  # C100
    number: int
    type: bytes
    document_number: bytes  # normalised; None when blank
    produced: datetime.date
    time: bytes
    cancelled: bytes
    date: datetime.date


def read_account(number, line):
    def f(code):
        return field(line, "B110", code)
    return Account(number, trimmed(f(1403)), amount(f(1414)), amount(f(1415)), amount(f(1416)))


def read_document(number, line):
    def f(code):
        return field(line, "C100", code)
    return Document(number, trimmed(f(1203)), number_key(f(1204)), calendar_day(f(1205)),
                    f(1206), f(1228), calendar_day(f(1230)))


@dataclass
class DataSet:
    source: list
    dos: bool
    header: bytes
    movements: list = dataclass_field(default_factory=list)
    accounts: list = dataclass_field(default_factory=list)
    documents: list = dataclass_field(default_factory=list)
    period: dict = None


def read_folder(folder):
    ini_path = find_file(folder, "ini.txt")
    if ini_path is None:
        raise FolderError(f"{folder}: no INI.TXT")
    with open(ini_path, "rb") as ini:
        ini_bytes = ini.read()
    source = [source_entry(os.path.basename(ini_path), ini_bytes)]
    data_path = find_file(folder, "bkmvdata.txt")
    if data_path is not None:
        with open(data_path, "rb") as data_file:
            data = data_file.read()
        source.append(source_entry(os.path.basename(data_path), data))
    else:
        zip_path = find_file(folder, "bkmvdata.zip")
        if zip_path is None:
            raise FolderError(f"{folder}: no BKMVDATA.TXT or BKMVDATA.ZIP")
        with open(zip_path, "rb") as zipped:
            source.append(source_entry(os.path.basename(zip_path), zipped.read()))
        entry = read_zip_entry(zip_path)
        if entry is None:
            raise FolderError(f"{zip_path}: no data file inside")
        source.append(source_entry(*entry))
        data = entry[1]

    ini_lines = split_lines(ini_bytes)
    header = ini_lines[0] if ini_lines else b""
    dataset = DataSet(source, field(header, "A000", 1029) == b"2", header)
    for number, line in enumerate(split_lines(data), 1):
        kind = record_type(line)
        if kind == "B100":
            dataset.movements.append(read_movement(number, line))
        elif kind == "B110":
            dataset.accounts.append(read_account(number, line))
        elif kind == "C100":
            dataset.documents.append(read_document(number, line))
    dataset.period = read_period(dataset)
    return dataset


def read_period(dataset):
    """A000 1024 to 1025 when both are usable and in order; else the tax year 1023 when it is
    four digits and not 0000; else the first to the last usable movement date; else none."""
    first = calendar_day(field(dataset.header, "A000", 1024))
    last = calendar_day(field(dataset.header, "A000", 1025))
    if first and last and first <= last:
        return {"from": first, "to": last, "source": "a000-range"}
    year = field(dataset.header, "A000", 1023)
    if len(year) == 4 and year.isdigit() and year != b"0000":
        return {"from": datetime.date(int(year), 1, 1), "to": datetime.date(int(year), 12, 31),
                "source": "tax-year"}
    dates = [m.date for m in dataset.movements if m.date]
    if dates:
        return {"from": min(dates), "to": max(dates), "source": "movements"}
    return {"from": None, "to": None, "source": "none"}


# ---------------------------------------------------------------------------------------
# Parameters

TEST_IDS = [
    "population", "late-entry", "post-closing", "period-end", "weekend", "holiday",
    "rare-operator", "seldom-account", "rare-flow", "round-amount", "duplicate",
    "transaction-gap", "document-gap", "below-limit", "blank-description", "keyword",
    "no-reference", "missing-document", "reversal", "high-value", "relative-size",
    "after-hours", "backdated-document", "cancelled-document",
    "benford-first", "benford-second", "benford-first-two", "last-two",
]
DIGIT_TESTS = ["benford-first", "benford-second", "benford-first-two", "last-two"]
WEEKDAYS = ["monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday"]


class ParameterError(Exception):
    pass


def _integer(minimum):
    def read(key, value):
        if type(value) is not int:
            raise ParameterError(f"{key}: an integer is expected")
        if value < minimum:
            raise ParameterError(f"{key}: at least {minimum} is expected")
        return value
    return read


def _decimal_text(key, value, decimals):
    if type(value) is not str or not re.fullmatch(r"[0-9]+(\.[0-9]+)?", value):
        raise ParameterError(f"{key}: a decimal number as a string is expected")
    if "." in value and len(value.split(".")[1]) > decimals:
        raise ParameterError(f"{key}: at most {decimals} decimals")
    return Fraction(value)


def _amount(minimum_agorot, inclusive):
    def read(key, value):
        agorot = _decimal_text(key, value, 2) * 100
        if agorot < minimum_agorot or (not inclusive and agorot == minimum_agorot):
            raise ParameterError(f"{key}: out of range")
        return int(agorot)
    return read


def _decimal(low, high, low_inclusive, high_inclusive):
    def read(key, value):
        number = _decimal_text(key, value, 4)
        if (number < low or (number == low and not low_inclusive)
                or (high is not None and (number > high or (number == high and not high_inclusive)))):
            raise ParameterError(f"{key}: out of range")
        return number
    return read


def _list(item):
    def read(key, value):
        if type(value) is not list:
            raise ParameterError(f"{key}: a list is expected")
        return [item(key, element) for element in value]
    return read


def _weekday(key, value):
    if value not in WEEKDAYS:
        raise ParameterError(f"{key}: {value!r} is not a day name")
    return value


def _iso_date(key, value):
    if type(value) is not str or not re.fullmatch(r"[0-9]{4}-[0-9]{2}-[0-9]{2}", value):
        raise ParameterError(f"{key}: a date YYYY-MM-DD is expected")
    try:
        return datetime.date.fromisoformat(value)
    except ValueError:
        raise ParameterError(f"{key}: {value} is no calendar day") from None


def _boolean(key, value):
    if type(value) is not bool:
        raise ParameterError(f"{key}: true or false is expected")
    return value


def _keyword(key, value):
    if type(value) is not str or not value:
        raise ParameterError(f"{key}: a keyword must be a non-empty string")
    if cp1255_bytes(value) is None:
        raise ParameterError(f"{key}: {value!r} cannot be written in code page 1255")
    return value


def _time(key, value):
    if type(value) is not str or not re.fullmatch(r"([01][0-9]|2[0-3]):[0-5][0-9]", value):
        raise ParameterError(f"{key}: a time HH:MM is expected")
    return int(value[:2]) * 60 + int(value[3:])


def _weights(key, value):
    if type(value) is not dict:
        raise ParameterError(f"{key}: an object of test ids is expected")
    for test, weight in value.items():
        if test not in TEST_IDS:
            raise ParameterError(f"{key}: {test} is no test")
        if type(weight) is not int or not 0 <= weight <= 100:
            raise ParameterError(f"{key}: the weight of {test} must be an integer 0-100")
    return {test: value[test] for test in TEST_IDS if test in value}


# (key, reader, default as the file would give it), in the order the keys are printed.
PARAMETERS = [
    ("late_days", _integer(0), 30),
    ("period_end_days", _integer(0), 5),
    ("weekend_days", _list(_weekday), ["friday", "saturday"]),
    ("holiday_eves", _boolean, False),
    ("extra_holidays", _list(_iso_date), []),
    ("rare_operator_min", _integer(0), 10),
    ("rare_operator_share", _decimal(0, 1, True, True), "0.01"),
    ("seldom_account_lines", _integer(0), 3),
    ("rare_flow_count", _integer(0), 1),
    ("round_unit", _amount(0, False), "1000.00"),
    ("limits", _list(_amount(0, False)), ["10000.00", "50000.00"]),
    ("below_limit_window", _decimal(0, 1, False, False), "0.10"),
    ("below_limit_min", _integer(0), 10),
    ("below_limit_ratio", _decimal(0, None, False, False), "2"),
    ("keywords", _list(_keyword), ["תיקון", "ביטול", "שונות", "זמני", "מעבר"]),
    ("reversal_days", _integer(0), 30),
    ("high_value_top", _integer(0), 50),
    ("relative_size_min_lines", _integer(2), 3),
    ("relative_size_ratio", _decimal(0, None, False, False), "10"),
    ("work_start", _time, "07:00"),
    ("work_end", _time, "20:00"),
    ("backdate_days", _integer(0), 30),
    ("benford_min_amount", _amount(10, True), "10.00"),
    ("benford_z", _decimal(0, None, False, False), "3.29"),
    ("benford_min_n", _integer(0), 500),
    ("weak_share", _decimal(0, 1, True, True), "0.5"),
    ("weights", _weights, {}),
    ("ranking_top", _integer(1), 100),
    ("report_hits", _integer(1), 1000),
]


def load_parameters(path=None):
    """The defaults, with the keys of a JSON file (any subset) over them."""
    if path is None:
        return parameters_from({})
    try:
        with open(path, encoding="utf-8") as file:
            given = json.load(file)
    except (OSError, ValueError) as error:
        raise ParameterError(f"{path}: {error}") from None
    if type(given) is not dict:
        raise ParameterError(f"{path}: a JSON object is expected")
    return parameters_from(given)


def parameters_from(given):
    known = {key for key, _, _ in PARAMETERS}
    for key in given:
        if key not in known:
            raise ParameterError(f"{key}: no such parameter")
    params = {key: read(key, given.get(key, default)) for key, read, default in PARAMETERS}
    if params["work_start"] >= params["work_end"]:
        raise ParameterError("work_start: must be before work_end")
    return params


def _shekels(agorot):
    return f"{agorot // 100}.{agorot % 100:02d}"


def _exact_decimal(number):
    scaled, decimals = number, 0
    while scaled.denominator != 1:
        scaled, decimals = scaled * 10, decimals + 1
    text = str(scaled.numerator).rjust(decimals + 1, "0")
    return f"{text[:-decimals]}.{text[-decimals:]}" if decimals else text


def _clock(minutes):
    return f"{minutes // 60:02d}:{minutes % 60:02d}"


def printed_parameters(params):
    """The parameters as the command prints them: amounts with two decimals, shares and
    ratios as their exact decimal, dates and times as written."""
    forms = {
        "rare_operator_share": _exact_decimal, "below_limit_window": _exact_decimal,
        "below_limit_ratio": _exact_decimal, "relative_size_ratio": _exact_decimal,
        "benford_z": _exact_decimal, "weak_share": _exact_decimal,
        "round_unit": _shekels, "benford_min_amount": _shekels,
        "limits": lambda limits: [_shekels(limit) for limit in limits],
        "extra_holidays": lambda days: [day.isoformat() for day in days],
        "work_start": _clock, "work_end": _clock,
    }
    return {key: forms.get(key, lambda value: value)(params[key]) for key, _, _ in PARAMETERS}


# ---------------------------------------------------------------------------------------
# The Israeli holidays

def independence_day(hebrew_year):
    """5 Iyar; 4 Iyar when 5 Iyar is a Friday, 3 Iyar when a Saturday, 6 Iyar when a Monday."""
    from pyluach import dates
    weekday = dates.HebrewDate(hebrew_year, 2, 5).weekday()  # 1 Sunday ... 7 Saturday
    return {6: 4, 7: 3, 2: 6}.get(weekday, 5)


def is_israeli_holiday(hebrew):
    """Rosh Hashana (1, 2 Tishrei), Yom Kippur (10 Tishrei), Sukkot (15 Tishrei), Shemini
    Atzeret (22 Tishrei), Pesach (15, 21 Nisan), Shavuot (6 Sivan), Independence Day."""
    month, day = hebrew.month, hebrew.day  # months counted from Nisan = 1
    return ((month == 7 and day in (1, 2, 10, 15, 22)) or (month == 1 and day in (15, 21))
            or (month == 3 and day == 6)
            or (month == 2 and day == independence_day(hebrew.year)))


def holiday_rule(params):
    from pyluach import dates
    extra = set(params["extra_holidays"])
    cache = {}

    def is_holiday(day):
        if day not in cache:
            hebrew = dates.GregorianDate(day.year, day.month, day.day).to_heb()
            cache[day] = (day in extra or is_israeli_holiday(hebrew)
                          or (params["holiday_eves"] and is_israeli_holiday(hebrew + 1)))
        return cache[day]
    return is_holiday


# ---------------------------------------------------------------------------------------
# The tests. Each returns an Outcome: the lines it could decide on and its hits.

@dataclass
class Outcome:
    usable: int
    lines: list = dataclass_field(default_factory=list)  # hit lines
    ranges: list = None  # gap tests: their hits are ranges
    figures: dict = dataclass_field(default_factory=dict)
    weak: bool = False  # weak for a reason other than the usable share
    population_state: str = None  # digit tests: the state of their "all" population


TOLERANCE = 99  # agorot


def population(data, params):
    """Movement lines, debit and credit totals, batches whose debits and credits differ at
    all, movements whose account has no B110 line, and each account's roll-forward: movement
    debits - credits against 1415 - 1416, then against 1414 + 1415 - 1416, each within 99
    agorot; hits are the B110 lines that fail both. Movements with an unusable amount stay
    out of the sums."""
    counted = [m for m in data.movements if m.amount is not None]
    debit = sum(m.amount for m in counted if not m.credit)
    credit = sum(m.amount for m in counted if m.credit)
    batches, moved = {}, {}
    for m in counted:
        sides = batches.setdefault(m.batch, [0, 0])
        sides[m.credit] += m.amount
        moved[m.account] = moved.get(m.account, 0) + (-m.amount if m.credit else m.amount)
    unbalanced = sorted(batch for batch, (d, c) in batches.items() if d != c)
    keys = {a.key for a in data.accounts}
    hits, not_usable = [], 0
    for a in data.accounts:
        net = moved.get(a.key, 0)
        if a.debit is None or a.credit is None:
            not_usable += 1
        elif abs(net - (a.debit - a.credit)) <= TOLERANCE:
            continue
        elif a.opening is None:
            not_usable += 1
        elif abs(net - (a.opening + a.debit - a.credit)) > TOLERANCE:
            hits.append(a.number)
    reasons = [reason for reason, failed in (("movements", not data.movements),
                                             ("totals", abs(debit - credit) > TOLERANCE),
                                             ("batches", bool(unbalanced)),
                                             ("accounts", bool(hits))) if failed]
    return Outcome(len(counted), hits, figures={
        "movements": len(data.movements), "debit": debit, "credit": credit,
        "unbalanced_batches": unbalanced,
        "movements_without_account": sum(m.account not in keys for m in data.movements),
        "accounts_not_usable": not_usable, "reconciles": not reasons, "reasons": reasons})


def late_entry(data, params):
    """Entry date 1375 later than movement date 1362 by more than late_days calendar days."""
    usable = [m for m in data.movements if m.entry_date and m.date]
    return Outcome(len(usable), [m.number for m in usable
                                 if (m.entry_date - m.date).days > params["late_days"]])


def post_closing(data, params):
    """Movement date inside the period (both ends included), entry date after its last day."""
    period = data.period
    if period["source"] == "none":
        return Outcome(0)
    usable = [m for m in data.movements if m.entry_date and m.date]
    return Outcome(len(usable), [m.number for m in usable
                                 if period["from"] <= m.date <= period["to"] < m.entry_date],
                   weak=period["source"] == "movements")


def period_end(data, params):
    """Movement date d with last - (period_end_days - 1) <= d <= last day of the period."""
    period = data.period
    if period["source"] == "none":
        return Outcome(0)
    usable = [m for m in data.movements if m.date]
    last = period["to"].toordinal()
    first = last - (params["period_end_days"] - 1)
    return Outcome(len(usable), [m.number for m in usable if first <= m.date.toordinal() <= last],
                   weak=period["source"] == "movements")


def weekend(data, params):
    """The posting day (1375 when usable, else 1362) is one of weekend_days."""
    days = {WEEKDAYS.index(name) for name in params["weekend_days"]}
    usable = [m for m in data.movements if m.posting_day]
    return Outcome(len(usable), [m.number for m in usable if m.posting_day.weekday() in days])


def holiday(data, params):
    """The posting day is an Israeli holiday, its eve when holiday_eves is on, or one of
    extra_holidays."""
    is_holiday = holiday_rule(params)
    usable = [m for m in data.movements if m.posting_day]
    return Outcome(len(usable), [m.number for m in usable if is_holiday(m.posting_day)])


def _counts(values):
    counts = {}
    for value in values:
        counts[value] = counts.get(value, 0) + 1
    return counts


def rare_operator(data, params):
    """Lines of operators (1376, non-blank) with fewer lines than max(rare_operator_min,
    rare_operator_share x lines with an operator)."""
    usable = [m for m in data.movements if m.operator]
    counts = _counts(m.operator for m in usable)
    threshold = max(Fraction(params["rare_operator_min"]),
                    params["rare_operator_share"] * len(usable))
    return Outcome(len(usable), [m.number for m in usable if counts[m.operator] < threshold])


def seldom_account(data, params):
    """Lines of accounts (1364, non-blank) with at most seldom_account_lines lines."""
    usable = [m for m in data.movements if m.account]
    counts = _counts(m.account for m in usable)
    return Outcome(len(usable), [m.number for m in usable
                                 if counts[m.account] <= params["seldom_account_lines"]])


def rare_flow(data, params):
    """Lines whose pair (1364, 1365), both non-blank, occurs at most rare_flow_count times."""
    usable = [m for m in data.movements if m.account and m.counter_account]
    counts = _counts((m.account, m.counter_account) for m in usable)
    return Outcome(len(usable), [m.number for m in usable
                                 if counts[m.account, m.counter_account] <= params["rare_flow_count"]])


def round_amount(data, params):
    """|A| >= round_unit and a multiple of it."""
    unit = params["round_unit"]
    usable = [m for m in data.movements if m.amount is not None]
    return Outcome(len(usable), [m.number for m in usable
                                 if abs(m.amount) >= unit and abs(m.amount) % unit == 0])


def duplicate(data, params):
    """Lines that share account, side, A, movement date and reference 1 with a line of another
    transaction; every line of such a group is a hit."""
    usable = [m for m in data.movements
              if m.account and m.reference and m.amount is not None and m.date]
    groups = {}
    for m in usable:
        groups.setdefault((m.account, m.credit, m.amount, m.date, m.reference), []).append(m)
    hits = [m.number for group in groups.values()
            if len({m.transaction_identity for m in group}) > 1 for m in group]
    return Outcome(len(usable), sorted(hits))


def _missing_ranges(numbers):
    ordered = sorted(set(numbers))
    return [(low + 1, high - 1) for low, high in zip(ordered, ordered[1:]) if high - low > 1]


def transaction_gap(data, params):
    """The transactions that are all digits, as numbers, distinct and sorted: every missing
    range [from, to] between the smallest and the largest."""
    usable = [m for m in data.movements if m.transaction is not None and m.transaction.isdigit()]
    ranges = [[low, high] for low, high in _missing_ranges(int(m.transaction) for m in usable)]
    return Outcome(len(usable), ranges=ranges)


def document_gap(data, params):
    """Per C100 type (1203 trimmed, non-blank), the document numbers: missing ranges among the
    all-digit ones, and every C100 line whose type and number occur more than once."""
    usable = [d for d in data.documents if d.type and d.document_number is not None]
    ranges = []
    for kind in sorted({d.type for d in usable}):
        numbers = [int(d.document_number) for d in usable
                   if d.type == kind and d.document_number.isdigit()]
        ranges += [[str(low), str(high), cp1255_text(kind)] for low, high in _missing_ranges(numbers)]
    counts = _counts((d.type, d.document_number) for d in usable)
    return Outcome(len(usable), [d.number for d in usable if counts[d.type, d.document_number] > 1],
                   ranges=ranges)


def below_limit(data, params):
    """Per limit L: b = lines with (1 - window) x L <= |A| < L, a = lines with
    L <= |A| < (1 + window) x L; when b >= below_limit_min and b > below_limit_ratio x a,
    the b lines are hits (a line once, whatever limits catch it)."""
    window = params["below_limit_window"]
    usable = [m for m in data.movements if m.amount is not None]
    hits, figures = set(), []
    for limit in params["limits"]:
        below = [m for m in usable if (1 - window) * limit <= abs(m.amount) < limit]
        above = [m for m in usable if limit <= abs(m.amount) < (1 + window) * limit]
        figures.append({"limit": limit, "below": len(below), "above": len(above)})
        if len(below) >= params["below_limit_min"] and len(below) > params["below_limit_ratio"] * len(above):
            hits |= {m.number for m in below}
    return Outcome(len(usable), sorted(hits), figures={"limits": figures})


def blank_description(data, params):
    """Details 1361 blank."""
    return Outcome(len(data.movements), [m.number for m in data.movements if not trimmed(m.details)])


def keyword(data, params):
    """Details 1361 (converted from DOS first when the set is DOS-coded) containing a keyword as
    a substring of its code-page-1255 bytes."""
    words = [cp1255_bytes(word) for word in params["keywords"]]
    usable = [m for m in data.movements if trimmed(m.details)]
    hits = []
    for m in usable:
        text = dos_to_windows(trimmed(m.details)) if data.dos else trimmed(m.details)
        if any(word in text for word in words):
            hits.append(m.number)
    return Outcome(len(usable), hits)


def no_reference(data, params):
    """References 1357 and 1359 both blank."""
    return Outcome(len(data.movements),
                   [m.number for m in data.movements if not m.reference and not m.reference2])


def missing_document(data, params):
    """A non-blank reference 1357 with a type 1358 of which the file holds documents, and no
    C100 of that type whose number matches (both numbers without leading blanks and zeros)."""
    held = {}
    for d in data.documents:
        if d.type:
            held.setdefault(d.type, set()).add(d.document_number)
    usable = [m for m in data.movements if m.reference and m.reference_type in held]
    return Outcome(len(usable), [m.number for m in usable
                                 if number_key(m.reference) not in held[m.reference_type]])


def reversal(data, params):
    """Two lines of different transactions with the same (account, counter account) pair in
    the same order, the same |A| > 0, opposite sides, movement dates at most reversal_days
    apart; both lines are hits."""
    usable = [m for m in data.movements
              if m.account and m.counter_account and m.amount and m.date]
    groups = {}
    for m in usable:
        groups.setdefault((m.account, m.counter_account, abs(m.amount)), []).append(m)
    hits = set()
    for group in groups.values():
        for x in group:
            for y in group:
                if (x.credit != y.credit and x.transaction_identity != y.transaction_identity
                        and abs((x.date - y.date).days) <= params["reversal_days"]):
                    hits |= {x.number, y.number}
    return Outcome(len(usable), sorted(hits))


def high_value(data, params):
    """The high_value_top lines with the largest |A| (file order among ties)."""
    usable = [m for m in data.movements if m.amount is not None]
    top = sorted(usable, key=lambda m: (-abs(m.amount), m.number))[:params["high_value_top"]]
    return Outcome(len(usable), sorted(m.number for m in top))


def relative_size(data, params):
    """Per account with at least relative_size_min_lines usable lines: the largest |A| (first
    in file order) is > 0 and at least relative_size_ratio times the second of the sorted list
    (a tie for the largest is no hit); that line is the hit."""
    usable = [m for m in data.movements if m.account and m.amount is not None]
    accounts = {}
    for m in usable:
        accounts.setdefault(m.account, []).append(m)
    hits = []
    for lines in accounts.values():
        if len(lines) < params["relative_size_min_lines"]:
            continue
        ordered = sorted(lines, key=lambda m: (-abs(m.amount), m.number))
        largest, second = abs(ordered[0].amount), abs(ordered[1].amount)
        if largest > 0 and largest != second and largest >= params["relative_size_ratio"] * second:
            hits.append(ordered[0].number)
    return Outcome(len(usable), sorted(hits))


def _minutes(raw):
    if len(raw) == 4 and raw.isdigit() and int(raw[:2]) <= 23 and int(raw[2:]) <= 59:
        return int(raw[:2]) * 60 + int(raw[2:])
    return None


def after_hours(data, params):
    """C100 lines whose time 1206 (HHMM) is before work_start or from work_end."""
    usable = [(d, _minutes(d.time)) for d in data.documents if _minutes(d.time) is not None]
    return Outcome(len(usable), [d.number for d, minutes in usable
                                 if minutes < params["work_start"] or minutes >= params["work_end"]])


def backdated_document(data, params):
    """C100 production date 1205 later than the document date 1230 by more than backdate_days."""
    usable = [d for d in data.documents if d.produced and d.date]
    return Outcome(len(usable), [d.number for d in usable
                                 if (d.produced - d.date).days > params["backdate_days"]])


def cancelled_document(data, params):
    """C100 lines whose cancelled flag 1228 is "1"."""
    return Outcome(len(data.documents), [d.number for d in data.documents if d.cancelled == b"1"])


# ---------------------------------------------------------------------------------------
# Digit tests: on movement lines with |A| >= benford_min_amount, in three populations

DIGITS_CONTEXT = decimal.Context(prec=50)
# Nigrini's upper bounds of "close", "acceptable" and "marginal", inclusive.
CLASS_BOUNDS = {
    "benford-first": ("0.006", "0.012", "0.015"),
    "benford-second": ("0.008", "0.010", "0.012"),
    "benford-first-two": ("0.0012", "0.0018", "0.0022"),
}
CLASSES = ("close", "acceptable", "marginal", "nonconformity")


def digit_range(test):
    return {"benford-first": range(1, 10), "benford-second": range(10),
            "benford-first-two": range(10, 100), "last-two": range(100)}[test]


def expected_proportions(test):
    """First log10(1 + 1/d); second the sum over k = 1..9 of log10(1 + 1/(10k + d)); first-two
    log10(1 + 1/k); last-two a uniform 1/100."""
    one = decimal.Decimal(1)
    with decimal.localcontext(DIGITS_CONTEXT):
        if test == "benford-second":
            return [sum((one + one / (10 * k + d)).log10() for k in range(1, 10))
                    for d in digit_range(test)]
        if test == "last-two":
            return [one / 100 for _ in digit_range(test)]
        return [(one + one / d).log10() for d in digit_range(test)]


def digit_of(test, magnitude):
    """Digits of |A| in agorot written in decimal; last-two is (|A| div 100) mod 100."""
    text = str(magnitude)
    return {"benford-first": lambda: int(text[0]), "benford-second": lambda: int(text[1]),
            "benford-first-two": lambda: int(text[:2]),
            "last-two": lambda: magnitude // 100 % 100}[test]()


def digit_counts(test, lines):
    digits = digit_range(test)
    counts = [0] * len(digits)
    for m in lines:
        counts[digit_of(test, abs(m.amount)) - digits.start] += 1
    return counts


def digit_statistics(test, counts, params):
    """n, counts, actual and expected proportions, MAD (mean |AP - EP|) and its class, chi2
    with K - 1 degrees of freedom and its p-value, Z per digit with the 1/(2N) term only when
    smaller than |AP - EP|; with the digits whose AP > EP and Z > benford_z. Computed at 50
    digits, each rounded once to a double."""
    digits = digit_range(test)
    expected = expected_proportions(test)
    n = sum(counts)
    result = {"state": "not run" if n == 0 else "weak" if n < params["benford_min_n"] else "run",
              "n": n, "counts": counts, "actual": None,
              "expected": [float(e) for e in expected], "mad": None, "class": None,
              "chi2": None, "df": len(digits) - 1, "p": None, "z": None}
    if n == 0:
        return result, []
    with decimal.localcontext(DIGITS_CONTEXT):
        big_n = decimal.Decimal(n)
        actual = [decimal.Decimal(c) / big_n for c in counts]
        gaps = [abs(a - e) for a, e in zip(actual, expected)]
        mad = sum(gaps) / len(digits)
        chi2 = sum((c - big_n * e) ** 2 / (big_n * e) for c, e in zip(counts, expected))
        half = 1 / (2 * big_n)
        z = [(gap - (half if half < gap else 0)) / (e * (1 - e) / big_n).sqrt()
             for gap, e in zip(gaps, expected)]
        benford_z = decimal.Decimal(_exact_decimal(params["benford_z"]))
        spikes = [d for d, a, e, zd in zip(digits, actual, expected, z) if a > e and zd > benford_z]
        if test in CLASS_BOUNDS:
            bounds = [decimal.Decimal(b) for b in CLASS_BOUNDS[test]]
            result["class"] = next((name for name, bound in zip(CLASSES, bounds) if mad <= bound),
                                   CLASSES[-1])
    from scipy.stats import chi2 as chi2_distribution
    result.update({"actual": [float(Fraction(c, n)) for c in counts], "mad": float(mad),
                   "chi2": float(chi2), "p": float(chi2_distribution.sf(float(chi2), len(digits) - 1)),
                   "z": [float(value) for value in z]})
    return result, spikes


def digit_test(test):
    def run(data, params):
        """Digits of |A| in three populations ("all", "debit", "credit"); only
        benford-first-two has hits: from "all" when its class is "marginal" or
        "nonconformity", the lines of the digit pairs with AP > EP and Z > benford_z."""
        usable = [m for m in data.movements if m.amount is not None]
        counted = [m for m in usable if abs(m.amount) >= params["benford_min_amount"]]
        populations = {"all": counted, "debit": [m for m in counted if not m.credit],
                       "credit": [m for m in counted if m.credit]}
        figures, hits = {}, []
        for name, lines in populations.items():
            figures[name], spikes = digit_statistics(test, digit_counts(test, lines), params)
            if (name == "all" and test == "benford-first-two"
                    and figures[name]["class"] in ("marginal", "nonconformity")):
                hits = [m.number for m in lines if digit_of(test, abs(m.amount)) in spikes]
        return Outcome(len(usable), hits, figures={"digits": figures},
                       population_state=figures["all"]["state"])
    run.__name__ = test
    return run


# (id, record type, fields it needs, function), in the order of the result.
TESTS = [
    ("population", "B100", ["1368"], population),
    ("late-entry", "B100", ["1375", "1362"], late_entry),
    ("post-closing", "B100", ["1375", "1362"], post_closing),
    ("period-end", "B100", ["1362"], period_end),
    ("weekend", "B100", ["1375", "1362"], weekend),
    ("holiday", "B100", ["1375", "1362"], holiday),
    ("rare-operator", "B100", ["1376"], rare_operator),
    ("seldom-account", "B100", ["1364"], seldom_account),
    ("rare-flow", "B100", ["1364", "1365"], rare_flow),
    ("round-amount", "B100", ["1368"], round_amount),
    ("duplicate", "B100", ["1364", "1357", "1368", "1362"], duplicate),
    ("transaction-gap", "B100", ["1353"], transaction_gap),
    ("document-gap", "C100", ["1203", "1204"], document_gap),
    ("below-limit", "B100", ["1368"], below_limit),
    ("blank-description", "B100", ["1361"], blank_description),
    ("keyword", "B100", ["1361"], keyword),
    ("no-reference", "B100", ["1357", "1359"], no_reference),
    ("missing-document", "B100", ["1357", "1358"], missing_document),
    ("reversal", "B100", ["1364", "1365", "1368", "1362"], reversal),
    ("high-value", "B100", ["1368"], high_value),
    ("relative-size", "B100", ["1364", "1368"], relative_size),
    ("after-hours", "C100", ["1206"], after_hours),
    ("backdated-document", "C100", ["1205", "1230"], backdated_document),
    ("cancelled-document", "C100", ["1228"], cancelled_document),
] + [(test, "B100", ["1368"], digit_test(test)) for test in DIGIT_TESTS]
assert [t[0] for t in TESTS] == TEST_IDS

# Tests whose hits are movement lines: they give hit_amount and count in the ranking.
MOVEMENT_HIT_TESTS = set(TEST_IDS) - {"population", "transaction-gap", "document-gap",
                                      "after-hours", "backdated-document", "cancelled-document"}
STATE_ORDER = ["run", "weak", "not run"]


def worse(*states):
    return max(states, key=STATE_ORDER.index)


def test_entry(test, record, needs, outcome, data, params):
    lines = len(data.movements) if record == "B100" else len(data.documents)
    if lines == 0 or outcome.usable == 0:
        state = "not run"
    elif Fraction(outcome.usable, lines) < params["weak_share"] or outcome.weak:
        state = "weak"
    else:
        state = "run"
    if outcome.population_state is not None:
        state = worse(state, outcome.population_state)
    amounts = {m.number: abs(m.amount) for m in data.movements if m.amount is not None}
    entry = {
        "id": test, "state": state, "needs": [f"{record}:{code}" for code in needs],
        "usable_share": outcome.usable / lines if lines else None,
        # Each unbalanced batch is a hit of the population beside its cards.
        "hits": len(outcome.ranges or []) + len(outcome.lines) +
        (len(outcome.figures["unbalanced_batches"]) if test == "population" else 0),
        "hit_amount": (sum(amounts.get(n, 0) for n in outcome.lines)
                       if test in MOVEMENT_HIT_TESTS else 0),
        "lines": outcome.lines,
    }
    if outcome.ranges is not None:
        entry["ranges"] = outcome.ranges
    entry.update({k: v for k, v in outcome.figures.items()
                  if k not in ("digits", "reconciles", "reasons")})
    return entry


def ranking(data, entries, params):
    """Per transaction, the sum of the weights of the distinct tests its lines hit; scores of
    0 left out; the ranking_top highest, ties by first line."""
    by_line = {m.number: m for m in data.movements}
    first_line, tests_of = {}, {}
    for m in data.movements:
        first_line.setdefault(m.transaction_identity, m.number)
    for entry in entries:
        if entry["id"] in MOVEMENT_HIT_TESTS:
            for number in entry["lines"]:
                tests_of.setdefault(by_line[number].transaction_identity, set()).add(entry["id"])
    weights = params["weights"]
    ranked = []
    for identity, tests in tests_of.items():
        score = sum(weights.get(test, 1) for test in tests)
        if score > 0:
            ranked.append({"transaction": cp1255_text(identity[1]) if identity[0] == "key" else None,
                           "score": score, "tests": [t for t in TEST_IDS if t in tests],
                           "first_line": first_line[identity]})
    ranked.sort(key=lambda r: (-r["score"], r["first_line"]))
    return ranked[:params["ranking_top"]]


def iso(day):
    return day.isoformat() if day else None


def run_pack(data, params, chosen):
    entries, digits, population_figures = [], {}, None
    for test, record, needs, function in TESTS:
        if test not in chosen:
            continue
        outcome = function(data, params)
        entries.append(test_entry(test, record, needs, outcome, data, params))
        if test == "population":
            population_figures = outcome.figures
        if test in DIGIT_TESTS:
            digits[test] = outcome.figures["digits"]
    period = data.period
    return {
        "source": data.source,
        "parameters": printed_parameters(params),
        "population": {"period": {"from": iso(period["from"]), "to": iso(period["to"]),
                                  "source": period["source"]},
                       "reconciles": population_figures["reconciles"],
                       "reasons": population_figures["reasons"],
                       "batches_off": [{"batch": batch}
                                       for batch in population_figures["unbalanced_batches"]]},
        "tests": entries,
        "digits": digits,
        "ranking": ranking(data, entries, params),
    }


def chosen_tests(text):
    if text is None:
        return set(TEST_IDS)
    chosen = {test.strip() for test in text.split(",") if test.strip()}
    unknown = sorted(chosen - set(TEST_IDS))
    if unknown:
        raise ParameterError(f"--tests: no such test: {', '.join(unknown)}")
    return chosen | {"population"}


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--params")
    parser.add_argument("--tests")
    parser.add_argument("--print-params", action="store_true")
    parser.add_argument("folder", nargs="?")
    args = parser.parse_args(argv)
    try:
        params = load_parameters(args.params)
        chosen = chosen_tests(args.tests)
    except ParameterError as error:
        print(f"jet_reference: {error}", file=sys.stderr)
        return 2
    if args.print_params:
        document = printed_parameters(params)
    else:
        if args.folder is None:
            parser.error("a folder is needed")
        try:
            document = run_pack(read_folder(args.folder), params, chosen)
        except (FolderError, OSError, zipfile.BadZipFile) as error:
            print(f"jet_reference: {error}", file=sys.stderr)
            return 1
    sys.stdout.write(json.dumps(document, indent=2, ensure_ascii=False) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
