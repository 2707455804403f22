#!/usr/bin/python3
"""Reads a workbook the way an independent program does (openpyxl) and prints what it holds,
one fact per line, TAB-separated:

  properties  TITLE  DESCRIPTION
  custom      NAME   VALUE
  sheet       NAME   rtl|ltr  FREEZE
  cell        SHEET  COORDINATE  TYPE  VALUE  NUMBER_FORMAT  COLOUR  BOLD  ALIGNMENT
  chart       PART   TYPE  TITLE
  series      PART   NAME  CATEGORIES  VALUES   (CATEGORIES as str:REF or num:REF)
"""
import sys
import zipfile
import xml.etree.ElementTree as ElementTree

import openpyxl


CHART = "{http://schemas.openxmlformats.org/drawingml/2006/chart}"
DRAWING = "{http://schemas.openxmlformats.org/drawingml/2006/main}"


def print_chart(name, root):
    plot = root.find(f"{CHART}chart/{CHART}plotArea")
    kind = next((child.tag.replace(CHART, "") for child in plot if child.tag.endswith("Chart")), "")
    title = "".join(t.text or "" for t in root.iter(f"{DRAWING}t"))
    print("chart", name, kind, title, sep="\t")
    for series in root.iter(f"{CHART}ser"):
        caption = series.findtext(f"{CHART}tx/{CHART}v") or ""
        categories = ""
        for ref in ("strRef", "numRef"):
            found = series.findtext(f"{CHART}cat/{CHART}{ref}/{CHART}f")
            if found:
                categories = ref[:3] + ":" + found
        values = series.findtext(f"{CHART}val/{CHART}numRef/{CHART}f") or ""
        print("series", name, caption, categories, values, sep="\t")


def main(path):
    book = openpyxl.load_workbook(path)
    print("properties", book.properties.title or "", book.properties.description or "", sep="\t")
    with zipfile.ZipFile(path) as archive:
        if "docProps/custom.xml" in archive.namelist():
            root = ElementTree.fromstring(archive.read("docProps/custom.xml"))
            for prop in root:
                print("custom", prop.get("name"), "".join(prop.itertext()), sep="\t")
        for name in sorted(n for n in archive.namelist() if n.startswith("xl/charts/chart")):
            print_chart(name, ElementTree.fromstring(archive.read(name)))
    for sheet in book.worksheets:
        print("sheet", sheet.title, "rtl" if sheet.sheet_view.rightToLeft else "ltr",
              sheet.freeze_panes or "", sep="\t")
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is None:
                    continue
                colour = ""
                if cell.font is not None and cell.font.color is not None and cell.font.color.type == "rgb":
                    colour = cell.font.color.rgb
                print("cell", sheet.title, cell.coordinate, type(cell.value).__name__,
                      repr(cell.value) if isinstance(cell.value, float) else cell.value,
                      cell.number_format, colour, "bold" if cell.font.b else "",
                      cell.alignment.horizontal or "", sep="\t")


if __name__ == "__main__":
    main(sys.argv[1])
