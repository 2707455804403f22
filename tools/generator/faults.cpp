#include "data_set.h"

namespace tallyscan {
namespace {

using F = FaultKind;

constexpr FaultInfo kFaults[] = {
    {F::kBadLength, "bad-length", "a movement line one character too long", 0},
    {F::kControlCharacter, "control-char", "a TAB inside a movement's details", 0},
    {F::kUnknownRecord, "unknown-record", "an extra line with an unknown record code", 0},
    {F::kBadNumeric, "bad-numeric", "a letter in a movement's record number", 0},
    {F::kBadSign, "bad-sign", "a blank in place of a movement quantity's sign", 0},
    {F::kBadDate, "bad-date", "month 13 in a movement's value date", 0},
    {F::kIniTotal, "ini-total", "INI header states one line more than the data file holds", 1},
    {F::kIniTypeCount, "ini-type-count", "an INI summary line states one record too many", 6},
    {F::kZ900Total, "z900-total", "the closing record states one line too many", 1},
    {F::kUnbalancedBatch, "unbalanced-batch", "a batch whose debit and credit differ by 0.01", 0},
    {F::kUnknownAccount, "unknown-account", "a movement whose account is not in the chart", 0},
    {F::kAccountTotals, "account-totals", "an account's total debit off by 1,000.00", 0},
    {F::kMissingSection, "missing-section", "an account with movements but no section code", 0},
    {F::kAccountDealer, "account-dealer", "a customer account's dealer number fails its check", 0},
    {F::kDocumentArithmetic, "document-arithmetic",
     "an invoice whose amount after discount is off by 500.00", 0},
    {F::kPriceQuantity, "price-quantity", "a document line whose unit price is doubled", 0},
    {F::kVat, "vat", "an invoice whose VAT (and total) is half as large again", 0},
    {F::kReceiptSum, "receipt-sum", "a receipt line 250.00 more than the receipt's total", 0},
    {F::kMissingCheque, "missing-cheque", "a cheque line without a cheque number", 0},
    {F::kBadBankAccount, "bad-bank-account", "a cheque line whose account fails its bank's rule",
     0},
    {F::kUnknownItem, "unknown-item", "a document line whose item is not in the catalogue", 0},
    {F::kUnknownCustomer, "unknown-customer",
     "a stock document whose customer key is not an account", 0},
    {F::kDocumentDealer, "document-dealer",
     "an invoice whose customer dealer number fails its check", 0},
};

// Each named as the test that finds it, but for the spike, which the first-two-digits test
// finds.
constexpr FaultInfo kJournalFaults[] = {
    {F::kLateEntry, "late-entry", "a transaction entered 31 to 40 days after its date", 0},
    {F::kPostClosing, "post-closing", "a transaction of December entered in January", 0},
    {F::kWeekend, "weekend", "a transaction entered on a Friday or a Saturday", 0},
    {F::kHoliday, "holiday", "a transaction entered on a holiday that is a weekday", 0},
    {F::kRareOperator, "rare-operator", "a transaction entered by an operator of its own", 100},
    {F::kSeldomAccount, "seldom-account", "a new customer with two sales and no other movement", 0},
    {F::kRareFlow, "rare-flow", "a receipt or payment through the other bank, once", 0},
    {F::kRoundAmount, "round-amount", "a receipt or payment of whole thousands", 0},
    {F::kDuplicate, "duplicate", "a receipt or payment entered twice the same day", 0},
    {F::kTransactionGap, "transaction-gap", "one to three transaction numbers skipped", 0},
    {F::kDocumentGap, "document-gap", "one to three numbers of a document type skipped", 0},
    {F::kBelowLimit, "below-limit",
     "receipts and payments crowding below 10,000.00 (the second below 50,000.00)", 2},
    {F::kBlankDescription, "blank-description", "a movement without details", 0},
    {F::kKeyword, "keyword", "a movement whose details hold one of the keywords", 0},
    {F::kNoReference, "no-reference", "a transaction without references", 0},
    {F::kMissingDocument, "missing-document", "a transaction referring to a missing document", 0},
    {F::kReversal, "reversal", "a receipt or payment reversed by a transaction the same day", 0},
    {F::kRelativeSize, "relative-size",
     "a receipt or payment eleven times its partner's next largest movement", 0},
    {F::kAfterHours, "after-hours", "a document produced before 07:00 or from 20:00", 0},
    {F::kBackdatedDocument, "backdated-document",
     "a document produced 31 to 45 days after its date", 0},
    {F::kCancelledDocument, "cancelled-document", "a document marked cancelled", 0},
    {F::kBenfordSpike, "benford-spike",
     "receipts and payments whose first two digits crowd into one pair (23, 36, 68)", 3},
};

}  // namespace

std::span<const FaultInfo> Faults() { return kFaults; }
std::span<const FaultInfo> JournalFaults() { return kJournalFaults; }

const FaultInfo* FindFault(std::string_view name) {
  for (const std::span<const FaultInfo> table : {Faults(), JournalFaults()}) {
    for (const FaultInfo& info : table) {
      if (info.name == name) return &info;
    }
  }
  return nullptr;
}

std::string_view ManifestName(FaultKind kind) {
  if (kind == F::kBenfordSpike) return "benford-first-two";
  for (const std::span<const FaultInfo> table : {Faults(), JournalFaults()}) {
    for (const FaultInfo& info : table) {
      if (info.kind == kind) return info.name;
    }
  }
  return {};
}

}  // namespace tallyscan
