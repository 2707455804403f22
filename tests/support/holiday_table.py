#!/usr/bin/python3
"""Prints the Israeli holidays of the years FIRST to LAST (YYYYMMDD, one a line), from
python3-pyluach: its religious festivals in Israel that are days off, and Independence Day
from 5 Iyar's weekday (brought forward from Friday and Saturday, put off from Monday).

usage: holiday_table.py FIRST LAST"""
import datetime
import sys

from pyluach import dates

first, last = int(sys.argv[1]), int(sys.argv[2])
day = datetime.date(first, 1, 1)
end = datetime.date(last + 1, 1, 1)
holidays = set()
while day < end:
    hebrew = dates.GregorianDate(day.year, day.month, day.day).to_heb()
    if hebrew.festival(israel=True, include_working_days=False):
        holidays.add(day)
    if hebrew.month == 2 and hebrew.day == 5:  # 5 Iyar; pyluach's weekday: Sunday 1
        shift = {6: -1, 7: -2, 2: 1}.get(hebrew.weekday(), 0)
        holidays.add(day + datetime.timedelta(days=shift))
    day += datetime.timedelta(days=1)
for day in sorted(h for h in holidays if first <= h.year <= last):
    print(day.strftime("%Y%m%d"))
