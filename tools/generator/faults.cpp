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

}  // namespace

std::span<const FaultInfo> Faults() { return kFaults; }

const FaultInfo* FindFault(std::string_view name) {
  for (const FaultInfo& info : kFaults) {
    if (info.name == name) return &info;
  }
  return nullptr;
}

}  // namespace tallyscan
