#pragma once

// Private to analytics/.
//
// A journal-entry test as one unit (journal_tests/, listed in jet_test_list.h): its texts,
// its part of the one reading of the data file, how it decides after the reading, and what
// its summary row and its hit rows say of their own. The pass reads the fields every test
// shares once per line and hands them to each test's reader; the run asks each unit, in its
// stage, to decide.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/analytics/jet_pass.h"
#include "engine/analytics/jet_rows.h"
#include "engine/analytics/jet_test_list.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::analytics {

struct JetTestInfo {
  JetTest test;
  std::string_view id;           // "late-entry": the name the command line and the files use
  std::string_view caption;      // UTF-8
  std::string_view rule;         // what makes a hit, in words (UTF-8)
  std::string_view risk;         // the risk it answers, one sentence (UTF-8)
  RecordType type;               // the record type whose lines the test examines
  std::string_view needs;        // "B100:1375,B100:1362": the fields a usable line needs
  bool findings;                 // hits are findings (--fail-on-findings)
  std::string_view own_caption;  // the heading of its hit rows' own cell
  ValueKind own_kind = ValueKind::kKey;  // how its own cell sorts; the first reference's kind
};

// What the pass read of a movement line, once for all the tests.
struct MovementLine {
  std::uint32_t ordinal;
  std::uint32_t line;
  std::string_view head;
  std::optional<std::int64_t> amount;  // 1368 when usable
  std::uint64_t magnitude;             // |A|; 0 when not usable
  bool credit;                         // 1366 is "2"
  std::optional<DayNumber> moved;      // 1362
  std::optional<DayNumber> entered;    // 1375
  bool has_account;                    // 1364 not blank
  std::uint32_t account_id;            // 1364 trimmed, interned (a blank one too)
  std::uint32_t counter_id;            // kNoId when 1365 is blank
  AccountState& account;               // of 1364, this line counted in its movements
  std::string_view reference;          // 1357 trimmed
  std::string_view document_type;      // 1358 trimmed when the reference is not blank
  const TextKey<23>* document;         // the referenced document, when its type has 1-3 bytes
  std::string_view details;            // 1361 trimmed
  bool numbered;                       // 1353 is all digits
};

// A test's own part of the reading, made for one run. It counts the lines it can decide on
// and appends its hits in file order (movement ordinals, or line numbers of other records).
class JetReader {
 public:
  explicit JetReader(TestCounts& counts) : counts_(counts) {}
  JetReader(const JetReader&) = delete;
  JetReader& operator=(const JetReader&) = delete;
  virtual ~JetReader() = default;

  virtual void OnMovement(const MovementLine&) {}
  virtual void OnDocument(std::uint32_t /*line*/, std::string_view /*head*/) {}
  // A B110 line, its account interned as `account`.
  virtual void OnCard(std::uint32_t /*account*/, std::uint32_t /*line*/,
                      std::string_view /*head*/) {}
  // After the last line: gives back the room its lists grew into.
  virtual void Settle() {}

 protected:
  void Usable() { ++counts_.usable; }
  void Hit(std::uint32_t ordinal_or_line) { counts_.hits.Append(ordinal_or_line); }

 private:
  TestCounts& counts_;
};

// What the run gives a unit to decide with: the reading, the result so far, the test's
// result begun with its state by its share of usable lines, and its reader.
class JetDecision {
 public:
  JetDecision(JetPass& the_pass, JetResult& the_result, JetTestResult& test, JetReader* reader,
              std::vector<std::pair<JetTest, JetLineSet>>& ranked,
              const std::function<bool()>& stop)
      : pass(the_pass),
        parameters(the_pass.parameters),
        result(the_result),
        r(test),
        reader_(reader),
        ranked_(ranked),
        stop_(stop) {}

  template <typename Reader>
  Reader& ReaderOf() {
    return static_cast<Reader&>(*reader_);
  }
  // Whether to stop: a stop once asked for stays asked.
  bool Stop() { return stop_(); }
  void Figure(std::string name, AmountSum value) { r.figures.push_back({std::move(name), value}); }
  // The hits the reading found joined with `hits`, as movement ordinals: their lines and
  // amounts; the ordinals are kept for the ranking.
  void MovementHits();
  // The same as line numbers of other records.
  void LineHits();

  JetPass& pass;
  const JetParameters& parameters;
  JetResult& result;
  JetTestResult& r;
  std::vector<std::uint32_t> hits;  // found after the reading

 private:
  JetReader* reader_;
  std::vector<std::pair<JetTest, JetLineSet>>& ranked_;
  const std::function<bool()>& stop_;
};

// Where a unit decides among the others.
enum class JetStage : std::uint8_t {
  kGate,     // before every other: the population, whose totals every test stands on
  kFirst,    // one at a time before the rest, since they need room of their own
  kBeside,   // on a thread of their own while the rest decide, over the columns alone
  kInOrder,  // in the list's order
  kLast,     // after the ranking, from the transaction column the ranking leaves
};

// A hit line as its own cell sees it.
struct HitLine {
  std::string_view head;
  const JetResult* result;  // null for the lines of a digit
  bool dos;                 // the file's texts are in the DOS code page
  JetWords words;
};

struct JetUnit {
  JetTestInfo info;
  JetStage stage = JetStage::kInOrder;
  bool reads_cards = false;  // its reader is given the B110 lines
  // Its part of the reading; null when the reading counts nothing for it.
  std::unique_ptr<JetReader> (*read)(const JetPass& pass, TestCounts& counts) = nullptr;
  // How it decides; null when its hits are what the reading found. False when stopped.
  bool (*decide)(JetDecision& decision) = nullptr;
  // The figure of its summary row; null: the sum of the hits' amounts of a movement test
  // with hits.
  std::string (*figure)(const JetResult& result, const JetTestResult& test,
                        JetWords words) = nullptr;
  // Its hit rows' own cell; null: reference 1 of a movement, type/number of a document.
  std::string (*own_cell)(const HitLine& line) = nullptr;
};

const JetUnit& UnitOf(JetTest test);
inline const JetTestInfo& InfoOf(JetTest test) { return UnitOf(test).info; }

inline bool IsDigitTest(JetTest test) { return test >= JetTest::kBenfordFirst; }
inline JetState Worse(JetState a, JetState b) { return a > b ? a : b; }

// The unit's reader of type Reader, made with the pass: a unit's `read`.
template <typename Reader>
std::unique_ptr<JetReader> MakeReader(const JetPass& pass, TestCounts& counts) {
  return std::make_unique<Reader>(pass, counts);
}

}  // namespace tallyscan::analytics
