#include "documents.h"

#include <algorithm>

#include "calendar.h"

namespace tallyscan::gen {
namespace {

std::int64_t Vat(std::int64_t net) {
  return net < 0 ? -((-net * 17 + 50) / 100) : (net * 17 + 50) / 100;
}

// price × quantity / 10000, rounded half away from zero.
std::int64_t Extend(std::int64_t price, std::int64_t quantity) {
  const std::int64_t product = price * quantity;
  return product < 0 ? -((-product + 5000) / 10000) : (product + 5000) / 10000;
}

}  // namespace

DocumentMaker::DocumentMaker(const Chart& chart, const DataSetOptions& options)
    : chart_(chart), year_(options.tax_year), random_(options.seed * 0x9E3779B97F4A7C15ull + 3) {}

bool DocumentMaker::IsDocumentFault(FaultKind kind) {
  switch (kind) {
    case FaultKind::kDocumentArithmetic:
    case FaultKind::kPriceQuantity:
    case FaultKind::kVat:
    case FaultKind::kReceiptSum:
    case FaultKind::kMissingCheque:
    case FaultKind::kBadBankAccount:
    case FaultKind::kUnknownItem:
    case FaultKind::kUnknownCustomer:
    case FaultKind::kDocumentDealer:
      return true;
    default:
      return false;
  }
}

int DocumentMaker::ChooseType(std::optional<FaultKind> fault) {
  if (fault) {
    switch (*fault) {
      case FaultKind::kReceiptSum:
      case FaultKind::kMissingCheque:
      case FaultKind::kBadBankAccount:
        return 400;
      case FaultKind::kUnknownCustomer:
        return 810;
      default:
        return 305;
    }
  }
  const int roll = static_cast<int>(random_.Between(0, 99));
  if (roll < 33) return 305;
  if (roll < 45) return 320;
  if (roll < 50) return 330;
  if (roll < 70) return 400;
  if (roll < 75) return 200;
  if (roll < 78) return 100;
  if (roll < 92) return 700;
  if (roll < 96) return 810;
  return 820;
}

void DocumentMaker::AddLines(Document* document, bool stock) {
  const int count = static_cast<int>(random_.Between(1, 5));
  const bool credit_note = document->type == 330;
  for (int i = 0; i < count; ++i) {
    DocumentLine line;
    line.item = static_cast<int>(random_.Next() % chart_.items.size());
    const Item& item = chart_.items[static_cast<std::size_t>(line.item)];
    line.quantity =
        item.fractional ? random_.Between(2, 50) * 2500 : random_.Between(1, 20) * 10000;
    if (credit_note) line.quantity = -line.quantity;
    line.price = stock ? item.cost : item.price;
    const std::int64_t gross = Extend(line.price, line.quantity);
    if (!credit_note && !stock && random_.Percent(20)) {
      line.discount = -(gross * random_.Between(5, 10) / 100);
    }
    line.total = gross + line.discount;
    line.vat_rate = stock ? 0 : 1700;
    document->lines.push_back(std::move(line));
  }
}

void DocumentMaker::AddReceipts(Document* document, std::optional<FaultKind> fault) {
  const int count = static_cast<int>(random_.Between(1, document->type == 320 ? 2 : 3));
  std::int64_t left = document->total;
  for (int i = 0; i < count; ++i) {
    ReceiptLine line;
    line.amount = i + 1 == count ? left : left / (count - i) - random_.Between(0, 999);
    left -= line.amount;
    const int roll = static_cast<int>(random_.Between(0, 99));
    line.means = roll < 25 ? 1 : roll < 65 ? 2 : roll < 85 ? 3 : 4;
    if (i == 0 && fault) line.means = 2;
    if (line.means == 2 || line.means == 4) {
      line.bank = MakeValidBankAccount(random_);
    }
    if (line.means == 2) {
      line.cheque = random_.Between(1000000, 9999999);
      line.due_date = document->date;  // replaced below by a later day
    }
    if (line.means == 3) {
      static constexpr int kCompanies[] = {1, 2, 3, 4, 6};
      line.card_company = random_.Pick(kCompanies);
      line.deal_kind = random_.Percent(80) ? 1 : 2;
    }
    document->receipts.push_back(line);
  }
}

void DocumentMaker::Make(std::int64_t index, std::int64_t count, std::optional<FaultKind> fault,
                         Document* document) {
  *document = Document();
  const int type = ChooseType(fault);
  document->type = type;
  auto number = std::find_if(numbers_.begin(), numbers_.end(),
                             [type](const auto& entry) { return entry.first == type; });
  if (number == numbers_.end()) {
    numbers_.push_back({type, 10000 + (type % 100) * 100000});
    number = numbers_.end() - 1;
  }
  document->number = ++number->second;
  const int days = DaysInYear(year_);
  const int day = static_cast<int>(index * (days - 1) / std::max<std::int64_t>(count, 1));
  document->date = DateOfYear(year_, day);
  const auto hour = random_.Between(8, 18);
  document->time = static_cast<int>(hour * 100 + random_.Between(0, 59));

  const bool purchase = type == 700 || type == 810;
  const auto& partners = purchase ? chart_.suppliers : chart_.customers;
  document->customer = partners[random_.Next() % partners.size()];
  document->dealer = chart_.accounts[static_cast<std::size_t>(document->customer)].dealer;

  if (type == 400) {
    document->total = random_.Between(10000, 3000000);
    document->before = document->after = document->total;
  } else {
    const bool stock = type == 810 || type == 820;
    AddLines(document, stock);
    for (const DocumentLine& line : document->lines) document->before += line.total;
    if (type != 330 && !stock && random_.Percent(15)) {
      document->discount = -(document->before * random_.Between(2, 5) / 100);
    }
    document->after = document->before + document->discount;
    document->vat = stock ? 0 : Vat(document->after);
    document->total = document->after + document->vat;
  }
  if (type == 400 || type == 320) AddReceipts(document, fault);
  for (ReceiptLine& line : document->receipts) {
    if (line.means == 2) {
      line.due_date = DateOfYear(year_, day + static_cast<int>(random_.Between(0, 60)));
    }
  }
  document->fault = fault;
  if (fault) ApplyFault(document);
}

void DocumentMaker::ApplyFault(Document* document) {
  document->fault_line = 1;
  switch (*document->fault) {
    case FaultKind::kDocumentArithmetic:
      document->after += 50000;
      document->total += 50000;
      break;
    case FaultKind::kPriceQuantity: {
      // With no discount on the line, the price × quantity test sees exactly 50.00%.
      // A whole quantity keeps the line total exact, so the ratio is exactly one half.
      DocumentLine& line = document->lines.front();
      const std::int64_t whole = std::max<std::int64_t>(1, line.quantity / 10000) * 10000;
      document->before -= line.total;
      line.quantity = whole;
      line.discount = 0;
      line.total = Extend(line.price, line.quantity);
      document->before += line.total;
      document->after = document->before + document->discount;
      document->vat = Vat(document->after);
      document->total = document->after + document->vat;
      line.price *= 2;
      break;
    }
    case FaultKind::kVat: {
      const std::int64_t extra = std::max<std::int64_t>(30000, document->vat / 2);
      document->vat += extra;
      document->total += extra;
      break;
    }
    case FaultKind::kReceiptSum:
      document->receipts.front().amount += 25000;
      break;
    case FaultKind::kMissingCheque:
      document->receipts.front().cheque = 0;
      break;
    case FaultKind::kBadBankAccount:
      document->receipts.front().bank = MakeInvalidBankAccount(random_);
      break;
    case FaultKind::kUnknownItem: {
      DocumentLine& line = document->lines.front();
      line.item = -1;
      line.unknown_code = "999-" + std::to_string(1000 + ++unknown_items_);
      break;
    }
    case FaultKind::kUnknownCustomer:
      document->customer_key_override = "888" + std::to_string(1000 + ++unknown_customers_);
      break;
    case FaultKind::kDocumentDealer: {
      char& last = document->dealer.back();
      last = static_cast<char>('0' + (last - '0' + 1) % 10);
      break;
    }
    default:
      break;
  }
}

}  // namespace tallyscan::gen
