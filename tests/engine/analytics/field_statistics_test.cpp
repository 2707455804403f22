// The field statistics and the producer's summaries on hand-made sets: each figure of each
// counted field at its edges (blanks, a short line, invalid values, zeros, negatives, the
// smallest and largest at two lines, dates on and beyond the period's ends), the same figures
// from a DOS-coded and a zipped set, fields invalid exactly where the import's rule says so,
// the side totals against the checks, the documents by type and the record counts.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "engine/analytics/field_statistics.h"
#include "engine/analytics/field_statistics_rows.h"
#include "engine/checks/checks.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"
#include "support/small_set.h"
#include "support/test_files.h"

namespace tallyscan::testing {
namespace {

using Fields = std::initializer_list<std::pair<int, std::string_view>>;

// A valid movement numbered `record`, then the fields given as they are to stand.
std::string Movement(std::int64_t record, Fields fields = {}) {
  RecordWriter w(RecordType::kB100);
  w.SetDigits(1351, record).SetDigits(1352, kDealer).SetDigits(1353, record).SetDigits(1354, 1);
  w.SetDigits(1355, 1).SetDate(1362, 20230305).SetDate(1363, 20230305).SetText(1364, "1200");
  w.SetText(1366, "1").SetAmount(1368, 100).SetAmount(1369, 0).SetAmount(1370, 0);
  w.SetDate(1375, 20230306);
  for (const auto& [code, text] : fields) w.SetText(code, text);
  return std::string(w.line());
}

std::string DocumentLine(std::int64_t record, Fields fields) {
  std::string line = C100Line(record, 305, "1");
  RecordWriter w(RecordType::kC100);
  w.SetRaw(1, line);
  for (const auto& [code, text] : fields) w.SetText(code, text);
  return std::string(w.line());
}

// A document line with nothing but its record number and the fields given.
std::string BareDocumentLine(std::int64_t record, Fields fields) {
  RecordWriter w(RecordType::kD110);
  w.SetDigits(1251, record);
  for (const auto& [code, text] : fields) w.SetText(code, text);
  return std::string(w.line());
}

// A data set written as its lines stand, imported, and its statistics computed.
class StatisticsSet {
 public:
  std::vector<std::string> data;
  std::vector<std::string> summaries;  // INI.TXT's lines after the header
  std::string year = "2023", from = "20230101", to = "20231231";
  bool dos = false;
  bool zipped = false;

  FieldStatistics Run() {
    Import();
    SilentProgress silent;
    FieldStatisticsRun run = RunFieldStatistics(store, SourceFilesOf(*imported), silent);
    EXPECT_TRUE(run.status.ok()) << run.status.message();
    return run.result ? std::move(*run.result) : FieldStatistics{};
  }

  void Import() {
    std::string a000 = A000Line(static_cast<std::int64_t>(data.size()));
    auto put = [&](const FieldLayout& field, std::string_view value) {
      a000.replace(static_cast<std::size_t>(field.start - 1), value.size(), value);
    };
    put(field::A000(1023), year);
    put(field::A000(1024), from);
    put(field::A000(1025), to);
    if (dos) put(field::A000(1029), "2");
    DataSetFiles files;
    files.ini = {a000};
    files.ini.insert(files.ini.end(), summaries.begin(), summaries.end());
    files.data = data;
    if (zipped) {
      WriteFile(folder.File("INI.TXT"), files.Join(files.ini));
      WriteZip(folder.File("BKMVDATA.ZIP"), {{"BKMVDATA.TXT", files.Join(files.data)}});
    } else {
      files.Write(folder.path());
    }
    SilentProgress silent;
    imported = ImportFolder(store, folder.path(), silent, {cache.path()});
    ASSERT_TRUE(imported->status.ok()) << imported->status.message();
  }

  TempFolder folder, cache;
  RecordStore store;
  std::optional<ImportResult> imported;
};

const FieldFigures& FieldOf(const FieldStatistics& result, RecordType type, int code) {
  const RecordFigures* record = result.Find(type);
  static const FieldFigures kNone;
  if (record == nullptr) return kNone;
  for (const FieldFigures& f : record->fields) {
    if (f.field->code == code) return f;
  }
  return kNone;
}

// Eleven movements and two document lines, each line breaking one thing (see the table).
void AddEdges(StatisticsSet& set) {
  std::vector<std::string>& d = set.data;
  d.push_back(
      Movement(1, {{1368, "+00000000005000"}, {1362, "20230101"}, {1369, std::string(15, ' ')}}));
  d.push_back(Movement(2, {{1368, "-00000000002500"}, {1362, "20221231"}, {1366, "2"}}));
  d.push_back(Movement(3, {{1368, "+00000000030000"}, {1362, "20231231"}, {1370, "-00000012345"}}));
  d.push_back(Movement(4, {{1368, "+0000000000a000"}, {1362, "20240101"}}));
  d.push_back(Movement(5, {{1368, "+00000000030000"}, {1362, "00000000"}}));
  d.push_back(Movement(6, {{1368, "-00000000002500"}, {1362, "20230431"}, {1366, " "}}));
  d.push_back(Movement(7, {{1368, "-00000000000000"}, {1362, "20230615"}, {1366, "x"}}));
  d.push_back(Movement(8, {{1368, std::string(15, ' ')}, {1362, "2023061 "}}));
  d.push_back(Movement(9).substr(0, 212));  // ends inside 1368: "+00000"
  d.push_back(Movement(10, {{1368, std::string(15, ' ')}}).substr(0, 210));  // ends in blanks
  d.push_back(Movement(11, {{1368, " 00000000012345"}, {1366, "2"}}));
  d.push_back(
      BareDocumentLine(12, {{1264, "+0000000000015000"}, {1268, "1700"}, {1272, "20230301"}}));
  d.push_back(BareDocumentLine(
      13, {{1257, "99999999999999999999"}, {1264, "-0000000000002500"}, {1268, "17a0"}}));
}

FieldStatistics EdgeStatistics() {
  StatisticsSet set;
  AddEdges(set);
  return set.Run();
}

struct Expected {
  RecordType type;
  int code;
  std::int64_t blanks, invalid, zeros, positive;
  AmountSum positive_total;
  std::int64_t negative;
  AmountSum negative_total;
  AmountSum smallest;
  std::int64_t smallest_line;
  AmountSum largest;
  std::int64_t largest_line;
};

TEST(FieldStatisticsTest, EveryFigureOfEveryFieldAtItsEdges) {
  const AmountSum kNines = static_cast<AmountSum>(9999999999) * 10000000000 + 9999999999;
  const FieldStatistics result = EdgeStatistics();
  using T = RecordType;
  // type, code, blanks, invalid, zeros, positive (count, total), negative (count, total),
  // smallest and largest with their first lines.
  const Expected table[] = {
      {T::kB100, 1351, 0, 0, 0, 11, 66, 0, 0, 1, 1, 11, 11},
      // blank: line 8, and line 10 whose end leaves only blanks; invalid: a letter (4), cut
      // short (9), no sign (11); 300.00 at lines 3 and 5, -25.00 at lines 2 and 6.
      {T::kB100, 1368, 2, 3, 1, 3, 65000, 2, -5000, -2500, 2, 30000, 3},
      {T::kB100, 1369, 3, 0, 8, 0, 0, 0, 0, 0, 2, 0, 2},
      {T::kB100, 1370, 2, 0, 8, 0, 0, 1, -12345, -12345, 3, 0, 1},
      // "00000000" is blank; 31 April and a blank among the digits are invalid.
      {T::kB100, 1362, 1, 2, 0, 0, 0, 0, 0, 20221231, 2, 20240101, 4},
      {T::kB100, 1375, 2, 0, 0, 0, 0, 0, 0, 20230306, 1, 20230306, 1},
      {T::kD110, 1257, 1, 0, 0, 1, kNines, 0, 0, kNines, 13, kNines, 13},
      {T::kD110, 1264, 0, 0, 0, 1, 15000, 1, -2500, -2500, 13, 15000, 12},
      {T::kD110, 1268, 0, 1, 0, 1, 1700, 0, 0, 1700, 12, 1700, 12},
  };
  for (const Expected& e : table) {
    SCOPED_TRACE(e.code);
    const FieldFigures& f = FieldOf(result, e.type, e.code);
    ASSERT_NE(nullptr, f.field);
    EXPECT_EQ(e.type == T::kB100 ? 11 : 2, f.lines);
    EXPECT_EQ(e.blanks, f.blanks);
    EXPECT_EQ(e.invalid, f.invalid);
    EXPECT_EQ(e.zeros, f.zeros);
    EXPECT_EQ(e.positive, f.positive);
    EXPECT_TRUE(e.positive_total == f.positive_total);
    EXPECT_EQ(e.negative, f.negative);
    EXPECT_TRUE(e.negative_total == f.negative_total);
    EXPECT_TRUE(e.positive_total + e.negative_total == f.Net());
    EXPECT_TRUE(e.positive_total - e.negative_total == f.Absolute());
    ASSERT_TRUE(f.smallest && f.largest);
    EXPECT_TRUE(e.smallest == f.smallest->value);
    EXPECT_EQ(e.smallest_line, f.smallest->line);
    EXPECT_TRUE(e.largest == f.largest->value);
    EXPECT_EQ(e.largest_line, f.largest->line);
  }
}

TEST(FieldStatisticsTest, DatesAreCountedByMonthOfThePeriodWithThoseBeforeAndAfter) {
  const FieldStatistics result = EdgeStatistics();
  EXPECT_EQ("2023-01-01", result.period.from);
  EXPECT_EQ("2023-12-31", result.period.to);
  const FieldFigures& moved = FieldOf(result, RecordType::kB100, 1362);
  ASSERT_EQ(12u, moved.months.size());
  std::map<int, std::int64_t> counted;
  for (const MonthCount& m : moved.months) {
    EXPECT_EQ(2023, m.year);
    if (m.count != 0) counted[m.month] = m.count;
  }
  // The first and last days fall inside; lines 9-11 keep the default 5 March.
  EXPECT_EQ((std::map<int, std::int64_t>{{1, 1}, {3, 3}, {6, 1}, {12, 1}}), counted);
  EXPECT_EQ(1, moved.before);
  EXPECT_EQ(1, moved.after);
  // Dates have no sign: the sums stay empty.
  EXPECT_TRUE(moved.positive_total == 0 && moved.zeros == 0);
}

TEST(FieldStatisticsTest, TheDosCodedAndTheZippedSetGiveTheSameFigures) {
  const FieldStatistics plain = EdgeStatistics();
  StatisticsSet dos;
  AddEdges(dos);
  dos.dos = true;
  StatisticsSet zipped;
  AddEdges(zipped);
  zipped.zipped = true;
  EXPECT_EQ(FieldStatisticsJson(plain), FieldStatisticsJson(dos.Run()));
  EXPECT_EQ(FieldStatisticsJson(plain), FieldStatisticsJson(zipped.Run()));
}

TEST(FieldStatisticsTest, TheSidesOfTheMovementsAreTheChecksMovementTotals) {
  StatisticsSet set;
  AddEdges(set);
  const FieldStatistics result = set.Run();
  const SideTotals sides = *result.Find(RecordType::kB100)->sides;
  // Read as the checks read them: a letter reads 0, a missing sign and a cut field their
  // digits; "2" is credit and anything else debit.
  EXPECT_TRUE(sides.debit == 62500);
  EXPECT_TRUE(sides.credit == 9845);
  EXPECT_EQ(9, sides.debit_lines);
  EXPECT_EQ(2, sides.credit_lines);

  CheckTicks ticks;
  CheckResultRows rows;
  SilentProgress silent;
  ASSERT_TRUE(RunChecks(set.store, ticks, SystemClock(), silent, rows));
  const auto totals = std::find_if(rows.begin(), rows.end(), [](const std::string& row) {
    return RowField(row, 2) == "סה'כ סכומי התנועות";
  });
  ASSERT_NE(rows.end(), totals);
  const DecodedRow decoded = DecodeRow(*totals);
  EXPECT_TRUE(CellAmount(decoded.cells[1]) == sides.debit);
  EXPECT_TRUE(CellAmount(decoded.cells[2]) == sides.credit);
}

// A value in B100 1368 (a field the import validates), imported alone: counted invalid
// exactly when the import lists an error for it. Dates in 1362 as well, where a day that does
// not exist is also invalid here.
TEST(FieldStatisticsTest, AFieldIsInvalidExactlyWhenTheImportSaysSo) {
  const struct {
    int code;
    std::string_view value;
    bool import_error;
    bool invalid;
  } table[] = {
      {1368, "+00000000012345", false, false}, {1368, "-00000000000000", false, false},
      {1368, " 00000000012345", true, true},   {1368, "+0000000001234a", true, true},
      {1368, "+00000000-12345", true, true},   {1368, "*00000000012345", true, true},
      {1368, "+0000000001234 ", true, true},   {1362, "20230228", false, false},
      {1362, "20491231", false, false},        {1362, "19991231", true, true},
      {1362, "20501231", true, true},          {1362, "20231301", true, true},
      {1362, "2023-1-1", true, true},          {1362, "20230431", false, true},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(std::string(row.value));
    StatisticsSet set;
    set.data = {Movement(1, {{row.code, row.value}}), Z900Line(2, 2)};
    const FieldStatistics result = set.Run();
    EXPECT_EQ(row.import_error, set.imported->findings > 0);
    EXPECT_EQ(row.invalid ? 1 : 0, FieldOf(result, RecordType::kB100, row.code).invalid);
  }
}

TEST(FieldStatisticsTest, ThePeriodIsTheJournalEntryTestsPeriod) {
  const struct {
    std::string_view year, from, to;
    JetPeriodSource source;
    std::string_view first, last;
    std::size_t months;
  } table[] = {
      {"2023", "20230301", "20230430", JetPeriodSource::kA000Range, "2023-03-01", "2023-04-30", 2},
      {"2023", "20230430", "20230301", JetPeriodSource::kTaxYear, "2023-01-01", "2023-12-31", 12},
      {"0000", "00000000", "00000000", JetPeriodSource::kMovements, "2023-02-10", "2023-05-20", 4},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(std::string(row.from));
    StatisticsSet set;
    set.year = row.year;
    set.from = row.from;
    set.to = row.to;
    set.data = {Movement(1, {{1362, "20230310"}}), Movement(2, {{1362, "20230520"}}),
                Movement(3, {{1362, "20230210"}})};
    const FieldStatistics result = set.Run();
    EXPECT_EQ(row.source, result.period.source);
    EXPECT_EQ(row.first, result.period.from);
    EXPECT_EQ(row.last, result.period.to);
    EXPECT_EQ(row.months, FieldOf(result, RecordType::kB100, 1362).months.size());
    SilentProgress silent;
    const JetRun jet = RunJet(set.store, SourceFilesOf(*set.imported), {},
                              JetSelection().set(JetIndex(JetTest::kPopulation)), silent);
    ASSERT_TRUE(jet.result);
    EXPECT_EQ(jet.result->population.period.from, result.period.from);
    EXPECT_EQ(jet.result->population.period.to, result.period.to);
  }
}

TEST(FieldStatisticsTest, DocumentsAreSummedByTypeWithTheirLowestAndHighestNumbers) {
  StatisticsSet set;
  auto doc = [&](std::string_view type, std::string_view number, std::string_view cancelled,
                 std::string_view total, std::string_view vat) {
    set.data.push_back(DocumentLine(
        static_cast<std::int64_t>(set.data.size() + 1),
        {{1203, type}, {1204, number}, {1228, cancelled}, {1223, total}, {1222, vat}}));
  };
  doc("400", "A-7", " ", "+00000000001000", "+00000000000000");
  doc("305", "1001", "1", "+00000000011700", "+00000000001700");
  doc("305", "  00999", " ", "+00000000023400", "+00000000003400");
  doc("400", "12", " ", "-00000000000500", "+00000000000000");
  doc("abc", "5", " ", "+00000000000100", "+00000000000017");
  doc("330", "", "1", "+0000000000x100", "+00000000000000");
  const FieldStatistics result = set.Run();
  struct Row {
    std::string type, name;
    std::int64_t documents, cancelled;
    AmountSum total, vat;
    std::string lowest, highest;
  };
  // Types in numeric order, then the others; 305's numbers compared as numbers, 400's as
  // text since "A-7" is not all digits; a total that is no number counts 0.
  const Row expected[] = {
      {"305", "חשבונית מס", 2, 1, 35100, 5100, "999", "1001"},
      {"330", "הודעת זיכוי", 1, 1, 0, 0, "", ""},
      {"400", "קבלה", 2, 0, 500, 0, "12", "A-7"},
      {"abc", "לא ידוע", 1, 0, 100, 17, "5", "5"},
  };
  ASSERT_EQ(std::size(expected), result.documents.size());
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(expected[i].type);
    const DocumentTypeSummary& s = result.documents[i];
    EXPECT_EQ(expected[i].type, s.type);
    EXPECT_EQ(expected[i].name, s.name);
    EXPECT_EQ(expected[i].documents, s.documents);
    EXPECT_EQ(expected[i].cancelled, s.cancelled);
    EXPECT_TRUE(expected[i].total == s.total);
    EXPECT_TRUE(expected[i].vat == s.vat);
    EXPECT_EQ(expected[i].lowest, s.lowest);
    EXPECT_EQ(expected[i].highest, s.highest);
  }
  EXPECT_EQ(6, result.documents_total.documents);
  EXPECT_EQ(2, result.documents_total.cancelled);
  EXPECT_TRUE(result.documents_total.total == 35700);
  EXPECT_TRUE(result.documents_total.vat == 5117);
  const std::vector<std::string> rows = DocumentSummaryRows(result);
  EXPECT_EQ(RowStatus::kHeading, DecodeRow(rows.back()).status);
  EXPECT_EQ("357.00", DecodeRow(rows.back()).cells[4].shown);
}

TEST(FieldStatisticsTest, RecordCountsStandBesideIniAndEveryDifferenceIsMarked) {
  StatisticsSet set;
  set.data = {A100Line(), Movement(2), Movement(3), C100Line(4, 305, "1"), Z900Line(5, 5)};
  set.summaries = {SummaryLine("B100", 2), SummaryLine("C100", 3), SummaryLine("B100", 9),
                   SummaryLine("X999", 4), SummaryLine("Z900", 1), "    "};
  const FieldStatistics result = set.Run();
  struct Row {
    std::string type;
    std::int64_t in_file;
    std::optional<std::int64_t> stated;
    bool differs;
  };
  // A100 has no summary line; the first B100 line counts; X999 is not in the file.
  const Row expected[] = {{"A100", 1, std::nullopt, true},
                          {"B100", 2, 2, false},
                          {"C100", 1, 3, true},
                          {"Z900", 1, 1, false},
                          {"X999", 0, 4, true}};
  ASSERT_EQ(std::size(expected), result.record_counts.size());
  const std::vector<std::string> rows = RecordCountRows(result);
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(expected[i].type);
    const RecordCount& r = result.record_counts[i];
    EXPECT_EQ(expected[i].type, r.type);
    EXPECT_EQ(expected[i].in_file, r.in_file);
    EXPECT_EQ(expected[i].stated, r.stated);
    EXPECT_EQ(expected[i].differs, r.Differs());
    EXPECT_EQ(expected[i].differs ? RowStatus::kError : RowStatus::kInfo,
              DecodeRow(rows[i]).status);
  }
  EXPECT_EQ("תנועות הנהלת חשבונות", result.record_counts[1].caption);
}

// The file's primary identifier names the file: no row sums it, while the record numbers
// beside it are counted.
TEST(FieldStatisticsTest, ThePrimaryIdentifierIsNotSummed) {
  StatisticsSet set;
  set.data = {A100Line(), Movement(2), Z900Line(3, 3)};
  const FieldStatistics result = set.Run();
  const struct {
    RecordType type;
    int code;
    bool counted;
  } table[] = {{RecordType::kA100, 1101, true},
               {RecordType::kA100, 1103, false},
               {RecordType::kZ900, 1151, true},
               {RecordType::kZ900, 1153, false}};
  for (const auto& row : table) {
    SCOPED_TRACE(row.code);
    EXPECT_EQ(row.counted, FieldOf(result, row.type, row.code).field != nullptr);
  }
}

TEST(FieldStatisticsTest, AStopLeavesNoResult) {
  StatisticsSet set;
  AddEdges(set);
  set.Import();
  class StopAt final : public ProgressMonitor {
   public:
    void OnProgress(int) override {}
    bool StopRequested() override { return ++polls >= 5; }
    int polls = 0;
  } stop;
  const FieldStatisticsRun run = RunFieldStatistics(set.store, SourceFilesOf(*set.imported), stop);
  EXPECT_EQ(StatusCode::kInterrupted, run.status.code());
  EXPECT_EQ(kFieldStatisticsStoppedText, run.status.message());
  EXPECT_FALSE(run.result);
}

}  // namespace
}  // namespace tallyscan::testing
