#pragma once

// The ledger of an audit set, planned whole before a line is written: which transactions
// there are and in what order, between which accounts, for how much, on which days, by whom,
// which document stands behind each, and the journal-entry faults planted in them. A
// transaction takes a few dozen bytes here; its lines and its document are made from the
// plan when they are written (twice: once to total the accounts, once to write), always
// alike.
//
// The clean ledger gives the journal-entry tests nothing to find but the largest amounts,
// the last days of the year and accounts with one outstanding movement:
// - five flows, each between the same accounts every time: a sale (customer, revenue, VAT),
//   a purchase (expense, VAT, supplier), a receipt (bank, customer), a payment (supplier,
//   bank), a salary (salaries, bank, income tax, national insurance); a partner always uses
//   the same bank and the same revenue or expense account, and sees each of its flows at
//   least twice, so every pair of account and counter account comes at least twice and
//   always on the same side;
// - amounts spread evenly over the logarithm within whole decades, which is what Benford's
//   law describes, chosen among a few drawn so that the digits keep to the law at any size
//   and no approval limit has a crowd below it; none of them whole thousands;
// - movements on Sunday to Thursday outside the holidays, spread over the year in order,
//   entered on the same business day or up to three business days (at most ten days) later,
//   within the year;
// - twenty operators with fixed unequal shares of the transactions, the smallest 2.9 %;
// - transactions numbered 1, 2, 3 ..., each referring to a document of its own numbered on
//   from its type's base (type × 10,000,000), so that no reference serves two transactions.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chart.h"
#include "data_set.h"
#include "engine/common/status.h"
#include "random.h"

namespace tallyscan::gen {

enum class Flow : std::uint8_t { kSale, kPurchase, kReceipt, kPayment, kSalary };

struct FlowShape {
  int lines;          // movement lines of one transaction
  int document_type;  // of the document behind it
  int partner_line;   // the line of the customer or supplier (-1 for salaries)
  std::int64_t low;   // agorot: the amounts run from here over `decades` whole decades
  int decades;
};
const FlowShape& ShapeOf(Flow flow);

// The VAT (17 %) of a net amount in agorot, rounded half up.
std::int64_t VatOf(std::int64_t net);

// The approval limits below which the below-limit test looks for a crowd: 10,000.00 and
// 50,000.00, in agorot. It counts the amounts from 90 % of a limit up to it, against those
// from the limit up to 110 % of it.
inline constexpr std::int64_t kApprovalLimits[] = {1000000, 5000000};
inline bool BelowALimit(std::int64_t amount, std::int64_t limit) {
  return amount >= limit / 10 * 9 && amount < limit;
}
inline bool AboveALimit(std::int64_t amount, std::int64_t limit) {
  return amount >= limit && amount < limit / 10 * 11;
}

// The details of a line: the flow's own words, none, or a keyword's.
inline constexpr std::int8_t kUsualDetails = -1;
inline constexpr std::int8_t kBlankDetails = -2;

struct PlannedTransaction {
  std::int64_t number = 0;      // 1353
  std::int64_t amount = 0;      // agorot: a sale's or purchase's net, a receipt's or payment's
                                // sum, a salary's gross
  std::int64_t document = 0;    // its own document's number; 0 when it has none
  std::int64_t reference = 0;   // 1357 (0: blank), a document of `document_type`
  std::int32_t partner = -1;    // the customer or supplier (chart index); -1 for a salary
  std::int32_t bank = -1;       // the bank account (chart index)
  std::int32_t date = 0;        // 1362 and the document's date, YYYYMMDD
  std::int32_t entry_date = 0;  // 1375
  std::int32_t produced = 0;    // the document's production date (1205)
  std::int16_t time = 0;        // the document's production time (1206), HHMM
  std::int16_t document_type = 0;
  Flow flow = Flow::kSale;
  std::uint8_t operator_index = 0;      // into AuditPlan::operators()
  std::uint8_t wording = 0;             // which of the flow's descriptions
  std::int8_t details = kUsualDetails;  // of the first line: or kBlankDetails, or a keyword
  bool reversed = false;                // every side the other way round
  bool cancelled = false;               // the document
  std::int32_t copy_of = -1;            // the transaction it repeats or reverses
};

struct PlannedLine {
  int account;  // chart index
  int counter;  // chart index
  bool credit;
  std::int64_t amount;  // agorot, positive
};
inline constexpr int kMaxLines = 4;

// Where a manifest entry goes: a line of the transaction (0-based), or one of these.
inline constexpr int kEveryLine = -1;
inline constexpr int kDocumentHeader = -2;  // the header (C100) of its document
inline constexpr int kLastLine = -3;

struct PlannedNote {
  std::int64_t transaction;  // index into transactions()
  int line;
  FaultKind kind;
  std::string message;
  std::string value;
};

class AuditPlan {
 public:
  // Plans `options.movements` movements (exactly) over `chart`, with the journal-entry
  // faults of `options` planted; adds an account to the chart for each seldom-account
  // fault. Refused when the set is too small for its accounts or its faults, or when a
  // fault is not a journal-entry fault; the plan is then unusable.
  Status Make(Chart& chart, const DataSetOptions& options);

  // The lines of a transaction in the order they are written (at most kMaxLines).
  int Lines(const PlannedTransaction& transaction, PlannedLine* lines) const;

  std::int64_t movements() const { return movements_; }
  const std::vector<PlannedTransaction>& transactions() const { return transactions_; }
  // In transaction order.
  const std::vector<PlannedNote>& notes() const { return notes_; }
  // Operators' names (1376), ASCII.
  const std::vector<std::string>& operators() const { return operators_; }
  // The details of a keyword fault, and the keyword itself, in UTF-8.
  static std::string_view KeywordDetails(int keyword);
  static std::string_view Keyword(int keyword);

 private:
  int Count(FaultKind kind) const;
  void AddSeldomAccounts(int count);
  void TieAccounts();
  Status ListFlows(std::int64_t lines);
  void AddFlow(Flow flow, int partner);
  void Shuffle();
  Status InsertCopies();
  void ListBusinessDays();
  void SpreadOverTheYear();
  void ShareOperators();
  void DrawAmounts();
  void DrawDocuments();
  Status ChooseGaps();
  void Number();
  Status PlantFaults();
  Status PlantDates(FaultKind kind);
  Status PlantInTransactions(FaultKind kind);
  Status PlantBelowLimit(int rank);
  Status PlantSpike(int rank);
  Status PlantRelativeSize();
  void NoteCopiesAndGaps();

  // The `rank`-th of `count` transactions that fit (1-based), taken from an even share of
  // the way through the ledger and marked used; -1 when none is left.
  template <typename Fits>
  std::int64_t Pick(FaultKind kind, int rank, int count, Fits fits);
  std::int64_t DrawAmount(Flow flow);
  bool HasRoundLine(const PlannedTransaction& transaction) const;
  void Note(std::int64_t transaction, int line, FaultKind kind, std::string message,
            std::string value);
  void NoteEveryLine(std::int64_t transaction, FaultKind kind, const std::string& message,
                     const std::string& value);
  Status TooSmall(FaultKind kind) const;

  Chart* chart_ = nullptr;
  const DataSetOptions* options_ = nullptr;
  Random random_{0};
  std::int64_t movements_ = 0;
  std::vector<PlannedTransaction> transactions_;
  std::vector<PlannedNote> notes_;
  std::vector<std::string> operators_;
  std::vector<bool> used_;  // by transaction: carries a fault already

  // By chart index: the revenue or expense account a partner books against, and its bank.
  std::vector<int> booked_against_;
  std::vector<int> bank_of_;
  std::vector<int> seldom_accounts_;
  std::vector<int> business_days_;  // of the tax year, YYYYMMDD, ascending
  // Gaps chosen before numbering: after which transaction, and how many numbers.
  std::vector<std::pair<std::int64_t, int>> transaction_gaps_;
  std::vector<std::pair<std::int64_t, int>> document_gaps_;
};

}  // namespace tallyscan::gen
