#pragma once

// Data sets written line by line for the journal-entry tests: only the lines a test adds
// (so that line n of the data file is the n-th line added), under an INI.TXT whose header
// names the period, imported as the program imports a folder, then run through the pack.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/analytics/jet.h"
#include "engine/uniform/import.h"
#include "engine/uniform/uniform.h"
#include "support/small_set.h"
#include "support/test_files.h"

namespace tallyscan::testing {

// A movement; every field as the line holds it (texts left-aligned, as written).
struct Move {
  std::string transaction = "1";
  std::string account = "100";
  std::string counter = "200";
  bool credit = false;
  std::optional<std::int64_t> amount = 12345;  // agorot; nullopt: the field is "+0000000000abc"
  int date = 20230108;                         // 1362, a Sunday
  int entered = 20230108;                      // 1375
  std::string reference = "5001";
  int reference_type = 0;  // 1358; 0 leaves it blank
  std::string reference2 = "";
  std::string details = "sale";
  std::string operator_name = "user1";
  int batch = 1;
};

inline std::string MoveLine(const Move& m) {
  RecordWriter w(RecordType::kB100);
  w.SetDigits(1351, 1).SetDigits(1352, kDealer).SetText(1353, m.transaction);
  w.SetDigits(1354, 1).SetDigits(1355, m.batch).SetText(1356, "JV").SetText(1357, m.reference);
  if (m.reference_type != 0) w.SetDigits(1358, m.reference_type);
  w.SetText(1359, m.reference2).SetText(1361, m.details).SetDate(1362, m.date);
  w.SetDate(1363, m.date).SetText(1364, m.account).SetText(1365, m.counter);
  w.SetText(1366, m.credit ? "2" : "1").SetAmount(1369, 0).SetAmount(1370, 0);
  if (m.amount) {
    w.SetAmount(1368, *m.amount);
  } else {
    w.SetText(1368, "+0000000000abc");
  }
  w.SetDate(1375, m.entered).SetText(1376, m.operator_name);
  return std::string(w.line());
}

// A document header.
struct Doc {
  int type = 305;
  std::string number = "1";
  int produced = 20230108;  // 1205
  int dated = 20230108;     // 1230
  int time = 1015;          // 1206, HHMM
  bool cancelled = false;
};

inline std::string DocLine(const Doc& d) {
  RecordWriter w(RecordType::kC100);
  w.SetDigits(1201, 1).SetDigits(1202, kDealer).SetDigits(1203, d.type).SetText(1204, d.number);
  w.SetDate(1205, d.produced).SetDigits(1206, d.time).SetDigits(1215, kDealer);
  w.SetDate(1216, d.dated);
  for (int code : {1217, 1219, 1220, 1221, 1222, 1223, 1224}) w.SetAmount(code, 1000);
  w.SetText(1228, d.cancelled ? "1" : " ").SetDate(1230, d.dated);
  return std::string(w.line());
}

// An account card with its opening balance and turnover.
inline std::string CardLine(std::string_view account, std::int64_t opening, std::int64_t debit,
                            std::int64_t credit) {
  return B110Line(1, account, opening, debit, credit);
}

// One data set: lines added, then imported and run once.
class JetSet {
 public:
  void Add(std::string line) { data_.push_back(std::move(line)); }
  void Add(const Move& m) { Add(MoveLine(m)); }
  void Add(const Doc& d) { Add(DocLine(d)); }

  // The header's period fields as they will stand (positions of A000 1023-1025).
  void SetHeader(std::string_view year, std::string_view from, std::string_view to) {
    year_ = year;
    from_ = from;
    to_ = to;
  }

  // Writes the set, imports it and runs the tests.
  JetResult RunTests(const JetParameters& parameters = {},
                     const JetSelection& selection = AllJetTests()) {
    JetRun run = RunWith(parameters, selection, silent_);
    EXPECT_TRUE(run.status.ok()) << run.status.message();
    return run.result ? std::move(*run.result) : JetResult{};
  }

  JetRun RunWith(const JetParameters& parameters, const JetSelection& selection,
                 ProgressMonitor& monitor) {
    if (!imported_) Import();
    return RunJet(store_, SourceFilesOf(*imported_), parameters, selection, monitor);
  }

  void Import() {
    std::string a000 = A000Line(static_cast<std::int64_t>(data_.size()));
    auto put = [&](const FieldLayout& field, std::string_view value) {
      a000.replace(static_cast<std::size_t>(field.start - 1), static_cast<std::size_t>(field.width),
                   value);
    };
    put(field::A000(1023), year_);
    put(field::A000(1024), from_);
    put(field::A000(1025), to_);
    DataSetFiles set;
    set.ini = {a000};
    set.data = data_;
    set.line_end = line_end_;
    set.Write(folder_.path());
    imported_ = ImportFolder(store_, folder_.path(), silent_);
    ASSERT_TRUE(imported_->status.ok()) << imported_->status.message();
  }

  static std::vector<std::uint32_t> Hits(const JetResult& result, JetTest test) {
    const JetTestResult* t = result.Find(test);
    if (t == nullptr) return {};
    return std::vector<std::uint32_t>(t->lines.begin(), t->lines.end());
  }

  TempFolder folder_;
  std::vector<std::string> data_;
  // INI.TXT's header: the tax year and data range as they stand.
  std::string line_end_ = "\r\n";
  std::string year_ = "2023", from_ = "20230101", to_ = "20231231";
  RecordStore store_;
  SilentProgress silent_;
  std::optional<ImportResult> imported_;
};

class JetFixture : public ::testing::Test, public JetSet {};

}  // namespace tallyscan::testing
