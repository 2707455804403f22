#!/usr/bin/python3
"""Reads a workbook the way an independent program does (openpyxl) and prints what it holds,
one fact per line, TAB-separated:

  properties  TITLE  DESCRIPTION
  custom      NAME   VALUE
  sheet       NAME   rtl|ltr  FREEZE
  cell        SHEET  COORDINATE  TYPE  VALUE  NUMBER_FORMAT  COLOUR  BOLD  ALIGNMENT
"""
import sys
import zipfile
import xml.etree.ElementTree as ElementTree

import openpyxl


def main(path):
    book = openpyxl.load_workbook(path)
    print("properties", book.properties.title or "", book.properties.description or "", sep="\t")
    with zipfile.ZipFile(path) as archive:
        if "docProps/custom.xml" in archive.namelist():
            root = ElementTree.fromstring(archive.read("docProps/custom.xml"))
            for prop in root:
                print("custom", prop.get("name"), "".join(prop.itertext()), sep="\t")
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
