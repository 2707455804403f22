#include "engine/uniform/record_detail.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/uniform/import_rows.h"
#include "engine/uniform/layouts.h"

namespace tallyscan {
namespace {

// The detail rows and the import log are shown by the same list, with the same markers; a
// view that builds both includes both headers.
static_assert(kErrorMarker == kCreditMarker && kHeadingMarker == "\u200E");

constexpr RecordType kAllTypes[] = {RecordType::kA000, RecordType::kA100, RecordType::kB100,
                                    RecordType::kB110, RecordType::kC100, RecordType::kD110,
                                    RecordType::kD120, RecordType::kM100, RecordType::kZ900};

const std::string kLrm(kHeadingMarker);

// A value every field of its kind accepts.
std::string ValidValue(const RecordLayout& layout, const FieldLayout& field) {
  const auto w = static_cast<std::size_t>(field.width);
  switch (field.kind) {
    case FieldKind::kCode:
      return field.start == 1 ? std::string(layout.code) : "&OF1.31&";
    case FieldKind::kDigits:
    case FieldKind::kUdec:
      return std::string(w, '0');
    case FieldKind::kId9:
      return "123456782";
    case FieldKind::kAmount:
    case FieldKind::kQty4:
      return "+" + std::string(w - 1, '0');
    case FieldKind::kDate:
      return "20240131";
    case FieldKind::kTime:
      return "1230";
    case FieldKind::kDoctype:
      return "305";
    case FieldKind::kEnum:
      return "1";
    default:
      return std::string(w, ' ');
  }
}

// A record line whose fields all hold valid values, except those given, each placed at its
// field and padded with spaces to the field's width.
std::string MakeLine(RecordType type,
                     std::initializer_list<std::pair<int, std::string_view>> values = {}) {
  const RecordLayout& layout = LayoutOf(type);
  std::string line(static_cast<std::size_t>(layout.full_width), ' ');
  auto put = [&line](const FieldLayout& field, std::string_view value) {
    std::string cell(value.substr(0, static_cast<std::size_t>(field.width)));
    cell.resize(static_cast<std::size_t>(field.width), ' ');
    line.replace(static_cast<std::size_t>(field.start - 1), cell.size(), cell);
  };
  for (const FieldLayout& field : layout.fields) put(field, ValidValue(layout, field));
  for (const auto& [code, value] : values) {
    const FieldLayout* field = FindField(layout, code);
    if (field == nullptr) ADD_FAILURE() << "no field " << code;
    if (field != nullptr) put(*field, value);
  }
  return line;
}

std::vector<std::string> Cells(const std::string& row) {
  std::vector<std::string> cells;
  std::stringstream in(row);
  std::string cell;
  while (std::getline(in, cell, '\t')) cells.push_back(cell);
  if (!row.empty() && row.back() == '\t') cells.emplace_back();
  return cells;
}

// The cells of the row of one field.
std::vector<std::string> FieldRow(const std::vector<std::string>& rows, int code) {
  for (const std::string& row : rows) {
    std::vector<std::string> cells = Cells(row);
    if (cells.size() > 1 && cells[1] == std::to_string(code)) return cells;
  }
  ADD_FAILURE() << "no row for field " << code;
  return {"", "", "", "", ""};
}

TEST(RecordDetailTest, ValidLineOfEachTypeHasOneUnmarkedRowPerField) {
  for (RecordType type : kAllTypes) {
    const RecordLayout& layout = LayoutOf(type);
    SCOPED_TRACE(std::string(layout.code));
    const std::vector<std::string> rows = BuildRecordDetailRows(MakeLine(type), false);
    ASSERT_EQ(layout.fields.size(), rows.size());
    EXPECT_EQ("3\t" + std::to_string(layout.fields[0].code) + "\t" +
                  std::string(layout.fields[0].caption) + kLrm + "\t" + std::string(layout.code) +
                  kLrm + "\t" + std::string(layout.name) + kLrm,
              rows[0]);
    for (const std::string& row : rows) {
      const std::vector<std::string> cells = Cells(row);
      ASSERT_EQ(5u, cells.size()) << row;
      EXPECT_EQ("3", cells[0]) << row;
      EXPECT_EQ(std::string::npos, row.find(kErrorMarker)) << row;
    }
  }
}

TEST(RecordDetailTest, InvalidFieldOfEachTypeIsMarked) {
  struct Case {
    RecordType type;
    int code;
    std::string_view value;
  };
  const Case cases[] = {
      {RecordType::kA000, 1003, "123456789"},        // check digit wrong
      {RecordType::kA000, 1024, "2024013A"},         // date fields are tested as digits
      {RecordType::kA100, 1101, "00000000A"},        //
      {RecordType::kZ900, 1155, "00000000000001 "},  //
      {RecordType::kB100, 1358, "999"},              // document type not listed
      {RecordType::kB100, 1370, "+0000000001X0"},    // amount digits after the sign
      {RecordType::kB110, 1419, "12345678 "},        //
      {RecordType::kB110, 1415, "+00000000001 34"},  //
      {RecordType::kC100, 1203, "30A"},              //
      {RecordType::kC100, 1206, "12:3"},             //
      {RecordType::kD110, 1272, "20501301"},         // date out of range
      {RecordType::kD110, 1258, "A"},                //
      {RecordType::kD110, 1264, "+000000000000125A"},
      {RecordType::kD120, 1307, "000000001A"},  //
      {RecordType::kD120, 1311, "19991231"},    //
      {RecordType::kM100, 1463, "A000000100"},  // unsigned: every character is a digit
      {RecordType::kM100, 1461, "+0000000001A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.code));
    const std::vector<std::string> rows =
        BuildRecordDetailRows(MakeLine(c.type, {{c.code, c.value}}), false);
    const std::vector<std::string> cells = FieldRow(rows, c.code);
    EXPECT_EQ("1", cells[0]);
    ASSERT_FALSE(cells[3].empty());
    EXPECT_EQ(kErrorMarker, cells[3].back());
    EXPECT_EQ(1, std::count_if(rows.begin(), rows.end(),
                               [](const std::string& r) { return r.front() == '1'; }));
  }
}

// A date the reading rejects is marked and shows no meaning, whatever the record type.
TEST(RecordDetailTest, DateTheReadingRejectsIsMarkedWithoutMeaning) {
  struct Case {
    RecordType type;
    int code;
    std::string_view value;
  };
  const Case cases[] = {
      {RecordType::kB100, 1362, "20241301"},  // month 13
      {RecordType::kB100, 1363, "20240132"},  // day 32
      {RecordType::kC100, 1205, "19991231"},  // year before the range
      {RecordType::kC100, 1230, "2024 131"},  // not digits
      {RecordType::kD110, 1272, "20501231"},  // year after the range
      {RecordType::kA000, 1025, "20241300"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.code));
    const std::vector<std::string> rows =
        BuildRecordDetailRows(MakeLine(c.type, {{c.code, c.value}}), false);
    const std::vector<std::string> cells = FieldRow(rows, c.code);
    EXPECT_EQ("1", cells[0]);
    EXPECT_EQ(std::string(c.value) + kErrorMarker, cells[3]);
    EXPECT_EQ("", cells[4]);
  }
}

// A line the reading refuses for its length is marked on its record code, and only there.
TEST(RecordDetailTest, LineOfTheWrongLengthIsMarkedInItsFirstRow) {
  for (RecordType type : kAllTypes) {
    const RecordLayout& layout = LayoutOf(type);
    if (layout.length == 0) continue;
    SCOPED_TRACE(std::string(layout.code));
    std::string line = MakeLine(type);
    line.resize(static_cast<std::size_t>(layout.length), ' ');
    for (const std::string& wrong : {line + " ", line.substr(0, line.size() - 1)}) {
      const std::vector<std::string> rows = BuildRecordDetailRows(wrong, false);
      ASSERT_FALSE(rows.empty());
      EXPECT_EQ(std::string(layout.code) + kLrm + kErrorMarker, Cells(rows[0])[3]);
      EXPECT_EQ(1, std::count_if(rows.begin(), rows.end(),
                                 [](const std::string& r) { return r.front() == '1'; }));
    }
    EXPECT_EQ(std::string::npos, BuildRecordDetailRows(line, false)[0].find(kErrorMarker));
  }
}

TEST(RecordDetailTest, MeaningsAreDisplayForms) {
  const auto b100 = BuildRecordDetailRows(MakeLine(RecordType::kB100, {{1368, "+00000000012345"},
                                                                       {1369, "-00000000012345"},
                                                                       {1362, "00000000"},
                                                                       {1364, "   000004711   "},
                                                                       {1366, "2"},
                                                                       {1360, "400"}}),
                                          false);
  EXPECT_EQ("123.45", FieldRow(b100, 1368)[4]);
  EXPECT_EQ("-123.45", FieldRow(b100, 1369)[4]);
  EXPECT_EQ("00000000", FieldRow(b100, 1362)[3]);  // no date: valid, shown as zeros
  EXPECT_EQ("00/00/0000", FieldRow(b100, 1362)[4]);
  EXPECT_EQ("31/01/2024", FieldRow(b100, 1363)[4]);
  EXPECT_EQ("4711", FieldRow(b100, 1364)[3]);
  EXPECT_EQ("", FieldRow(b100, 1364)[4]);
  EXPECT_EQ("זכות", FieldRow(b100, 1366)[4]);
  EXPECT_EQ("קבלה", FieldRow(b100, 1360)[4]);

  const auto d110 = BuildRecordDetailRows(MakeLine(RecordType::kD110, {{1264, "+0000000000012500"},
                                                                       {1268, "1700"},
                                                                       {1256, "999"},
                                                                       {1258, "3"},
                                                                       {1267, "+00000123456789"}}),
                                          false);
  EXPECT_EQ("1.2500", FieldRow(d110, 1264)[4]);
  EXPECT_EQ("17.00", FieldRow(d110, 1268)[4]);
  EXPECT_EQ("1,234,567.89", FieldRow(d110, 1267)[4]);
  EXPECT_EQ("שירות ומכר", FieldRow(d110, 1258)[4]);
  // An unknown base document type is named as unknown but not marked.
  EXPECT_EQ("3", FieldRow(d110, 1256)[0]);
  EXPECT_EQ("לא ידוע", FieldRow(d110, 1256)[4]);

  const auto d120 = BuildRecordDetailRows(
      MakeLine(RecordType::kD120, {{1307, "0000000010"}, {1306, "3"}, {1313, "5"}}), false);
  EXPECT_EQ("0000000010", FieldRow(d120, 1307)[3]);
  EXPECT_EQ("לאומי", FieldRow(d120, 1307)[4]);
  EXPECT_EQ("כרטיס אשראי", FieldRow(d120, 1306)[4]);
  EXPECT_EQ("", FieldRow(d120, 1313)[4]);
  const auto unlisted_bank =
      BuildRecordDetailRows(MakeLine(RecordType::kD120, {{1307, "0000000001"}}), false);
  EXPECT_EQ("3", FieldRow(unlisted_bank, 1307)[0]);
  EXPECT_EQ("", FieldRow(unlisted_bank, 1307)[4]);

  const auto c100 = BuildRecordDetailRows(MakeLine(RecordType::kC100, {{1206, "0945"}}), false);
  EXPECT_EQ("09:45", FieldRow(c100, 1206)[4]);
  EXPECT_EQ("חשבונית מס", FieldRow(c100, 1203)[4]);
}

TEST(RecordDetailTest, CharacterSetMeaningAndDosConversion) {
  const std::string windows = MakeLine(RecordType::kA000, {{1029, "1"}});
  EXPECT_EQ("חלונות", FieldRow(BuildRecordDetailRows(windows, false), 1029)[4]);
  const std::string blank = MakeLine(RecordType::kA000, {{1029, " "}});
  EXPECT_EQ("דוס", FieldRow(BuildRecordDetailRows(blank, false), 1029)[4]);

  // DOS-coded texts are converted, except the fields that are never converted.
  const std::string b110 =
      MakeLine(RecordType::kB110, {{1404, "\x80\x81\x82"}, {1410, "\x80\x81\x82"}});
  EXPECT_EQ("גבא", FieldRow(BuildRecordDetailRows(b110, true), 1404)[3]);
  // Unconverted, the DOS letters read as what those bytes are in code page 1255; 0x81, which
  // the code page leaves undefined, is a blank.
  const std::string as_windows = "\u20AC \u201A";
  EXPECT_EQ(as_windows, FieldRow(BuildRecordDetailRows(b110, true), 1410)[3]);
  EXPECT_EQ(as_windows, FieldRow(BuildRecordDetailRows(b110, false), 1404)[3]);
}

TEST(RecordDetailTest, SeparatorsStoredInAFieldCannotSplitTheRow) {
  const std::string line = MakeLine(
      RecordType::kB110, {{1404, "Cash\tbox\x1D"}, {1401, "00000\t001"}, {1410, "Bold\xFD\x1C."}});
  const auto rows = BuildRecordDetailRows(line, false);
  EXPECT_EQ("Cash box ", FieldRow(rows, 1404)[3]);
  EXPECT_EQ("Bold  .", FieldRow(rows, 1410)[3]);  // 0xFD is the heading marker
  const std::vector<std::string> marked = FieldRow(rows, 1401);
  ASSERT_EQ(5u, marked.size());
  EXPECT_EQ("1", marked[0]);
  EXPECT_EQ(std::string("00000 001") + kErrorMarker, marked[3]);
}

// The import counts a lower-case record code as its type; the detail view shows it too.
TEST(RecordDetailTest, LowerCaseRecordCodeIsShownAsItsType) {
  std::string line = MakeLine(RecordType::kC100);
  line[0] = 'c';
  const auto rows = BuildRecordDetailRows(line, false);
  EXPECT_EQ(BuildRecordDetailRows(MakeLine(RecordType::kC100), false).size(), rows.size());
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ("c100" + std::string(kHeadingMarker), Cells(rows[0])[3]);
}

TEST(RecordDetailTest, ReservedAreaOfAccountHasNoCode) {
  const auto rows = BuildRecordDetailRows(MakeLine(RecordType::kB110), false);
  const std::vector<std::string> last = Cells(rows.back());
  EXPECT_EQ("", last[1]);
  EXPECT_EQ("נתונים עתידיים", last[2]);
}

TEST(RecordDetailTest, ShortLineShowsWhatExistsAndUnknownTypeShowsNothing) {
  const std::string line = MakeLine(RecordType::kB110, {{1404, "Cash box"}}).substr(0, 41);
  const auto rows = BuildRecordDetailRows(line, false);
  ASSERT_EQ(5u, rows.size());  // 1400-1403 whole, 1404 cut short
  EXPECT_EQ("Cash", Cells(rows.back())[3]);
  // A field cut short is tested as it stands.
  const auto cut = BuildRecordDetailRows(MakeLine(RecordType::kB110).substr(0, 20), false);
  ASSERT_EQ(3u, cut.size());
  EXPECT_EQ("1", Cells(cut.back())[0]);

  EXPECT_TRUE(BuildRecordDetailRows("X999 whatever", false).empty());
  EXPECT_TRUE(BuildRecordDetailRows("", false).empty());
  EXPECT_TRUE(BuildRecordDetailRows("B11", false).empty());
}

TEST(RecordDetailTest, IniViewListsSummariesThenOpeningAndClosingRecords) {
  const std::string a000 = MakeLine(RecordType::kA000);
  const std::string a100 = MakeLine(RecordType::kA100);
  const std::string z900 = MakeLine(RecordType::kZ900, {{1155, "000000000000014"}});
  const std::string_view summaries[] = {"B100000000000001234", "A100000000000000001", "   ",
                                        "C10000000000000001X"};
  const auto rows = BuildIniDetailRows(a000, summaries, a100, z900, false);

  const std::size_t a000_rows = LayoutOf(RecordType::kA000).fields.size();
  ASSERT_EQ(a000_rows + 3 + LayoutOf(RecordType::kA100).fields.size() +
                LayoutOf(RecordType::kZ900).fields.size(),
            rows.size());
  EXPECT_EQ("3\t1050\tסיכומי רשומות תנועות הנהלת חשבונות\t000000000001234\t1,234", rows[a000_rows]);
  EXPECT_EQ("3\t1050\tסיכומי רשומות A100\t000000000000001\t1", rows[a000_rows + 1]);
  EXPECT_EQ("3\t1050\tסיכומי רשומות כותרות מסמכים\t00000000000001X\t", rows[a000_rows + 2]);
  EXPECT_EQ("1100", Cells(rows[a000_rows + 3])[1]);
  EXPECT_EQ("רשומת פתיחה" + kLrm, Cells(rows[a000_rows + 3])[4]);
  EXPECT_EQ("000000000000014", FieldRow(rows, 1155)[3]);

  // Without the data file the view is the header and its summaries.
  EXPECT_EQ(a000_rows + 3, BuildIniDetailRows(a000, summaries, {}, {}, false).size());
}

// Files written by other programs: every line of every file yields well-formed rows.
TEST(RecordDetailTest, RealWorldFilesNeverBreakTheBuilder) {
  const char* override_dir = std::getenv("TALLYSCAN_REALWORLD_DIR");
  const std::filesystem::path root =
      override_dir != nullptr ? override_dir : TALLYSCAN_REALWORLD_DIR;
  std::error_code error;
  if (!std::filesystem::is_directory(root, error)) GTEST_SKIP() << "no folder " << root;
  std::size_t lines_seen = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root, error)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    std::vector<std::string_view> lines;
    std::string_view rest(content);
    while (!rest.empty()) {
      const std::size_t end = rest.find_first_of("\r\n");
      lines.push_back(rest.substr(0, end));
      if (end == std::string_view::npos) break;
      rest.remove_prefix(end + (rest.compare(end, 2, "\r\n") == 0 ? 2 : 1));
    }
    for (bool dos : {false, true}) {
      for (std::string_view line : lines) {
        for (const std::string& row : BuildRecordDetailRows(line, dos)) {
          EXPECT_EQ(4, std::count(row.begin(), row.end(), '\t')) << entry.path() << ": " << row;
        }
        ++lines_seen;
      }
      if (!lines.empty()) {
        const std::vector<std::string_view> summaries(lines.begin() + 1, lines.end());
        const auto rows =
            BuildIniDetailRows(lines.front(), summaries, lines.front(), lines.back(), dos);
        for (const std::string& row : rows) {
          EXPECT_EQ(4, std::count(row.begin(), row.end(), '\t')) << entry.path() << ": " << row;
        }
      }
    }
  }
  EXPECT_GT(lines_seen, 0u);
}

}  // namespace
}  // namespace tallyscan
