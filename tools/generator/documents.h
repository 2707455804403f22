#pragma once

// The documents of a data set: invoices, credit notes, delivery notes, orders, purchase
// invoices and stock documents with their lines, receipts and invoice-receipts with their
// payment lines, each with amounts that agree with its lines.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bank_accounts.h"
#include "chart.h"
#include "data_set.h"
#include "random.h"

namespace tallyscan::gen {

struct DocumentLine {
  int item = -1;              // index into the chart's items; -1: `unknown_code`
  std::string unknown_code;   // an item code the catalogue lacks
  std::int64_t quantity = 0;  // ten-thousandths
  std::int64_t price = 0;     // agorot
  std::int64_t discount = 0;  // agorot, zero or negative
  std::int64_t total = 0;     // agorot
  int vat_rate = 1700;        // hundredths of a percent
};

struct ReceiptLine {
  int means = 1;  // 1 cash, 2 cheque, 3 credit card, 4 bank transfer
  BankAccount bank{0, 0, 0};
  std::int64_t cheque = 0;
  int due_date = 0;
  std::int64_t amount = 0;
  int card_company = 0;
  int deal_kind = 0;
};

struct Document {
  int type = 305;
  std::int64_t number = 0;
  int date = 0;
  int time = 0;                       // HHMM
  int customer = -1;                  // index into the chart's accounts
  std::string customer_key_override;  // a key that is not an account
  std::string dealer;                 // nine digits
  std::int64_t before = 0, discount = 0, after = 0, vat = 0, total = 0;
  std::vector<DocumentLine> lines;
  std::vector<ReceiptLine> receipts;
  int produced = 0;                // production date (1205); 0: the document's date
  bool cancelled = false;          // 1228
  std::string_view operator_name;  // 1233; empty: "user01"
  std::optional<FaultKind> fault;
  int fault_line = 0;  // 1-based line (document or receipt line) that carries the fault
};

class DocumentMaker {
 public:
  DocumentMaker(const Chart& chart, const DataSetOptions& options);

  // Document `index` (0-based) of `count`; `fault` forces a document that carries it.
  void Make(std::int64_t index, std::int64_t count, std::optional<FaultKind> fault,
            Document* document);

  // Whether a fault is one that a document carries.
  static bool IsDocumentFault(FaultKind kind);

 private:
  int ChooseType(std::optional<FaultKind> fault);
  void AddLines(Document* document, bool stock);
  void AddReceipts(Document* document, std::optional<FaultKind> fault);
  void ApplyFault(Document* document);

  const Chart& chart_;
  int year_;
  Random random_;
  std::vector<std::pair<int, std::int64_t>> numbers_;  // per type, the last number used
  std::int64_t unknown_customers_ = 0;
  std::int64_t unknown_items_ = 0;
};

}  // namespace tallyscan::gen
