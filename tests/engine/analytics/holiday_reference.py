"""The Israeli holidays of 2000-2050 by pyluach, for holidays_test: one line per day that is
one, "YYYY-MM-DD name". The religious days are pyluach's festivals in Israel that are not
working days; Independence Day, which pyluach does not give, is 5 Iyar moved as the law
moves it (to Thursday from a Friday or Saturday, to Tuesday from a Monday)."""
import datetime

from pyluach import dates

NAMES = {
    "Rosh Hashana": "rosh-hashana",
    "Yom Kippur": "yom-kippur",
    "Succos": "sukkot",
    "Shmini Atzeres": "shemini-atzeret",
    "Pesach": "pesach",
    "Shavuos": "shavuot",
}

day = datetime.date(2000, 1, 1)
while day.year <= 2050:
    g = dates.GregorianDate(day.year, day.month, day.day)
    festival = g.festival(israel=True, include_working_days=False)
    name = NAMES.get(festival) if festival else None
    h = g.to_heb()
    if name is None and h.month == 2 and h.day in (3, 4, 5, 6):
        fifth = dates.HebrewDate(h.year, 2, 5)
        weekday = fifth.weekday()  # 1 Sunday .. 7 Saturday
        moved_to = {6: 4, 7: 3, 2: 6}.get(weekday, 5)
        if h.day == moved_to:
            name = "independence-day"
    if name:
        print(day.isoformat(), name)
    day += datetime.timedelta(days=1)
