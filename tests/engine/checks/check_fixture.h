#pragma once

// A data set written line by line for the checks: the lines go into a temporary
// BKMVDATA.TXT and a record store is built over it the way an import leaves it (keys cut,
// indexes sorted, the file open for reading).

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "engine/checks/checks.h"
#include "engine/uniform/uniform.h"

namespace tallyscan::testing {

inline constexpr std::string_view D = "\x1C";          // debit marker
inline constexpr std::string_view C = "\x1D";          // credit marker
inline constexpr std::string_view H = "\xE2\x80\x8E";  // heading marker

// A marker (or any view) as a string, to start a concatenation of expected row texts.
inline std::string S(std::string_view text) { return std::string(text); }

class FixedClock final : public Clock {
 public:
  TimeOfDay Now() const override { return {9, 5, 7}; }
};

// Stops when asked for the stop flag the n-th time (1-based), and every time after.
class StopAtPoll final : public ProgressMonitor {
 public:
  explicit StopAtPoll(long long n) : n_(n) {}
  void OnProgress(int percent) override { last_percent = percent; }
  bool StopRequested() override { return ++polls >= n_; }
  long long polls = 0;
  int last_percent = 0;

 private:
  long long n_;
};

struct Account {
  std::string key{};
  std::int64_t opening = 0;
  std::int64_t debit = 0;
  std::int64_t credit = 0;
  int section = 1000;
  std::string dealer = "000000000";
};

struct Document {
  int type = 305;
  std::string number{};  // as the C100 line holds it (20 characters or fewer, left-aligned)
  std::int64_t before = 0, discount = 0, after = 0, vat = 0, total = 0;
  std::string dealer = "123456782";
  std::string customer{};
};

struct DocumentLine {
  int type = 305;
  std::string number{};
  int line = 1;
  std::int64_t quantity = 10000;  // ten-thousandths
  std::int64_t price = 0, discount = 0, total = 0;
  int rate = 1700;  // hundredths of a percent
  std::string item{};
};

struct ReceiptLine {
  int type = 400;
  std::string number{};
  int line = 1;
  char kind = '1';
  std::int64_t bank = 0, branch = 0, account = 0, cheque = 0;
  std::int64_t amount = 0;
};

class CheckFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  void Add(const Account& a);
  void AddMovement(std::string_view account, int batch, bool credit, std::int64_t amount);
  void Add(const Document& d);
  void Add(const DocumentLine& l);
  void Add(const ReceiptLine& r);
  void AddItem(std::string_view code, bool right_aligned = false);
  // Any line as it stands.
  void AddLine(std::string_view line) { lines_.emplace_back(line); }
  // A balanced double-entry set: three accounts in use, a customer without totals, three
  // batches.
  void AddBalancedSet() {
    Add(Account{.key = "100", .debit = 150000, .credit = 20000, .section = 7100});
    Add(Account{.key = "200", .credit = 150000, .section = 1000});
    Add(Account{.key = "300", .debit = 20000, .section = 3000});
    Add(Account{.key = "400", .section = 7310, .dealer = "123456782"});
    AddMovement("100", 1, false, 100000);
    AddMovement("200", 1, true, 100000);
    AddMovement("300", 3, false, 20000);
    AddMovement("100", 3, true, 20000);
    AddMovement("100", 2, false, 50000);
    AddMovement("200", 2, true, 50000);
  }

  // Writes the file and builds the store; call once after adding every line.
  const RecordStore& Store();

  // The rows of a run with these ticks (all ticked by default).
  CheckResultRows Run(const CheckTicks& ticks);
  CheckResultRows Run(const CheckTicks& ticks, ProgressMonitor& monitor, bool* completed);

  // The rows of a run with only these items ticked.
  static CheckTicks Only(std::initializer_list<BookkeepingItem> bookkeeping,
                         std::initializer_list<DocumentItem> documents);

  // The rows between the heading of a check (exclusive) and the next heading at status "0"
  // or the end row, for comparing one check at a time.
  static std::vector<std::string> Section(const CheckResultRows& rows, std::string_view heading);

  int bookkeeping_type = 2;

 private:
  std::filesystem::path folder_;
  std::vector<std::string> lines_;
  RecordStore store_;
  bool built_ = false;
};

}  // namespace tallyscan::testing
