#include "movements.h"

#include <algorithm>

#include "calendar.h"
#include "texts.h"

namespace tallyscan::gen {
namespace {

enum MovementKind { kOpening, kSale, kReceipt, kPurchase, kPayment, kSalary, kFee, kCorrection };

struct KindWords {
  std::string_view type_text;
  std::string_view details;
};
constexpr KindWords kKindWords[] = {
    {"יתרת פתיחה", "יתרות פתיחה לתחילת השנה"},
    {"מכירות", "חשבונית מכירה ללקוח"},
    {"תקבולים", "תקבול מלקוח"},
    {"קניות", "חשבונית ספק"},
    {"תשלומים", "תשלום לספק"},
    {"שכר", "משכורת חודשית"},
    {"עמלות", "עמלת ניהול חשבון"},
    {"תיקונים", "תיקון רישום"},
};

constexpr std::int64_t kUnknownAccountAmount = 40;  // agorot: under the checks' tolerance

std::int64_t Vat(std::int64_t net) { return (net * 17 + 50) / 100; }

}  // namespace

std::string MovementStream::UnknownKey(std::int64_t rank) {
  std::string digits = std::to_string(rank);
  if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
  return "999" + digits;
}

MovementStream::MovementStream(const Chart& chart, const DataSetOptions& options,
                               int unknown_accounts, int unbalanced_batches)
    : chart_(chart),
      total_(options.movements),
      year_(options.tax_year),
      random_(options.seed * 0x2545F4914F6CDD1Dull + 17),
      unknown_target_count_(unknown_accounts),
      unbalanced_count_(unbalanced_batches) {
  for (const KindWords& kind : kKindWords) {
    words_.push_back(
        {FileText(kind.type_text, options.dos_coded), FileText(kind.details, options.dos_coded)});
  }
  for (int i = 1; i <= unknown_accounts; ++i) unknown_keys_.push_back(UnknownKey(i));
  Plan();
}

void MovementStream::Plan() {
  // Opening balances: assets on the debit side, liabilities and capital on the credit
  // side, the result of earlier years balancing them. At most a fifth of the movements.
  std::vector<std::pair<int, std::int64_t>> candidates;
  candidates.push_back({chart_.cash, random_.Between(200000, 2000000)});
  for (int bank : chart_.banks) candidates.push_back({bank, random_.Between(5000000, 50000000)});
  candidates.push_back({chart_.inventory, random_.Between(2000000, 20000000)});
  for (int asset : chart_.equipment)
    candidates.push_back({asset, random_.Between(1000000, 8000000)});
  candidates.push_back({chart_.vat_output, -random_.Between(500000, 3000000)});
  candidates.push_back({chart_.withholding, -random_.Between(100000, 800000)});
  candidates.push_back({chart_.capital, -10000000});
  const std::size_t partners = std::max(chart_.customers.size(), chart_.suppliers.size());
  for (std::size_t i = 0; i < partners; ++i) {
    if (i < chart_.customers.size()) {
      candidates.push_back({chart_.customers[i], random_.Between(50000, 3000000)});
    }
    if (i < chart_.suppliers.size()) {
      candidates.push_back({chart_.suppliers[i], -random_.Between(50000, 2000000)});
    }
  }
  // The opening transaction numbers its lines in five digits, the balancing line included.
  constexpr std::int64_t kMostOpeningLines = 99999;
  std::int64_t room = total_ >= 10 ? std::min(total_ / 5, kMostOpeningLines) - 1 : 0;
  std::int64_t count = std::min<std::int64_t>(room, static_cast<std::int64_t>(candidates.size()));
  if (count > 0 && total_ - (count + 1) == 1) --count;
  if (count > 0) {
    std::int64_t sum = 0;
    for (std::int64_t i = 0; i < count; ++i) {
      openings_.push_back(candidates[static_cast<std::size_t>(i)]);
      sum += candidates[static_cast<std::size_t>(i)].second;
    }
    openings_.push_back({chart_.retained, -sum});
  }
  batch_size_ = std::clamp<std::int64_t>(total_ / 60, 8, 400);
}

bool MovementStream::Next(Movement* movement) {
  if (pending_next_ >= pending_.size()) {
    if (emitted_ >= total_) return false;
    pending_.clear();
    pending_next_ = 0;
    MakeTransaction();
  }
  *movement = pending_[pending_next_++];
  return true;
}

void MovementStream::AddLine(int account, bool credit, std::int64_t amount, int counter) {
  Movement m;
  m.index = emitted_ + static_cast<std::int64_t>(pending_.size());
  m.transaction = transaction_;
  m.line = static_cast<int>(pending_.size()) + 1;
  m.batch = batch_;
  m.account = account;
  m.counter = counter;
  m.credit = credit;
  m.amount = amount;
  pending_.push_back(m);
}

void MovementStream::MakeTransaction() {
  ++transaction_;
  const int days = DaysInYear(year_);

  if (emitted_ == 0 && !openings_.empty()) {
    batch_ = 1;
    const int retained = chart_.retained;
    for (const auto& [account, amount] : openings_) {
      AddLine(account, amount < 0, amount < 0 ? -amount : amount,
              account == retained ? -1 : retained);
    }
    for (Movement& m : pending_) {
      m.kind = kOpening;
      m.date = m.value_date = DateOfYear(year_, 0);
      m.opening = true;
      m.regular = false;
    }
    emitted_ += static_cast<std::int64_t>(pending_.size());
    batch_lines_ = batch_size_;  // the next transaction opens a new batch
    return;
  }

  if (batch_ == 0 || batch_lines_ >= batch_size_) {
    ++batch_;
    batch_lines_ = 0;
    batch_needs_fault_ = false;
    if (unbalanced_placed_ < unbalanced_count_) {
      const std::int64_t target = total_ * (unbalanced_placed_ + 1) / (unbalanced_count_ + 1);
      batch_needs_fault_ = emitted_ >= target || total_ - emitted_ < 2 * batch_size_;
    }
  }

  const std::int64_t remaining = total_ - emitted_;
  const int date_day =
      static_cast<int>(1 + emitted_ * (days - 1) / std::max<std::int64_t>(total_, 1));
  const int date = DateOfYear(year_, date_day);
  const int value_date = DateOfYear(year_, date_day + static_cast<int>(random_.Between(0, 3)));
  const int bank = chart_.banks[random_.Next() % chart_.banks.size()];
  const int customer = chart_.customers[random_.Next() % chart_.customers.size()];
  const int supplier = chart_.suppliers[random_.Next() % chart_.suppliers.size()];

  bool unknown_due = false;
  if (unknown_placed_ < unknown_target_count_ && (remaining == 2 || remaining >= 4)) {
    const std::int64_t target = total_ * (unknown_placed_ + 1) / (unknown_target_count_ + 2);
    unknown_due = emitted_ >= target || remaining <= 8;
  }

  int kind;
  if (unknown_due) {
    // A small movement to an account nobody opened, against a bank; alternate sides so
    // that several of them leave the index totals within their tolerance.
    kind = kCorrection;
    const bool unknown_credit = unknown_placed_ % 2 == 1;
    AddLine(-1, unknown_credit, kUnknownAccountAmount, bank);
    AddLine(bank, !unknown_credit, kUnknownAccountAmount, -1);
    pending_[0].unknown_key = unknown_keys_[static_cast<std::size_t>(unknown_placed_)];
    pending_[0].faulty = true;
    pending_[0].fault = FaultKind::kUnknownAccount;
    pending_[0].fault_rank = ++unknown_placed_;
    for (Movement& m : pending_) m.regular = false;
  } else {
    // Choose a template whose size fits what is left without leaving a single line.
    int lines;
    if (remaining <= 4) {
      lines = static_cast<int>(remaining);
    } else {
      const int roll = static_cast<int>(random_.Between(0, 99));
      lines = roll < 55 ? 3 : roll < 95 ? 2 : 4;
      if (remaining - lines == 1) lines = lines == 2 ? 3 : 2;
    }
    const int roll = static_cast<int>(random_.Between(0, 99));
    if (lines == 4) {
      kind = kSalary;
      const std::int64_t gross = random_.Between(800000, 2500000);
      const std::int64_t tax = gross / 10;
      const std::int64_t insurance = gross * 7 / 100;
      AddLine(chart_.salaries, false, gross, bank);
      AddLine(bank, true, gross - tax - insurance, chart_.salaries);
      AddLine(chart_.withholding, true, tax, chart_.salaries);
      AddLine(chart_.national_insurance, true, insurance, chart_.salaries);
    } else if (lines == 3 && roll < 65) {
      kind = kSale;
      const std::int64_t net = random_.Between(10000, 2000000);
      const std::int64_t vat = Vat(net);
      const int revenue = random_.Percent(70) ? chart_.sales : chart_.services;
      AddLine(customer, false, net + vat, revenue);
      AddLine(revenue, true, net, customer);
      AddLine(chart_.vat_output, true, vat, customer);
    } else if (lines == 3) {
      kind = kPurchase;
      const std::int64_t net = random_.Between(10000, 1500000);
      const std::int64_t vat = Vat(net);
      const int roll2 = static_cast<int>(random_.Between(0, 9));
      const int expense = roll2 < 6   ? chart_.purchases
                          : roll2 < 8 ? chart_.office
                          : roll2 < 9 ? chart_.rent
                                      : chart_.utilities;
      AddLine(expense, false, net, supplier);
      AddLine(chart_.vat_input, false, vat, supplier);
      AddLine(supplier, true, net + vat, expense);
    } else if (roll < 55) {
      kind = kReceipt;
      const std::int64_t amount = random_.Between(10000, 2000000);
      AddLine(bank, false, amount, customer);
      AddLine(customer, true, amount, bank);
    } else if (roll < 93) {
      kind = kPayment;
      const std::int64_t amount = random_.Between(10000, 1500000);
      AddLine(supplier, false, amount, bank);
      AddLine(bank, true, amount, supplier);
    } else {
      kind = kFee;
      const std::int64_t amount = random_.Between(500, 25000);
      AddLine(chart_.bank_fees, false, amount, bank);
      AddLine(bank, true, amount, chart_.bank_fees);
    }
    if (batch_needs_fault_) {
      // Every template ends with a credit line; one agora more or less on it leaves the
      // batch off by one agora, alternately to either side.
      Movement& last = pending_.back();
      last.amount += unbalanced_placed_ % 2 == 0 ? 1 : -1;
      last.faulty = true;
      last.fault = FaultKind::kUnbalancedBatch;
      last.fault_rank = ++unbalanced_placed_;
      last.regular = false;
      batch_needs_fault_ = false;
    }
  }

  int reference_type = 0;
  std::int64_t reference = 0;
  if (kind == kSale || kind == kReceipt || kind == kPurchase) {
    reference_type = kind == kSale ? 305 : kind == kReceipt ? 400 : 700;
    reference = ++references_;
  }
  for (Movement& m : pending_) {
    m.kind = kind;
    m.date = date;
    m.value_date = value_date;
    m.reference = reference;
    m.reference_type = reference_type;
  }
  emitted_ += static_cast<std::int64_t>(pending_.size());
  batch_lines_ += static_cast<std::int64_t>(pending_.size());
}

}  // namespace tallyscan::gen
