#pragma once

// An audit set's movements and documents as the data file holds them, made from its plan in
// file order.

#include <cstdint>
#include <string>
#include <string_view>

#include "audit_plan.h"
#include "documents.h"
#include "random.h"

namespace tallyscan::gen {

struct AuditMovement {
  std::int64_t transaction;  // index into the plan's transactions
  int line;                  // within the transaction, 0-based
  int lines;                 // of the transaction
  std::int64_t batch;
  PlannedLine movement;
};

// The plan's movements one by one, grouped in batches of whole transactions (balanced, as
// the transactions are).
class AuditJournal {
 public:
  explicit AuditJournal(const AuditPlan& plan);
  bool Next(AuditMovement* movement);

 private:
  const AuditPlan& plan_;
  std::int64_t batch_size_;
  std::int64_t transaction_ = -1;
  int line_ = 0;
  int lines_ = 0;
  std::int64_t batch_ = 0;
  std::int64_t batch_lines_ = 0;
  PlannedLine planned_[kMaxLines];
};

// The words of the movements in the bytes of the data file.
class AuditWords {
 public:
  explicit AuditWords(bool dos);
  std::string_view TypeText(Flow flow) const;
  std::string_view Details(const PlannedTransaction& transaction, int line) const;

 private:
  std::string type_texts_[5];
  std::string details_[5][3];
  std::string keyword_details_[5];
};

// The document behind a transaction that has one of its own (`transaction.document` != 0):
// its lines add up to the transaction's amounts, a receipt's or payment's lines to its sum.
// `random` draws the items and the means of payment.
void MakeAuditDocument(const AuditPlan& plan, const Chart& chart,
                       const PlannedTransaction& transaction, Random& random, Document* document);

}  // namespace tallyscan::gen
