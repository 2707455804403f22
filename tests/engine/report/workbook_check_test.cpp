// Reading a workbook back: an archive that lacks a part, holds an empty or cut part, a sheet
// with rows missing, or an entry that fails its CRC is found out; a whole one passes.
#include "engine/report/workbook_check.h"

#include <gtest/gtest.h>

#include "support/test_files.h"

namespace tallyscan {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

const std::string kSheet =
    "<worksheet><sheetData><row r=\"1\"><c r=\"A1\"/></row>"
    "<row r=\"3\"><c r=\"A3\"/></row></sheetData></worksheet>\n";

Entries WholeWorkbook() {
  Entries entries;
  for (const char* part :
       {"[Content_Types].xml", "_rels/.rels", "docProps/app.xml", "docProps/core.xml",
        "xl/workbook.xml", "xl/styles.xml", "xl/_rels/workbook.xml.rels", "xl/theme/theme1.xml"}) {
    entries.emplace_back(part, "<part/>");
  }
  entries.emplace_back("xl/worksheets/sheet1.xml", kSheet);
  return entries;
}

Entries With(Entries entries, const std::string& name, const std::string& content) {
  for (auto& [entry, bytes] : entries) {
    if (entry == name) bytes = content;
  }
  return entries;
}

Entries Adding(Entries entries, const std::string& name) {
  entries.emplace_back(name, "<part/>");
  return entries;
}

Entries Without(Entries entries, const std::string& name) {
  std::erase_if(entries, [&](const auto& entry) { return entry.first == name; });
  return entries;
}

WorkbookParts Parts(std::vector<std::int64_t> sheet_rows, bool custom_properties = false) {
  WorkbookParts parts;
  parts.sheet_rows = std::move(sheet_rows);
  parts.custom_properties = custom_properties;
  return parts;
}

WorkbookParts Charted(WorkbookParts parts, int charts, int drawings) {
  parts.charts = charts;
  parts.drawings = drawings;
  return parts;
}

TEST(WorkbookCheck, EachFaultOfTheArchiveIsFound) {
  const WorkbookParts one_sheet = Parts({2});
  struct Case {
    std::string what;
    Entries entries;
    WorkbookParts parts;
    std::string fault;  // empty: passes
  };
  const std::vector<Case> cases = {
      {"whole", WholeWorkbook(), one_sheet, ""},
      {"a part missing", Without(WholeWorkbook(), "xl/styles.xml"), one_sheet,
       "the part xl/styles.xml is missing"},
      {"a sheet missing", WholeWorkbook(), Parts({2, 5}),
       "the part xl/worksheets/sheet2.xml is missing"},
      {"the properties missing", WholeWorkbook(), Parts({2}, true),
       "the part docProps/custom.xml is missing"},
      {"an empty part", With(WholeWorkbook(), "[Content_Types].xml", ""), one_sheet,
       "the part [Content_Types].xml is empty"},
      {"a part cut in a tag", With(WholeWorkbook(), "xl/workbook.xml", "<workbook><sheets"),
       one_sheet, "the part xl/workbook.xml is cut short"},
      {"a sheet cut between rows",
       With(WholeWorkbook(), "xl/worksheets/sheet1.xml",
            kSheet.substr(0, kSheet.find("<row r=\"3\""))),
       one_sheet, "the sheet xl/worksheets/sheet1.xml is cut short"},
      {"a sheet without a row", WholeWorkbook(), Parts({3}),
       "the sheet xl/worksheets/sheet1.xml is cut short"},
      {"a chart missing", WholeWorkbook(), Charted(Parts({2}), 1, 1),
       "the part xl/charts/chart1.xml is missing"},
      {"a chart's drawing missing", Adding(WholeWorkbook(), "xl/charts/chart1.xml"),
       Charted(Parts({2}), 1, 1), "the part xl/drawings/drawing1.xml is missing"},
  };
  for (const Case& c : cases) {
    testing::TempFolder folder;
    const std::string path = folder.File("book.xlsx");
    testing::WriteZip(path, c.entries);
    EXPECT_EQ(c.fault, WorkbookFault(path, c.parts)) << c.what;
  }
}

TEST(WorkbookCheck, ABrokenEntryOrNoArchiveIsFound) {
  testing::TempFolder folder;
  const std::string path = folder.File("book.xlsx");
  // A sheet long enough that a byte in the middle of its compressed data is its own.
  std::string sheet = "<worksheet><sheetData>";
  for (int r = 1; r <= 2000; ++r) {
    sheet += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) +
             "\" t=\"n\"><v>" + std::to_string(r * 7919 % 10007) + "</v></c></row>";
  }
  sheet += "</sheetData></worksheet>";
  testing::WriteZip(path, With(WholeWorkbook(), "xl/worksheets/sheet1.xml", sheet));
  ASSERT_EQ("", WorkbookFault(path, Parts({2000})));
  std::string bytes = testing::ReadFile(path);
  const std::size_t middle = bytes.find("xl/worksheets/sheet1.xml") + 24 + 3000;
  bytes[middle] = static_cast<char>(bytes[middle] ^ 0x5A);
  testing::WriteFile(path, bytes);
  EXPECT_NE("", WorkbookFault(path, Parts({2000})));

  testing::WriteFile(path, "not an archive");
  EXPECT_EQ("the archive cannot be opened", WorkbookFault(path, Parts({1})));
}

}  // namespace
}  // namespace tallyscan
